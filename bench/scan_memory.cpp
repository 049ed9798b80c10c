// Scans one large file with the match engine, unit by unit and deciding only, and prints the time taken and the
// peak memory of the process, to show that memory does not grow with the file.
//   bench_scan_memory [SIZE_MB] [FOLDER]   (default 1024 MB in /tmp; the file is sparse)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_setup.h"
#include "query/match_engine.h"

using namespace quarvel;

int main(int argc, char** argv) {
    const BenchArguments args = ReadBenchArguments(argc, argv, 1024, "quarvel-bench-", ".bin");
    const long long megabytes = args.megabytes;
    const std::string &folder = args.folder, &name = args.name, &path = args.path;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const long long size = megabytes * 1024 * 1024;
    // A sparse file of zeros with a line of text at its very end.
    const char tail[] = "the needle\n";
    if (fd < 0 || ftruncate(fd, size) != 0 ||
        pwrite(fd, tail, sizeof tail - 1, size - static_cast<long long>(sizeof tail - 1)) < 0) {
        std::perror(path.c_str());
        return 2;
    }
    close(fd);

    struct Quiet : ScanObserver {} observer;
    const CancelFlag cancel;
    const long before = PeakKilobytes();
    for (std::uint32_t within : {kWithinFile, kWithinLine}) {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchWithin = within;
        cfg.CurrentFileSize = static_cast<double>(size);
        cfg.GSizeFiles = static_cast<double>(size);
        std::string expression = "needle";
        Tstr query(expression, cfg);
        for (bool decide : {false, true}) {
            MatchEngine engine(cfg, query, observer, cancel);
            auto start = std::chrono::steady_clock::now();
            int found = 0;
            if (decide) {
                const int in = open(path.c_str(), O_RDONLY);
                found = engine.Decide(in, path);
                close(in);
            } else {
                found = engine.Scan(folder, name);
            }
            double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("%-5s unit, %-6s: %lld MB in %.2f s (%.0f MB/s), found=%d\n",
                        within == kWithinFile ? "File" : "Line", decide ? "decide" : "scan", megabytes, seconds,
                        megabytes / seconds, found);
        }
    }
    std::printf("peak memory: %ld KB before the scans, %ld KB after\n", before, PeakKilobytes());
    unlink(path.c_str());
    return 0;
}
