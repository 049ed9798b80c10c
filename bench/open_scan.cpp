// Times the viewer's one-file scan (every hit collected, line table built) on a
// file of text lines, on one thread and in ranges on every processor (the best
// of three turns each), and prints the throughput, the hits and the peak memory.
//   bench_open_scan [SIZE_MB] [FOLDER]   (default 100 MB in /tmp)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_setup.h"
#include "platform/processors.h"
#include "query/chunked_scan.h"
#include "query/match_engine.h"

using namespace quarvel;

int main(int argc, char** argv) {
    const BenchArguments args = ReadBenchArguments(argc, argv, 100, "quarvel-open-", ".txt");
    const long long megabytes = args.megabytes;
    const std::string &folder = args.folder, &name = args.name, &path = args.path;
    const long long written = WriteSourceLikeText(path, megabytes * 1024 * 1024);
    if (written < 0) {
        std::perror(path.c_str());
        return 2;
    }

    struct Quiet : ScanObserver {} observer;
    const CancelFlag cancel;
    for (std::uint32_t within : {kWithinFile, kWithinLine}) {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchWithin = within;
        cfg.CurrentFileSize = static_cast<double>(written);
        cfg.GSizeFiles = static_cast<double>(written);
        std::string expression = "mutex_lock+-mutex_unlock";
        Tstr query(expression, cfg);
        // One thread, then the ranges on every processor, taking turns.
        double best[2] = {1e9, 1e9};
        std::size_t hits[2] = {0, 0};
        int found = 0;
        for (int round = 0; round < 3; ++round) {
            for (int way = 0; way < 2; ++way) {
                ChunkedScan scan(cfg, query, observer, cancel, way == 0 ? 1 : UsableProcessors());
                auto start = std::chrono::steady_clock::now();
                found = scan.Scan(folder, name);
                best[way] = std::min(best[way], std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                hits[way] = scan.Result().hits.size();
            }
        }
        std::printf("Open scan, %-4s unit: %.0f MB in %.2f s (%.0f MB/s) on one thread, %.2f s on %u (%.2fx), "
                    "found=%d, %zu hits (%s)\n",
                    within == kWithinFile ? "File" : "Line", written / 1048576.0, best[0], written / 1048576.0 / best[0],
                    best[1], UsableProcessors(), best[0] / best[1], found, hits[0],
                    hits[0] == hits[1] ? "the same on both" : "NOT THE SAME");
    }
    std::printf("peak memory: %ld KB\n", PeakKilobytes());
    unlink(path.c_str());
    return 0;
}
