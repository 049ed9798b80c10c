#include "search/background_hits.h"

#include "platform/error.h"
#include "search/hit_pass.h"

namespace quarvel {

SearchSnapshot::SearchSnapshot(const TSearchCFG& from) : cfg(from) {
    cfg.LineStarts.clear();
    cfg.Hits.clear();
    cfg.UnitHits.clear();
    try {
        // The record's expression as it was compiled for the search itself.
        std::string expression = cfg.SearchString;
        query = std::make_unique<Tstr>(expression, cfg);
    } catch (const QuarvelError&) {
    }
}

BackgroundHits::~BackgroundHits() { Stop(); }

void BackgroundHits::Stop() {
    cancel_.Set();
    if (thread_.joinable()) thread_.join();
    cancel_.Clear();
    std::lock_guard<std::mutex> lock(mutex_);
    progress_.running = false;
}

void BackgroundHits::Start(std::shared_ptr<const SearchSnapshot> search, unsigned threads) {
    Stop();
    snapshot_ = std::move(search);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counts_.assign(snapshot_->cfg.FoundFiles.size(), std::nullopt);
        progress_ = {0, counts_.size(), 0, snapshot_->query != nullptr && !counts_.empty()};
        read_ = 0;
    }
    if (!progress_.running) return;
    thread_ = std::thread([this, threads] {
        HitPass pass(snapshot_->cfg, *snapshot_->query, cancel_, threads);
        pass.Run(snapshot_->cfg.FoundFiles, [this](std::size_t index, FileHitCount& count) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (count.counted) {
                counts_[index] = count.hits;
                progress_.hits += count.hits;
            }
            progress_.counted = index + 1;
        });
        std::lock_guard<std::mutex> lock(mutex_);
        progress_.running = false;
    });
}

BackgroundHits::Progress BackgroundHits::Read(std::vector<std::optional<std::uint64_t>>& into) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Only what was told since the last read is copied.
    if (read_ == 0 || into.size() != counts_.size()) {
        into.assign(counts_.size(), std::nullopt);
        read_ = 0;
    }
    for (; read_ < progress_.counted; ++read_) into[read_] = counts_[read_];
    return progress_;
}

}  // namespace quarvel
