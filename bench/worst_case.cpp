// The worst case of a literal search: a 200-character term, ignoring case,
// over repetitive text in which nearly every position begins a long partial
// match. Prints the time of deciding and of the viewer's one-file scan, which
// stay linear in the size of the file.
//   bench_worst_case [SIZE_MB] [FOLDER]   (default 256 MB in /tmp)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/bench_setup.h"
#include "query/match_engine.h"

using namespace quarvel;

int main(int argc, char** argv) {
    const BenchArguments args = ReadBenchArguments(argc, argv, 256, "quarvel-worst-", ".txt");
    const long long size = args.megabytes * 1024 * 1024;
    // 150 letters and a blank, again and again: the term, 200 letters, never
    // occurs, yet every letter starts a match of up to 149 of its bytes.
    std::string period(150, 'A');
    period += ' ';
    std::string block;
    while (block.size() < (1u << 20)) block += period;
    const int fd = open(args.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        std::perror(args.path.c_str());
        return 2;
    }
    for (long long written = 0; written < size;) {
        const long long n = std::min<long long>(static_cast<long long>(block.size()), size - written);
        if (write(fd, block.data(), static_cast<std::size_t>(n)) != n) {
            std::perror(args.path.c_str());
            close(fd);
            unlink(args.path.c_str());
            return 2;
        }
        written += n;
    }
    close(fd);

    struct Quiet : ScanObserver {} observer;
    const CancelFlag cancel;
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchIgnoreCase = 1;
    cfg.CurrentFileSize = static_cast<double>(size);
    cfg.GSizeFiles = static_cast<double>(size);
    std::string expression(200, 'a');
    Tstr query(expression, cfg);
    for (bool decide : {true, false}) {
        MatchEngine engine(cfg, query, observer, cancel);
        engine.SetCollectHits(!decide);
        const auto start = std::chrono::steady_clock::now();
        int found = 0;
        if (decide) {
            const int in = open(args.path.c_str(), O_RDONLY);
            found = engine.Decide(in, args.path);
            close(in);
        } else {
            found = engine.Scan(args.folder, args.name);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("Worst case, 200-character term, ignore case, %-11s: %lld MB in %.2f s (%.0f MB/s), found=%d\n",
                    decide ? "decide" : "viewer scan", args.megabytes, seconds, args.megabytes / seconds, found);
    }
    unlink(args.path.c_str());
    return 0;
}
