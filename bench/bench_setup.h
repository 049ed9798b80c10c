#pragma once
// What the one-file benchmarks share: their arguments and the peak memory.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
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
