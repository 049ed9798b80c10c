#pragma once
// What the results-list benchmarks share: made-up found files and hit counts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "results/save_file.h"

namespace quarvel {

// N found files that look like a search of a source tree: about 25 files a
// folder sharing its folder text, as the folder walk makes them.
// Short folders fit the list's column, so the list draws them without cutting them.
inline void MakeFoundFiles(std::size_t count, bool shortFolders, TSaveFileArray& files) {
    static const char* const top[] = {"drivers", "fs", "net", "kernel", "arch/x86", "sound", "include/linux", "mm"};
    static const char* const mid[] = {"core", "usb", "gpu/drm", "net/ethernet", "media", "scsi", "block", "misc"};
    static const char* const words[] = {"mutex", "lock", "queue", "device", "buffer", "table", "event", "power",
                                        "clock", "irq", "dma", "page", "cache", "link", "port", "timer"};
    std::mt19937 random(20230611);
    const std::time_t newest = std::time(nullptr), oldest = newest - 8L * 365 * 24 * 3600;
    files.clear();
    files.reserve(count);
    SharedText folder;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 25 == 0) {
            char text[200];
            if (shortFolders)
                std::snprintf(text, sizeof text, "/src/%s_%zu", words[random() % 16], i / 25);
            else
                std::snprintf(text, sizeof text, "/var/tmp/quarvel-bench/linux-source-6.1/%s/%s/%s_%zu",
                              top[random() % 8], mid[random() % 8], words[random() % 16], i / 25);
            folder = SharedText(text);
        }
        char name[96];
        std::snprintf(name, sizeof name, "%s_%s%zu.%c", words[random() % 16], words[random() % 16], i % 1000,
                      "ch"[random() % 2]);
        TSaveFile f;
        f.name = SharedText(name);
        f.folder = folder;
        f.size = 200 + random() % 300000;
        const DosStamp stamp = DosStampFromTime(oldest + static_cast<std::time_t>(random() % (newest - oldest)));
        f.date = stamp.date;
        f.time = stamp.time;
        files.push_back(std::move(f));
    }
}

// A hit count for each of N found files, as a search of a source tree counts
// them: mostly a few, some hundreds, many ties.
inline std::vector<std::optional<std::uint64_t>> MakeHitCounts(std::size_t count) {
    std::mt19937 random(19700101);
    std::vector<std::optional<std::uint64_t>> hits(count);
    for (auto& h : hits) h = 1 + (random() % 5 == 0 ? random() % 400 : random() % 8);
    return hits;
}

// The times of one click over the rounds: their median, the longest, and
// each as printed ("12.3 10.5 ...").
struct ClickTimes {
    double median = 0, longest = 0;
    std::string each;
};
inline ClickTimes SummarizeClicks(std::vector<double> times) {
    ClickTimes summary;
    for (double t : times) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%.1f", summary.each.empty() ? "" : " ", t);
        summary.each += text;
        summary.longest = std::max(summary.longest, t);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) summary.median = times[(times.size() - 1) / 2];
    return summary;
}

}  // namespace quarvel
