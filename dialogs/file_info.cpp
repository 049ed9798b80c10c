#include "dialogs/file_info.h"

#include <cinttypes>
#include <cstdio>
#include <optional>

#include "platform/clock.h"

namespace quarvel {

std::uint64_t CountWordHits(const TSaveElemArray& hits, std::uint32_t word) {
    std::uint64_t count = 0;
    std::optional<std::uint64_t> lastOffset;  // of the word's last counted hit
    for (const TSaveElem& hit : hits) {
        if (hit.word != word || hit.offset == lastOffset) continue;
        ++count;
        lastOffset = hit.offset;
    }
    return count;
}

FileInfo::FileInfo(const TSearchCFG& cfg, const Tstr* query) : path(cfg.SearchFilesMask), expression(cfg.SearchString) {
    // Without a found file the lines show an empty record rather than nothing.
    const TSaveFile none;
    const TSaveFile& file = cfg.FoundFiles.empty() ? none : cfg.FoundFiles.front();
    char line[64];
    std::snprintf(line, sizeof line, "Size %" PRIu64 " byte(s)", file.size);
    size = line;
    std::snprintf(line, sizeof line, "Date %02d/%02d/%04d", DosDay(file.date), DosMonth(file.date), DosYear(file.date));
    date = line;
    std::snprintf(line, sizeof line, "Time %02d:%02d", DosHour(file.time), DosMinute(file.time));
    time = line;
    if (!query) return;
    for (std::uint32_t term = 0; term < query->TermCount(); ++term)
        words.push_back({query->TermText(term), std::to_string(CountWordHits(cfg.Hits, term))});
}

}  // namespace quarvel
