#include "search/parallel_scan.h"

#include <string>

namespace quarvel {

void ParallelScan::ByteCounter::FileProgress(std::uint64_t bytes) {
    total_.fetch_add(static_cast<std::int64_t>(bytes) - static_cast<std::int64_t>(told_), std::memory_order_relaxed);
    told_ = bytes;
}

void ParallelScan::ByteCounter::FileDone(std::uint64_t size) {
    FileProgress(size);
    told_ = 0;
}

ParallelScan::ParallelScan(const TSearchCFG& cfg, const Tstr& query, const CancelFlag& cancel, unsigned threads)
    : cfg_(cfg), query_(query), cancel_(cancel), window_(kWindow), lastIdle_(std::chrono::steady_clock::now()) {
    workers_.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) workers_.emplace_back([this] { Work(); });
}

ParallelScan::~ParallelScan() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void ParallelScan::Add(const TSaveFile& record) {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(record);
        wake = taken_ < committed_ + kWindow;
    }
    if (wake) workReady_.notify_one();
}

void ParallelScan::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    workReady_.notify_all();
    outcomeReady_.notify_all();
}

bool ParallelScan::NothingLeft() const { return closed_ && waiting_.empty() && taken_ == committed_; }

void ParallelScan::Work() {
    ByteCounter counter(bytesRead_);
    MatchEngine engine(cfg_, query_, counter, cancel_);
    FolderCache folders;
    std::string path;
    for (;;) {
        TSaveFile record;
        std::size_t index;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            for (;;) {
                if (stopping_ || cancel_.IsSet() || (closed_ && waiting_.empty())) return;
                if (!waiting_.empty() && taken_ < committed_ + kWindow) break;
                const bool noRoom = !waiting_.empty();
                waitingForRoom_ += noRoom;
                workReady_.wait(lock);
                waitingForRoom_ -= noRoom;
            }
            index = taken_++;
            record = std::move(waiting_.front());
            waiting_.pop_front();
            lastTaken_ = record;
        }
        CandidateOutcome outcome;
        record.PathInto(path);
        CandidateCheck check = CheckCandidate(record, path, folders);
        outcome.missing = check.missing;
        outcome.changed = check.changed;
        if (!check.missing) DecideCandidate(path, query_, engine, std::move(check.file), outcome);
        counter.FileDone(outcome.read ? record.size : 0);
        bool wake;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Slot& slot = window_[index % kWindow];
            slot.record = std::move(record);
            slot.outcome = std::move(outcome);
            slot.done = true;
            wake = index == committed_;
        }
        if (wake) outcomeReady_.notify_one();
    }
}

bool ParallelScan::Next(TSaveFile& record, CandidateOutcome& outcome, const std::function<void()>& idle) {
    auto idleWhenDue = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastIdle_ < kIdlePeriod) return;
        lastIdle_ = now;
        idle();
    };
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (cancel_.IsSet()) return false;
        Slot& slot = window_[committed_ % kWindow];
        if (slot.done) {
            record = std::move(slot.record);
            outcome = std::move(slot.outcome);
            slot.done = false;
            slot.record = TSaveFile();
            ++committed_;
            const bool wake = waitingForRoom_ != 0;
            lock.unlock();
            if (wake) workReady_.notify_one();
            idleWhenDue();
            return true;
        }
        if (NothingLeft()) return false;
        outcomeReady_.wait_for(lock, kIdlePeriod);
        lock.unlock();
        idleWhenDue();
        lock.lock();
    }
}

std::uint64_t ParallelScan::BytesRead() const {
    const std::int64_t bytes = bytesRead_.load(std::memory_order_relaxed);
    return bytes > 0 ? static_cast<std::uint64_t>(bytes) : 0;
}

TSaveFile ParallelScan::LastTaken() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastTaken_;
}

}  // namespace quarvel
