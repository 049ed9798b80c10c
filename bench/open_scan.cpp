// Times the viewer's one-file scan (every hit collected, line table built) on a
// file of text lines, and prints the throughput, the hits and the peak memory.
//   bench_open_scan [SIZE_MB] [FOLDER]   (default 100 MB in /tmp)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_setup.h"
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
        MatchEngine engine(cfg, query, observer, cancel);
        engine.SetCollectHits(true);
        auto start = std::chrono::steady_clock::now();
        const int found = engine.Scan(folder, name);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("Open scan, %-4s unit: %.0f MB in %.2f s (%.0f MB/s), found=%d, %zu hits, %u lines\n",
                    within == kWithinFile ? "File" : "Line", written / 1048576.0, seconds,
                    written / 1048576.0 / seconds, found, engine.Result().hits.size(), engine.Result().lineCount);
    }
    std::printf("peak memory: %ld KB\n", PeakKilobytes());
    unlink(path.c_str());
    return 0;
}
