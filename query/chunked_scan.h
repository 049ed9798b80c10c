#pragma once
#include <cstdint>
#include <string>

#include "platform/cancel_flag.h"
#include "query/match_engine.h"

namespace quarvel {

// The offset just after the first byte at or after from that closes a unit
// of the kind within, or 0 when none does before the end: a place to cut a
// one-byte or UTF-8 text between units.
std::uint64_t NextUnitStart(int fd, std::uint64_t from, std::uint32_t within);

// The viewer's scan of one large file on several threads. The file is cut
// into ranges that each begin a unit, an engine of its own scans each range,
// and their hits and lines are joined in order: the result is exactly the
// scan of the whole file. A file whose one unit is the whole file, a UTF-16
// text and a file too small to share are scanned whole, on this thread.
class ChunkedScan {
public:
    // A range is at least this long, so that a thread pays for itself.
    static constexpr std::uint64_t kMinimumRange = 16u << 20;

    ChunkedScan(const TSearchCFG& cfg, const Tstr& query, ScanObserver& observer, const CancelFlag& cancel,
                unsigned threads, std::uint64_t minimumRange = kMinimumRange);

    // As MatchEngine::Scan with every hit collected; the observer is told on this thread.
    int Scan(const std::string& folder, const std::string& name);
    const FileScan& Result() const { return result_; }

private:
    const TSearchCFG& cfg_;
    const Tstr& query_;
    ScanObserver& observer_;
    const CancelFlag& cancel_;
    unsigned threads_;
    std::uint64_t minimumRange_;
    FileScan result_;
};

}  // namespace quarvel
