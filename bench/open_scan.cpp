// Times the viewer's one-file scan (every hit collected, line table built) on a
// file of text lines, and prints the throughput, the hits and the peak memory.
//   bench_open_scan [SIZE_MB] [FOLDER]   (default 100 MB in /tmp)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "bench/bench_setup.h"
#include "query/match_engine.h"

using namespace quarvel;

int main(int argc, char** argv) {
    const BenchArguments args = ReadBenchArguments(argc, argv, 100, "quarvel-open-", ".txt");
    const long long megabytes = args.megabytes;
    const std::string &folder = args.folder, &name = args.name, &path = args.path;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        return 2;
    }
    // Lines of source-like words; about one line in forty holds a term.
    const char* words[] = {"static", "int", "return", "struct", "device", "(void)", "{", "}", "if", "else",
                           "0x1f;", "buffer", "count", "unsigned", "long", "*dev", "=", "->", "priv", "err"};
    std::mt19937 rng(1);
    const long long size = megabytes * 1024 * 1024;
    long long written = 0;
    std::string line;
    while (written < size) {
        line.clear();
        const int n = 3 + static_cast<int>(rng() % 10);
        for (int i = 0; i < n; ++i) {
            line += words[rng() % 20];
            line += ' ';
        }
        const unsigned pick = rng() % 80;
        if (pick == 0) line += "mutex_lock(&priv->lock); ";
        if (pick == 1) line += "mutex_unlock(&priv->lock); ";
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), out);
        written += static_cast<long long>(line.size());
    }
    std::fclose(out);

    struct Quiet : ScanObserver {} observer;
    const bool cancel = false;
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
                    written / 1048576.0 / seconds, found, cfg.Hits.size(), cfg.LineCount);
    }
    std::printf("peak memory: %ld KB\n", PeakKilobytes());
    unlink(path.c_str());
    return 0;
}
