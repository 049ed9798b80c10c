#include "viewer/preview_worker.h"

#include "viewer/preview_scan.h"

namespace quarvel {

PreviewWorker::PreviewWorker(HitLinesLayout layout, Told told)
    : layout_(layout), told_(std::move(told)), thread_([this] { Loop(); }) {}

PreviewWorker::~PreviewWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        cancel_.Set();
    }
    asked_.notify_one();
    thread_.join();
}

void PreviewWorker::SetSearch(std::shared_ptr<const SearchSnapshot> search) {
    std::lock_guard<std::mutex> lock(mutex_);
    search_ = std::move(search);
}

std::uint64_t PreviewWorker::Ask(const std::string& path) {
    std::uint64_t number;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        number = ++requests_;
        pending_ = Request{number, path, search_};
        cancel_.Set();  // the scan of a file asked for before stops at its next block
    }
    asked_.notify_one();
    return number;
}

void PreviewWorker::Forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++requests_;
    pending_.reset();
    cancel_.Set();
}

void PreviewWorker::Loop() {
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            asked_.wait(lock, [this] { return stop_ || pending_.has_value(); });
            if (stop_) return;
            request = std::move(*pending_);
            pending_.reset();
            // Cleared under the lock: a request made from now on cancels this scan.
            cancel_.Clear();
        }
        if (!request.search || !request.search->query) {
            told_(request.number, HitLines(), true);
            continue;
        }
        PreviewScan scan(request.search->cfg, *request.search->query, cancel_);
        if (!scan.Run(request.path, layout_, [&](const HitLines& lines, bool done) {
                if (!cancel_) told_(request.number, lines, done);
            }) &&
            !cancel_)
            told_(request.number, HitLines(), true);  // the file cannot be read now
    }
}

}  // namespace quarvel
