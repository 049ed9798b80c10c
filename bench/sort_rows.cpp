// Times the results list's order without a window (RowOrder::Arrange, which
// the list calls on a click on a column's header): N made-up found files as
// a search of a source tree finds them, with made-up hit counts, sorted by
// name, folder, size, date and hits, each by a first click (sorted), a second
// (reversed) and a third (back to the found order), ROUNDS times over. Prints
// the median of each and the longest against the list's target, 150 ms for a
// sort with its repaint (bench_window_search list times that one).
//   bench_sort_rows [N] [ROUNDS]   (default 100000 files, 5 rounds)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/made_up_files.h"
#include "results/row_order.h"

using namespace quarvel;

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (count < 1) {
        std::fputs("usage: bench_sort_rows [N] [ROUNDS]\n", stderr);
        return 2;
    }
    constexpr double kTargetMs = 150;
    TSaveFileArray files;
    MakeFoundFiles(static_cast<std::size_t>(count), false, files);
    const auto hits = MakeHitCounts(files.size());

    struct Column {
        SortColumn column;
        const char* name;
    };
    const Column columns[] = {{SortColumn::Name, "name"},
                              {SortColumn::Folder, "folder"},
                              {SortColumn::Size, "size"},
                              {SortColumn::Modified, "date"},
                              {SortColumn::Hits, "hits"}};
    const char* const clicks[] = {"1st: sorted", "2nd: reversed", "3rd: found order"};
    constexpr std::size_t kColumns = sizeof columns / sizeof columns[0];
    std::vector<double> ms[kColumns][3];
    RowOrder order;
    bool wrong = false;
    for (int round = 0; round < rounds; ++round)
        for (std::size_t c = 0; c < kColumns; ++c)
            for (int click = 0; click < 3; ++click) {
                const auto start = std::chrono::steady_clock::now();
                order.Click(columns[c].column);
                order.Arrange(files, hits);
                ms[c][click].push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
                if (order.Rows() != files.size() || (order.Column() != SortColumn::Found) != (click < 2)) wrong = true;
            }

    std::printf("RowOrder::Click + Arrange (no window), %ld made-up found files (long folders, ~25 files a folder),\n"
                "made-up hit counts, %d rounds:\n",
                count, rounds);
    std::printf("  %-8s %-17s %10s   %s\n", "column", "click", "median ms", "each round, ms");
    double longest = 0, longestMedian = 0;
    for (std::size_t c = 0; c < kColumns; ++c)
        for (int click = 0; click < 3; ++click) {
            const ClickTimes times = SummarizeClicks(ms[c][click]);
            longest = std::max(longest, times.longest);
            longestMedian = std::max(longestMedian, times.median);
            std::printf("  %-8s %-17s %10.1f   %s\n", click == 0 ? columns[c].name : "", clicks[click], times.median,
                        times.each.c_str());
        }
    std::printf("longest arrange %.1f ms (longest median %.1f ms)  (the list's target <= %.0f ms with its repaint: %s)%s\n",
                longest, longestMedian, kTargetMs, longest <= kTargetMs ? "met" : "MISSED",
                wrong ? ", THE ORDER WAS NOT THE ONE CLICKED" : "");
    return wrong ? 1 : 0;
}
