#include "search/search_info.h"

#include <cstdio>
#include <ctime>

namespace quarvel {

namespace {
template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}
}  // namespace

std::vector<std::string> SearchInfoLines(TSearchCFG& cfg) {
    cfg.timeSum = std::difftime(static_cast<std::time_t>(cfg.timeEnd), static_cast<std::time_t>(cfg.timeStart));
    std::vector<std::string> lines;
    lines.push_back(Format("Hits in %d file(s) out of %d", static_cast<int>(cfg.FoundFiles.size()),
                           static_cast<int>(cfg.GFiles)));
    lines.push_back(cfg.SearchFilesMask);
    lines.push_back("String(s) to find");
    lines.push_back(cfg.SearchString);
    // A clock set back during a run gives a negative length; show it as 0.
    const unsigned t = cfg.timeSum > 0 ? static_cast<unsigned>(cfg.timeSum) : 0u;
    lines.push_back(Format("Search duration %u:%u:%u", t / 3600, (t % 3600) / 60, (t % 3600) % 60));
    lines.push_back(Format("Read %.0f byte(s)", cfg.GSizeFilesCurrent));
    if (cfg.timeSum != 0 && cfg.GSizeFilesCurrent != 0)
        lines.push_back(Format("Rate of search %.2f KB/sec", cfg.GSizeFilesCurrent * 0.001 / cfg.timeSum));
    return lines;
}

}  // namespace quarvel
