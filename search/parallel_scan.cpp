#include "search/parallel_scan.h"

#include <algorithm>
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
    : cfg_(cfg), query_(query), cancel_(cancel), threads_(threads), lastIdle_(std::chrono::steady_clock::now()) {
    if (cfg.SearchDocuments) documents_ = std::make_unique<MemberFilter>(cfg);
    // The walk that selects the files goes on meanwhile on the committing
    // thread, and it is the run's one part that cannot be shared: one worker
    // fewer leaves it a processor of its own. The last one starts at Close.
    workers_.reserve(threads);
    for (unsigned t = 1; t < threads; ++t) workers_.emplace_back([this] { Work(); });
}

ParallelScan::~ParallelScan() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void ParallelScan::Add(const TSaveFile& record, bool statLater) {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back({record, statLater});
        // While the list grows, a worker is woken for a whole batch.
        wake = waitingWorkers_ != 0 && waiting_.size() % kBatch == 0;
    }
    if (wake) workReady_.notify_one();
}

void ParallelScan::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    while (workers_.size() < std::max<std::size_t>(threads_, 1)) workers_.emplace_back([this] { Work(); });
    workReady_.notify_all();
    outcomeReady_.notify_all();
}

bool ParallelScan::NothingLeft() const { return closed_ && waiting_.empty() && taken_ == handedOut_; }

void ParallelScan::Work() {
    ByteCounter counter(bytesRead_);
    MatchEngine engine(cfg_, query_, counter, cancel_);
    FolderCache folders;
    std::string path;
    std::vector<Slot> batch;
    for (;;) {
        std::size_t first;
        batch.clear();
        {
            std::unique_lock<std::mutex> lock(mutex_);
            for (;;) {
                if (stopping_ || cancel_.IsSet() || (closed_ && waiting_.empty())) return;
                const bool enough = waiting_.size() >= kBatch || (closed_ && !waiting_.empty());
                if (enough && taken_ < handedOut_ + kWindow) break;
                if (!waiting_.empty() && committerWaits_) outcomeReady_.notify_one();  // the window is full
                ++waitingWorkers_;
                workReady_.wait(lock);
                --waitingWorkers_;
            }
            // A share of what waits, so that every worker has some of a short list.
            const std::size_t room = handedOut_ + kWindow - taken_;
            const std::size_t take = std::min({kBatch, room, std::max<std::size_t>(1, waiting_.size() / threads_)});
            first = taken_;
            taken_ += take;
            window_.resize(taken_ - handedOut_);
            for (std::size_t i = 0; i < take; ++i) {
                batch.emplace_back();
                batch.back().record = std::move(waiting_.front().record);
                batch.back().statLater = waiting_.front().statLater;
                waiting_.pop_front();
            }
            lastTaken_ = batch.front().record;
        }
        for (Slot& slot : batch) {
            CandidateOutcome& outcome = slot.outcome;
            slot.record.PathInto(path);
            CandidateCheck check = CheckCandidate(slot.record, path, folders, slot.statLater);
            outcome.missing = check.missing;
            outcome.changed = check.changed;
            outcome.stated = slot.statLater && !check.missing;
            if (!check.missing)
                DecideCandidate(slot.record, path, query_, engine, std::move(check.file), outcome, documents_.get());
            counter.FileDone(outcome.read ? slot.record.size : 0);
            if (cancel_.IsSet()) return;
        }
        bool wake;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (std::size_t i = 0; i < batch.size(); ++i) {
                Slot& slot = window_[first + i - handedOut_];
                slot = std::move(batch[i]);
                slot.done = true;
            }
            // The committer looks now and then by itself; it is woken only
            // when the window fills, or at the end of the list.
            wake = committerWaits_ && ((closed_ && waiting_.empty()) || taken_ - handedOut_ >= kWindow / 2);
        }
        if (wake) outcomeReady_.notify_one();
    }
}

bool ParallelScan::TakeReady() {
    ready_.clear();
    readyAt_ = 0;
    // A few at a time: what waits stays in the window, which frees as it goes.
    while (!window_.empty() && window_.front().done && ready_.size() < kBatch * 4) {
        ready_.push_back(std::move(window_.front()));
        window_.pop_front();
        ++handedOut_;
    }
    return !ready_.empty();
}

bool ParallelScan::Next(TSaveFile& record, CandidateOutcome& outcome, const std::function<void()>& idle) {
    auto idleWhenDue = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastIdle_ < kIdlePeriod) return;
        lastIdle_ = now;
        idle();
    };
    if (readyAt_ == ready_.size()) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            // Cancelled, what is decided in order up to the first file still
            // being scanned is handed out still, without waiting.
            if (TakeReady()) break;
            if (cancel_.IsSet() || NothingLeft()) return false;
            committerWaits_ = true;
            outcomeReady_.wait_for(lock, kIdlePeriod);
            committerWaits_ = false;
            lock.unlock();
            idleWhenDue();
            lock.lock();
        }
        const bool wake = waitingWorkers_ != 0;
        lock.unlock();
        if (wake) workReady_.notify_all();
    }
    Slot& slot = ready_[readyAt_++];
    record = std::move(slot.record);
    outcome = std::move(slot.outcome);
    idleWhenDue();
    return true;
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
