#pragma once
// What the one-file benchmarks share: their arguments and the peak memory.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

// The peak resident memory of the process so far, in KB.
inline long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// [SIZE_MB] [FOLDER]: the size asked for, and a file name of this process in the folder.
struct BenchArguments {
    long long megabytes;
    std::string folder, name, path;
};

inline BenchArguments ReadBenchArguments(int argc, char** argv, long long defaultMegabytes, const char* prefix,
                                         const char* extension) {
    BenchArguments args{argc > 1 ? std::atoll(argv[1]) : defaultMegabytes, argc > 2 ? argv[2] : "/tmp",
                        prefix + std::to_string(getpid()) + extension, {}};
    args.path = args.folder + "/" + args.name;
    return args;
}

// Writes about `bytes` of source-like text lines; about one line in forty
// holds "mutex_lock" or "mutex_unlock". Returns the bytes written, or -1.
inline long long WriteSourceLikeText(const std::string& path, long long bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return -1;
    const char* words[] = {"static", "int", "return", "struct", "device", "(void)", "{", "}", "if", "else",
                           "0x1f;", "buffer", "count", "unsigned", "long", "*dev", "=", "->", "priv", "err"};
    std::mt19937 rng(1);
    long long written = 0;
    std::string line;
    while (written < bytes) {
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
    return std::fclose(out) == 0 ? written : -1;
}
