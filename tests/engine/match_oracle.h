#pragma once
#include <string>

#include "query/match_engine.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// A deliberately plain, byte-at-a-time scanner of one file, used to check the
// match engine: same units, pieces, overlaps, one-byte readings and hit
// bookkeeping, written for clarity rather than speed; the Unicode reading is
// left to the rules oracle. Fills cfg.LineStarts, LineCount,
// LongestLine and (with collectHits) Hits, and moves cfg.GSizeFilesCurrent
// by cfg.CurrentFileSize. Throws QuarvelError("Error open file").
int OracleScan(const std::string& path, TSearchCFG& cfg, Tstr& query, bool collectHits);

// The same of the engine's last scan, into cfg as the oracle fills it, so
// that the two compare field by field.
inline int Stored(const MatchEngine& engine, int result, TSearchCFG& cfg) {
    engine.Result().StoreIn(cfg);
    if (engine.Result().read) cfg.GSizeFilesCurrent += cfg.CurrentFileSize;
    return result;
}

}  // namespace quarvel
