// Scale figures of the engine: many files, many found files, one very large
// file, and the viewer stepping to a hit past 4 GiB. Each figure is one line
// "ROW|case|files|found|time|rate|peak MB|notes", which bench/scale.sh
// gathers into one table; other lines are details.
//
//   bench_scale make-tree DIR FOLDERS FILES
//       Creates DIR/dNNN/fNNNNN.txt: FOLDERS folders of FILES files of a few
//       hundred bytes. Every 50th file holds "scaleneedle", every other file
//       holds "scalehalf" (so half of them).
//   bench_scale tree CASE DIR TERM
//       Searches DIR and its sub-folders, all files, for TERM (Search mode, as
//       the main window's run does), and prints the run's figures: files
//       searched, found, seconds, files a second, the peak resident memory of
//       the process, the memory once the search list was gathered and at the end.
//   bench_scale sparse PATH [SIZE_MB]
//       Makes PATH a sparse file of SIZE_MB (5120 by default, at least 4700)
//       with a few lines holding "scaleneedle": one at 2 GiB, the others past
//       4 GiB. Searches it (Search mode), opens it as the View command does
//       (Open mode: every hit and the line table), then steps with Next hit
//       until the top of the viewer lies past 4 GiB and checks that the rows
//       read there show the term. Removes the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "platform/clock.h"
#include "search/search_run.h"
#include "viewer/view_model.h"

using namespace quarvel;

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

// The resident memory of the process now, in KB.
long ResidentKilobytes() {
    std::FILE* in = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (in) {
        if (std::fscanf(in, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(in);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Prints messages; notes the resident memory when the first file's scan
// begins (the search list gathered and filtered).
struct Watcher : RunObserver {
    void ShowMessage(const std::string& text, const std::string&, MessageKind) override {
        if (text.rfind("File is changed:", 0) != 0) std::fprintf(stderr, "%s\n", text.c_str());
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string&, const std::string&, const std::string& path,
                                         const std::string& reason) override {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), reason.c_str());
        return AbortRetryIgnore::Abort;
    }
    void SetStatusText(const std::string& text) override {
        if (gathered == 0 && text != kPleaseWait) gathered = ResidentKilobytes();
    }
    long gathered = 0;
};

// Times under a second show in milliseconds.
void Row(const char* name, std::size_t files, std::size_t found, double seconds, double rate, const char* rateUnit,
         long peakKb, const std::string& notes) {
    char time[32];
    if (seconds < 1)
        std::snprintf(time, sizeof time, "%.1f ms", seconds * 1e3);
    else
        std::snprintf(time, sizeof time, "%.2f s", seconds);
    std::printf("ROW|%s|%zu|%zu|%s|%.0f %s|%.1f|%s\n", name, files, found, time, rate, rateUnit, peakKb / 1024.0,
                notes.c_str());
    std::fflush(stdout);
}

int MakeTree(const std::string& dir, int folders, int files) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        std::perror(dir.c_str());
        return 2;
    }
    static const char* const words[] = {"static", "int", "return", "struct", "device", "buffer", "count",
                                        "unsigned", "long", "priv", "err", "queue", "table", "event"};
    std::mt19937 rng(7);
    std::string text, path;
    long made = 0;
    for (int d = 0; d < folders; ++d) {
        char folder[32];
        std::snprintf(folder, sizeof folder, "/d%03d", d);
        const std::string folderPath = dir + folder;
        if (mkdir(folderPath.c_str(), 0700) != 0 && errno != EEXIST) {
            std::perror(folderPath.c_str());
            return 2;
        }
        for (int f = 0; f < files; ++f, ++made) {
            text.clear();
            const int lines = 4 + static_cast<int>(rng() % 6);
            for (int l = 0; l < lines; ++l) {
                const int n = 4 + static_cast<int>(rng() % 8);
                for (int w = 0; w < n; ++w) text.append(words[rng() % 14]).push_back(' ');
                if (l == 1 && made % 2 == 0) text += "scalehalf ";
                if (l == 2 && made % 50 == 0) text += "scaleneedle ";
                text.push_back('\n');
            }
            char name[32];
            std::snprintf(name, sizeof name, "/f%05d.txt", f);
            path = folderPath + name;
            const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) || close(fd) != 0) {
                std::perror(path.c_str());
                return 2;
            }
        }
    }
    std::printf("made %ld files in %d folders under %s\n", made, folders, dir.c_str());
    return 0;
}

int Tree(const std::string& name, const std::string& dir, const std::string& term) {
    const long before = PeakKilobytes();
    TSearchCFG cfg;
    cfg.SetDefaults();
    const std::uint16_t today = TodayDosDate();
    cfg.SearchDateFrom = cfg.SearchDateBefore = today;
    cfg.SearchDefaultPath = dir;
    cfg.SearchFilesMask = "*";
    cfg.SearchIncludeSubDir = 1;
    cfg.SearchString = term;
    cfg.DeriveWindows(today);
    std::unique_ptr<Tstr> query;
    Watcher watcher;
    const Clock::time_point start = Clock::now();
    const RunResult result = SearchRun(cfg, query, watcher, RunMode::Search).Run();
    const double seconds = Since(start);
    const long peak = PeakKilobytes();
    if (result != RunResult::Ok) return 1;
    char notes[200];
    std::snprintf(notes, sizeof notes, "RSS %.1f MB at start, %.1f MB once the search list was gathered, %.1f MB at the end",
                  before / 1024.0, watcher.gathered / 1024.0, ResidentKilobytes() / 1024.0);
    Row(name.c_str(), cfg.GFiles, cfg.FoundFiles.size(), seconds, cfg.GFiles / seconds, "files/s", peak, notes);
    return 0;
}

// Writes text at an offset of the file.
bool WriteAt(int fd, std::uint64_t offset, const std::string& text) {
    return pwrite(fd, text.data(), text.size(), static_cast<off_t>(offset)) == static_cast<ssize_t>(text.size());
}

int Sparse(const std::string& path, long long megabytes) {
    if (megabytes < 4700) {
        std::fputs("bench_scale: the sparse file needs at least 4700 MB, for its hits past 4 GiB\n", stderr);
        return 2;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(megabytes) * 1024 * 1024;
    const std::vector<std::uint64_t> lines = {2 * kGiB, 4 * kGiB + 123456789, 4 * kGiB + kGiB / 2,
                                              size - 4096};
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        bool ok = fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) == 0;
        for (std::uint64_t at : lines)
            ok = ok && WriteAt(fd, at, "\nthe scaleneedle line at byte " + std::to_string(at + 1) + "\n");
        if (fd < 0 || !ok || close(fd) != 0) {
            std::perror(path.c_str());
            unlink(path.c_str());
            return 2;
        }
    }
    struct Remove {
        std::string path;
        ~Remove() { unlink(path.c_str()); }
    } remove{path};
    char label[64];
    std::snprintf(label, sizeof label, "%.3g GiB sparse file", megabytes / 1024.0);

    // Search mode: decides the file, reading no further than the outcome needs.
    // The first read of the file brings its holes into the page cache; the
    // second finds them there. With the Line unit the first hit, at 2 GiB,
    // decides.
    struct Pass {
        std::uint32_t within;
        const char* expression;
        const char* what;
        double megabytes;
        const char* notes;
    };
    const Pass passes[] = {
        {kWithinFile, "scaleneedle+-absentword", " (File unit, first read)", static_cast<double>(megabytes),
         "the whole file read (the NOT needs its end); its holes enter the page cache"},
        {kWithinFile, "scaleneedle+-absentword", " (File unit, cached)", static_cast<double>(megabytes),
         "the whole file read again, from the page cache"},
        {kWithinLine, "scaleneedle", " (Line unit)", 2048.0, "read up to the first hit, at 2 GiB"},
    };
    for (const Pass& pass : passes) {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchFilesMask = path;
        cfg.SearchIncludeSubDir = 0;
        cfg.SearchString = pass.expression;
        cfg.SearchWithin = pass.within;
        cfg.DeriveWindows(0xFFFF);
        std::unique_ptr<Tstr> query;
        Watcher watcher;
        const Clock::time_point start = Clock::now();
        const RunResult result = SearchRun(cfg, query, watcher, RunMode::Search).Run();
        const double seconds = Since(start);
        if (result != RunResult::Ok) return 1;
        Row((std::string("search, ") + label + pass.what).c_str(), cfg.GFiles, cfg.FoundFiles.size(), seconds,
            pass.megabytes / seconds, "MB/s", PeakKilobytes(), pass.notes);
    }

    // Open mode, as the View command runs it, then the viewer's model.
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchFilesMask = path;
    cfg.SearchIncludeSubDir = 0;
    cfg.SearchString = "scaleneedle";
    cfg.SearchWithin = kWithinLine;
    cfg.DeriveWindows(0xFFFF);
    std::unique_ptr<Tstr> query;
    Watcher watcher;
    Clock::time_point start = Clock::now();
    const RunResult opened = SearchRun(cfg, query, watcher, RunMode::Open).Run();
    ViewFile file(path);
    const double openSeconds = Since(start);
    if (opened != RunResult::Ok || !file.IsOpen()) return 1;
    char notes[300];
    std::snprintf(notes, sizeof notes, "%zu hits, %zu line starts, longest line %" PRIu32, cfg.Hits.size(),
                  cfg.LineStarts.size(), cfg.LongestLine);
    Row((std::string("viewer open, ") + label).c_str(), 1, 1, openSeconds, megabytes / openSeconds, "MB/s", PeakKilobytes(),
        notes);

    for (const TSaveElem& hit : cfg.Hits)
        std::printf("hit at byte %" PRIu64 ", term %" PRIu32 ", unit satisfied %" PRIu32 "\n", hit.offset, hit.word,
                    hit.satisfied);

    ViewModel model(cfg, query.get(), file);
    model.SetWindowSize(120, 45);
    (void)model.ReadRows(model.RowsPerWindow());
    int steps = 0;
    double longest = 0;
    start = Clock::now();
    while (model.TopOffset() <= 4 * kGiB) {
        const Clock::time_point step = Clock::now();
        if (!model.NextHit()) break;
        (void)model.ReadRows(model.RowsPerWindow());  // as the repaint after the step does
        longest = std::max(longest, Since(step));
        ++steps;
    }
    const double stepSeconds = Since(start);
    const std::uint64_t top = model.TopOffset();
    const std::vector<ViewRow> rows = model.ReadRows(model.RowsPerWindow());
    const ViewRow* shown = nullptr;
    for (const ViewRow& row : rows)
        if (!shown && row.text.find("scaleneedle") != std::string::npos) shown = &row;
    std::printf("viewer top after %d Next hit steps: byte %" PRIu64 " (%.3f GiB); caption %s\n", steps, top,
                static_cast<double>(top) / kGiB, model.Caption().c_str());
    if (shown)
        std::printf("row at byte %" PRIu64 " shows \"%s\" (%zu marks)\n", shown->start, shown->text.c_str(),
                    model.MarksFor(*shown).size());
    const bool ok = top > 4 * kGiB && shown;
    std::snprintf(notes, sizeof notes, "top at byte %" PRIu64 " (%.3f GiB), longest step %.2f ms; %s", top,
                  static_cast<double>(top) / kGiB, longest * 1e3,
                  ok ? ("the rows there show \"" + shown->text.substr(0, 40) + "\"").c_str()
                     : "FAILED: the term is not shown past 4 GiB");
    Row(("viewer Next hit to past 4 GiB (" + std::to_string(steps) + " steps)").c_str(), 1, 1,
        stepSeconds, steps / stepSeconds, "steps/s", PeakKilobytes(), notes);
    return ok ? 0 : 1;
}

int Usage() {
    std::fputs(
        "usage: bench_scale make-tree DIR FOLDERS FILES\n"
        "       bench_scale tree CASE DIR TERM\n"
        "       bench_scale sparse PATH [SIZE_MB]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string mode = argv[1];
    if (mode == "make-tree" && argc == 5) return MakeTree(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (mode == "tree" && argc == 5) return Tree(argv[2], argv[3], argv[4]);
    if (mode == "sparse" && (argc == 3 || argc == 4)) return Sparse(argv[2], argc == 4 ? std::atoll(argv[3]) : 5120);
    return Usage();
}
