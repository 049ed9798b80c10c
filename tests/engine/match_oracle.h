#pragma once
#include <string>

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

}  // namespace quarvel
