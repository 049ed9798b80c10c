#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/cancel_flag.h"
#include "query/match_engine.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// What the hit pass found in one file.
struct FileHitCount {
    bool counted = false;  // the file was read to its end: hits holds its count
    std::uint64_t hits = 0;
    std::string extra;     // what the pass's extra work made of the file
};

// The hits of found files, counted after the run that found them: the
// deciding scan stops at its first satisfying unit and counts nothing. Each
// file is scanned again with every hit collected, on worker threads, and
// handed back in the files' order.
class HitPass {
public:
    // Work done on a worker for each file counted, with its scan.
    using Extra = std::function<std::string(const TSaveFile& file, const FileScan& scan)>;
    // Told on the calling thread, in the files' order.
    using Done = std::function<void(std::size_t index, FileHitCount& count)>;
    // At most this many files are counted ahead of the one handed back next.
    static constexpr std::size_t kWindow = 256;

    // The settings and the query are only read and must outlive the pass.
    HitPass(const TSearchCFG& cfg, const Tstr& query, const CancelFlag& cancel, unsigned threads);
    void SetExtra(Extra extra) { extra_ = std::move(extra); }
    // Called on the calling thread every few milliseconds while it waits,
    // for instance to cancel the pass.
    void SetIdle(std::function<void()> idle) { idle_ = std::move(idle); }

    // Counts the hits of every file of the list, and tells done of each in
    // turn. Returns how many files were told of: fewer than the list holds
    // when the pass was cancelled.
    std::size_t Run(const TSaveFileArray& files, const Done& done);

private:
    FileHitCount Count(const TSaveFile& file, MatchEngine& engine) const;

    const TSearchCFG& cfg_;
    const Tstr& query_;
    const CancelFlag& cancel_;
    unsigned threads_;
    Extra extra_;
    std::function<void()> idle_;
};

}  // namespace quarvel
