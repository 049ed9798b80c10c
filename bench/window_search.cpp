// Times the main window: a whole search run from it, and its results list.
//
//   bench_window_search search FOLDER MASKS EXPRESSION [options]
//       Searches FOLDER and its sub-folders for the files of MASKS (a file list,
//       as -f takes it) whose content satisfies EXPRESSION, set up as quarvel-cli
//       sets up "-r -p FOLDER -f MASKS EXPRESSION", and runs it from the main
//       window as its New command does once the search dialog has closed. Prints
//       one line: the seconds of the run alone (the progress dialog's ShowModal)
//       and the number of files found, then what the run searched and showed.
//       Options: --within UNIT (file, page, line, sentence), --code CODE (both,
//       ansi, oem), -i (ignore case), --no-subdir, --paths FILE (the found paths,
//       one a line), --hide-frame (the main window hidden during the run),
//       --breakdown (then the processor time of the run, and the time spent in
//       the calls the run makes to the progress dialog).
//   bench_window_search list [N] [--short]
//       Fills the record with N made-up found files (100000 by default) and times
//       showing them with the first paint, scrolling page by page from the top to
//       the end, and one jump from the top to the last row. Their folders are
//       as long as the Linux tree's, too long for their column; with --short
//       they fit it.
//
// Needs a display: xvfb-run -a -s "-screen 0 1280x1024x24" bench_window_search ...
// The main window is 1024 x 768 pixels in both modes.
#include <langinfo.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "bench/window_bench.h"
#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "app/tapp_wx.h"
#include "platform/clock.h"
#include "platform/text_conv.h"
#include "results/results_list_wx.h"
#include "search/proces_dlg_wx.h"

namespace quarvel {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const wxSize kFrameSize(1024, 768);

struct SearchOptions {
    std::string folder, masks, expression, pathsFile;
    std::uint32_t within = kWithinFile;
    std::uint32_t code = kCodeBoth;
    bool ignoreCase = false, subfolders = true, hideFrame = false, breakdown = false;
};

// The progress dialog as the program has it; with a breakdown it also times
// the calls the run makes to the window.
class BenchProcesDlg : public TProcesDlg {
public:
    BenchProcesDlg(wxWindow* parent, TListWindow1* list, TSearchCFG& cfg, std::unique_ptr<Tstr>& query,
                   bool breakdown)
        : TProcesDlg(parent, "Search", list, cfg, query), breakdown_(breakdown) {}

    void PumpMessages() override { Timed(pump_, [this] { TProcesDlg::PumpMessages(); }); }
    void SetStatusText(const std::string& text) override {
        Timed(status_, [&] { TProcesDlg::SetStatusText(text); });
    }
    void ScanFinished() override { Timed(finish_, [this] { TProcesDlg::ScanFinished(); }); }

    void PrintBreakdown() const {
        auto line = [](const char* what, const Calls& calls) {
            std::printf("  %-14s %8lu calls %9.1f ms, %lu of them over 0.1 ms (%.1f ms, longest %.1f ms)\n", what,
                        calls.count, calls.seconds * 1e3, calls.slow, calls.slowSeconds * 1e3, calls.longest * 1e3);
        };
        line("PumpMessages", pump_);
        line("SetStatusText", status_);
        line("ScanFinished", finish_);
    }

private:
    struct Calls {
        unsigned long count = 0, slow = 0;
        double seconds = 0, slowSeconds = 0, longest = 0;
    };
    template <typename Call>
    void Timed(Calls& calls, Call call) {
        if (!breakdown_) return call();
        const Clock::time_point start = Clock::now();
        call();
        const double seconds = SecondsSince(start);
        ++calls.count;
        calls.seconds += seconds;
        calls.longest = std::max(calls.longest, seconds);
        if (seconds > 1e-4) {
            ++calls.slow;
            calls.slowSeconds += seconds;
        }
    }
    bool breakdown_;
    Calls pump_, status_, finish_;
};

// The processor time of the process so far, user and system, in seconds.
std::pair<double, double> ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

int Usage() {
    std::fputs(
        "usage: bench_window_search search FOLDER MASKS EXPRESSION [--within UNIT] [--code CODE] [-i]\n"
        "                                  [--no-subdir] [--paths FILE] [--hide-frame] [--breakdown]\n"
        "       bench_window_search list [N] [--short]\n",
        stderr);
    return 2;
}

bool ParseSearch(int argc, char** argv, SearchOptions& o) {
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--within") {
            if (!value(v)) return false;
            const char* units[] = {"file", "page", "line", "sentence"};
            auto it = std::find(std::begin(units), std::end(units), v);
            if (it == std::end(units)) return false;
            o.within = static_cast<std::uint32_t>(it - std::begin(units));
        } else if (a == "--code") {
            if (!value(v)) return false;
            const char* codes[] = {"oem", "ansi", "both"};
            auto it = std::find(std::begin(codes), std::end(codes), v);
            if (it == std::end(codes)) return false;
            o.code = static_cast<std::uint32_t>(it - std::begin(codes));
        } else if (a == "-i") {
            o.ignoreCase = true;
        } else if (a == "--no-subdir") {
            o.subfolders = false;
        } else if (a == "--hide-frame") {
            o.hideFrame = true;
        } else if (a == "--breakdown") {
            o.breakdown = true;
        } else if (a == "--paths") {
            if (!value(o.pathsFile)) return false;
        } else if (a.size() > 1 && a[0] == '-' && positional.size() < 2) {
            return false;  // an unknown option (the expression itself may begin with the NOT operator)
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 3) return false;
    o.folder = positional[0];
    o.masks = positional[1];
    o.expression = positional[2];
    return true;
}

// The search record as quarvel-cli fills it for the same options: the
// defaults of a first run, today's date in the date fields, the options, and
// the derived date and size windows.
bool SetUpRecord(const SearchOptions& o, TSearchCFG& c) {
    c.SetDefaults();
    const std::uint16_t today = TodayDosDate();
    c.SearchDateFrom = c.SearchDateBefore = today;
    c.SearchDefaultPath = o.folder;
    c.SearchFilesMask = o.masks;
    c.SearchIncludeSubDir = o.subfolders ? 1 : 0;
    c.SearchIgnoreCase = o.ignoreCase ? 1 : 0;
    c.SearchWithin = o.within;
    c.SearchCode = o.code;
    c.SearchString = o.expression;  // search text is UTF-8, as a UTF-8 terminal types it
    for (const std::string* text : {&c.SearchString, &c.SearchFilesMask, &c.SearchDefaultPath})
        if (text->size() >= kPathBufferSize) {
            std::fputs("bench_window_search: a text of at most 259 bytes is allowed\n", stderr);
            return false;
        }
    c.DeriveWindows(today);
    return true;
}

int Search(int argc, char** argv) {
    SearchOptions o;
    if (!ParseSearch(argc, argv, o)) return Usage();
    ProgramState state;
    if (!SetUpRecord(o, state.search)) return 2;
    return RunApplication("bench_window_search", argv, state, kFrameSize, [&](TMainFrame& frame) {
        if (o.hideFrame) frame.Hide();
        auto run = std::make_unique<BenchProcesDlg>(frame.Client(), frame.List(), state.search, state.query,
                                                    o.breakdown);
        const auto [user, system] = ProcessorSeconds();
        const Clock::time_point start = Clock::now();
        const int code = run->ShowModal();
        const double seconds = SecondsSince(start);
        const auto [userAfter, systemAfter] = ProcessorSeconds();
        std::printf("run %.3f s found %zu files searched %u rows %zu%s\n", seconds, state.search.FoundFiles.size(),
                    state.search.GFiles, frame.List()->Rows(), code == wxID_OK ? "" : " (cancelled or none)");
        if (o.breakdown) {
            std::printf("  processor      %.3f s user, %.3f s system during the run\n", userAfter - user,
                        systemAfter - system);
            run->PrintBreakdown();
        }
        std::fflush(stdout);
        if (!o.pathsFile.empty()) {
            std::FILE* out = std::fopen(o.pathsFile.c_str(), "w");
            if (!out) {
                std::perror(o.pathsFile.c_str());
                return 2;
            }
            for (const TSaveFile& f : state.search.FoundFiles) std::fprintf(out, "%s\n", f.Path().c_str());
            std::fclose(out);
        }
        return state.search.FoundFiles.empty() ? 1 : 0;
    });
}

// N found files that look like a search of a source tree: about 25 files a
// folder sharing its folder text, as the folder walk makes them.
// Short folders (--short) fit their column, so the list draws them without cutting them.
void MakeFoundFiles(std::size_t count, bool shortFolders, TSaveFileArray& files) {
    static const char* const top[] = {"drivers", "fs", "net", "kernel", "arch/x86", "sound", "include/linux", "mm"};
    static const char* const mid[] = {"core", "usb", "gpu/drm", "net/ethernet", "media", "scsi", "block", "misc"};
    static const char* const words[] = {"mutex", "lock", "queue", "device", "buffer", "table", "event", "power",
                                        "clock", "irq", "dma", "page", "cache", "link", "port", "timer"};
    std::mt19937 random(20230611);
    const std::time_t newest = std::time(nullptr), oldest = newest - 8L * 365 * 24 * 3600;
    files.clear();
    files.reserve(count);
    SharedText folder;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 25 == 0) {
            char text[200];
            if (shortFolders)
                std::snprintf(text, sizeof text, "/src/%s_%zu", words[random() % 16], i / 25);
            else
                std::snprintf(text, sizeof text, "/var/tmp/quarvel-bench/linux-source-6.1/%s/%s/%s_%zu",
                              top[random() % 8], mid[random() % 8], words[random() % 16], i / 25);
            folder = SharedText(text);
        }
        char name[96];
        std::snprintf(name, sizeof name, "%s_%s%zu.%c", words[random() % 16], words[random() % 16], i % 1000,
                      "ch"[random() % 2]);
        TSaveFile f;
        f.name = SharedText(name);
        f.folder = folder;
        f.size = 200 + random() % 300000;
        const DosStamp stamp = DosStampFromTime(oldest + static_cast<std::time_t>(random() % (newest - oldest)));
        f.date = stamp.date;
        f.time = stamp.time;
        files.push_back(std::move(f));
    }
}

int List(int argc, char** argv) {
    long count = 100000;
    bool shortFolders = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0)
            shortFolders = true;
        else if ((count = std::atol(argv[i])) < 1)
            return Usage();
    }
    ProgramState state;
    state.search.SetDefaults();
    MakeFoundFiles(static_cast<std::size_t>(count), shortFolders, state.search.FoundFiles);
    return RunApplication("bench_window_search", argv, state, kFrameSize, [&](TMainFrame& frame) {
        TListWindow1* list = frame.List();
        // The list asks for a cache hint whenever a paint draws rows.
        long paints = 0;
        list->Bind(wxEVT_LIST_CACHE_HINT, [&](wxListEvent& event) {
            ++paints;
            event.Skip();
        });
        // Paints what is pending until rows have been drawn: a paint after a
        // change of the row count only lays the rows out and asks for another.
        auto paint = [&]() {
            const long before = paints;
            int passes = 0;
            while (paints == before && passes < 20) {
                list->Update();
                wxTheApp->ProcessPendingEvents();
                ++passes;
            }
            return paints == before ? -1 : passes;
        };

        Clock::time_point start = Clock::now();
        list->ShowRows(static_cast<std::size_t>(count));
        const double show = SecondsSince(start);
        const int passes = paint();
        const double shown = SecondsSince(start);
        const long page = list->GetCountPerPage();
        std::printf("list of %ld rows, %ld rows a page, list %dx%d pixels\n", count, page, list->GetClientSize().x,
                    list->GetClientSize().y);
        std::printf("show rows + first paint  %8.2f ms  (ShowRows %.2f ms, paint passes %d)\n", shown * 1e3,
                    show * 1e3, passes);
        if (passes < 0 || page < 1) {
            std::puts("the list did not paint its rows");
            return 1;
        }
        if (count <= page) {
            std::puts("the rows fit one page: nothing to scroll");
            return 0;
        }

        // Page by page to the end: the row after the last one shown becomes the first.
        long pages = 0, missed = 0;
        start = Clock::now();
        while (list->GetTopItem() + page < count) {
            const long before = paints;
            list->EnsureVisible(std::min(count - 1, list->GetTopItem() + 2 * page - 1));
            list->Update();
            ++pages;
            if (paints == before) ++missed;
        }
        const double scrolled = SecondsSince(start);
        std::printf("page by page to the end  %8.2f ms  (%ld pages, %.0f pages/s, %.3f ms a page, top row %ld%s)\n",
                    scrolled * 1e3, pages, pages / scrolled, scrolled * 1e3 / pages, list->GetTopItem(),
                    missed ? ", SOME PAGES NOT PAINTED" : "");

        // Back to the top, then one jump to the last row.
        list->EnsureVisible(0);
        paint();
        const long before = paints;
        start = Clock::now();
        list->EnsureVisible(count - 1);
        list->Update();
        const double jumped = SecondsSince(start);
        std::printf("jump top to last row     %8.2f ms  (top row %ld%s)\n", jumped * 1e3, list->GetTopItem(),
                    paints == before ? ", NOT PAINTED" : "");
        std::fflush(stdout);
        return missed || paints == before ? 1 : 0;
    });
}

}  // namespace
}  // namespace quarvel

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc < 2) return quarvel::Usage();
    const std::string mode = argv[1];
    if (mode == "search") return quarvel::Search(argc, argv);
    if (mode == "list") return quarvel::List(argc, argv);
    return quarvel::Usage();
}
