// Times the main window's preview of one large found file (PreviewScan, the
// layout the window gives it): how long until its first hit lines are told,
// and until the whole file is read, searched by lines (read piece by piece, the
// first lines told early) and as a whole file (read whole, told once at the end).
//   bench_preview_first_lines [SIZE_MB] [FOLDER] [RUNS]   (default 100 MB in /var/tmp, 5 runs)
// The file: text lines of 0 to 200 bytes, 65 on average, as source and prose
// have them, with HIT_LINES (100000) lines holding the term "needle", one in
// each stretch of SIZE_MB/100000 bytes, at a random line of it. Each run times
// the scan once cold (the file's pages dropped from the page cache with
// posix_fadvise DONTNEED beforehand; the share still cached is printed) and
// once warm (just after), and the medians are printed with the target of the
// first lines by lines: at most 100 ms.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "viewer/preview_scan.h"

using namespace quarvel;

namespace {

using Clock = std::chrono::steady_clock;
constexpr long kHitLines = 100000;
constexpr double kFirstLinesTargetMs = 100;

// One line of filler text, without its line break: no "needle" in it.
std::string FillerLine(std::mt19937& random) {
    static const char* const words[] = {"static", "int",    "return", "struct", "device", "the",   "of",
                                        "and",    "buffer", "count",  "lock",   "queue",  "value", "while",
                                        "for",    "table",  "page",   "(void)", "{",      "}",     "->",
                                        "=",      "0x1f;",  "err",    "which",  "when",   "data",  "list"};
    // Lengths as source and prose have them: some empty or short, most of
    // 20 to 100 bytes, some long.
    const unsigned kind = random() % 20;
    const std::size_t length = kind < 3 ? random() % 12 : kind < 17 ? 20 + random() % 80 : 100 + random() % 100;
    std::string line;
    if (kind >= 3) line.assign(4 * (random() % 3), ' ');  // indented
    while (line.size() < length) {
        line += words[random() % (sizeof words / sizeof words[0])];
        line += ' ';
    }
    line.resize(length);
    return line;
}

// Writes the file; returns its size, or -1.
long long WriteFile(const std::string& path, long long bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return -1;
    std::mt19937 random(42);
    const long long stretch = bytes / kHitLines;
    long long written = 0;
    std::vector<std::string> lines;
    std::string text;
    for (long hit = 0; hit < kHitLines; ++hit) {
        lines.clear();
        long long size = 0;
        // Lines until the stretch is full, less what the last line and the term add on average.
        while (size < stretch - 56) {
            lines.push_back(FillerLine(random));
            size += static_cast<long long>(lines.back().size()) + 1;
        }
        // One of the stretch's lines holds the term, somewhere along it.
        std::string& line = lines[random() % lines.size()];
        line.insert(line.empty() ? 0 : random() % line.size(), line.empty() ? "needle" : " needle ");
        text.clear();
        for (const std::string& l : lines) text.append(l).append(1, '\n');
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) {
            std::fclose(out);
            return -1;
        }
        written += static_cast<long long>(text.size());
    }
    if (std::fflush(out) != 0 || fsync(fileno(out)) != 0) {
        std::fclose(out);
        return -1;
    }
    return std::fclose(out) == 0 ? written : -1;
}

// Drops the file's pages from the page cache; returns the share still cached, in percent.
double DropFromCache(const std::string& path, long long size) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 100;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    double cached = 100;
    if (void* map = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0); map != MAP_FAILED) {
        const long page = sysconf(_SC_PAGESIZE);
        std::vector<unsigned char> in((static_cast<std::size_t>(size) + page - 1) / page);
        if (mincore(map, static_cast<std::size_t>(size), in.data()) == 0)
            cached = 100.0 * static_cast<double>(std::count_if(in.begin(), in.end(), [](unsigned char c) { return c & 1; })) /
                     static_cast<double>(in.size());
        munmap(map, static_cast<std::size_t>(size));
    }
    ::close(fd);
    return cached;
}

struct Timing {
    bool ok = false;
    double firstMs = 0, endMs = 0;
    std::size_t tellings = 0, firstListed = 0, listed = 0;
    std::uint64_t hitLines = 0;  // listed and counted past the cap, at the end
};

Timing TimeOnce(const TSearchCFG& cfg, const Tstr& query, const std::string& path) {
    const CancelFlag cancel;
    PreviewScan scan(cfg, query, cancel);
    Timing t;
    const Clock::time_point start = Clock::now();
    t.ok = scan.Run(path, HitLinesLayout{}, [&](const HitLines& lines, bool done) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (t.tellings++ == 0) {
            t.firstMs = ms;
            t.firstListed = lines.lines.size();
        }
        if (done) {
            t.endMs = ms;
            t.listed = lines.lines.size();
            t.hitLines = lines.lines.size() + lines.more;
        }
    });
    return t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[(v.size() - 1) / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
    const std::string folder = argc > 2 ? argv[2] : "/var/tmp";
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const std::string path = folder + "/quarvel-preview-" + std::to_string(getpid()) + ".txt";
    if (megabytes < 1) {
        std::fputs("usage: bench_preview_first_lines [SIZE_MB] [FOLDER] [RUNS]\n", stderr);
        return 2;
    }
    const long long size = WriteFile(path, megabytes * 1024 * 1024);
    if (size < 0) {
        std::perror(path.c_str());
        unlink(path.c_str());
        return 2;
    }
    std::printf("preview of one found file: %s, %.1f MB, %ld lines holding \"needle\" (one in every %lld bytes), "
                "the window's layout (cap %zu lines), %d runs each cold then warm\n",
                path.c_str(), static_cast<double>(size) / 1048576.0, kHitLines, megabytes * 1024 * 1024 / kHitLines,
                HitLinesLayout{}.cap, runs);
    std::printf("  first: from the start of PreviewScan::Run to its first telling of lines; end: to its last (the whole file read)\n");
    std::printf("%-6s %-5s %10s %10s %9s %8s %9s %10s %8s\n", "within", "cache", "first ms", "end ms", "MB/s", "tellings",
                "first n", "hit lines", "cached");

    bool allRight = true;
    double lineFirstCold = 0, lineFirstWarm = 0;
    for (std::uint32_t within : {kWithinLine, kWithinFile}) {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchWithin = within;
        std::string expression = "needle";
        const Tstr query(expression, cfg);
        std::vector<double> first[2], end[2], cached;
        Timing last[2];
        for (int run = 0; run < runs; ++run)
            for (int warm = 0; warm < 2; ++warm) {
                if (!warm) cached.push_back(DropFromCache(path, size));
                const Timing t = TimeOnce(cfg, query, path);
                if (!t.ok || t.hitLines != static_cast<std::uint64_t>(kHitLines)) allRight = false;
                first[warm].push_back(t.firstMs);
                end[warm].push_back(t.endMs);
                last[warm] = t;
            }
        for (int warm = 0; warm < 2; ++warm) {
            const double e = Median(end[warm]);
            char cachedText[16] = "";
            if (!warm) std::snprintf(cachedText, sizeof cachedText, "%.1f%%", Median(cached));
            std::printf("%-6s %-5s %10.1f %10.1f %9.0f %8zu %9zu %10llu %8s\n", within == kWithinLine ? "line" : "file",
                        warm ? "warm" : "cold", Median(first[warm]), e, e > 0 ? static_cast<double>(size) / 1048576.0 / (e / 1e3) : 0,
                        last[warm].tellings, last[warm].firstListed, static_cast<unsigned long long>(last[warm].hitLines),
                        cachedText);
        }
        if (within == kWithinLine) {
            lineFirstCold = Median(first[0]);
            lineFirstWarm = Median(first[1]);
        }
    }
    std::printf("  (tellings: how often the scan told its lines; first n: the lines listed at the first telling; hit lines:\n"
                "   listed and counted past the cap at the end, %ld expected; cached: the file's share still in the page\n"
                "   cache after the drop, median)\n",
                kHitLines);
    const double worst = std::max(lineFirstCold, lineFirstWarm);
    std::printf("first lines by lines: %.1f ms cold, %.1f ms warm (medians)  (target <= %.0f ms: %s)%s\n", lineFirstCold,
                lineFirstWarm, kFirstLinesTargetMs, worst <= kFirstLinesTargetMs ? "met" : "MISSED",
                allRight ? "" : "; SOME RUN FAILED OR TOLD ANOTHER NUMBER OF HIT LINES");
    std::printf("peak memory: %ld KB\n", PeakKilobytes());
    unlink(path.c_str());
    return allRight ? 0 : 1;
}
