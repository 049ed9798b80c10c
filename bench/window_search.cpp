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
//       --threads N (the threads that decide the files, as quarvel-cli -j takes
//       them; 0, the default, is one for each usable processor), --breakdown
//       (then the processor time of the run, and the time spent in the calls
//       the run makes to the progress dialog).
//       --cancel-after MS presses Cancel MS milliseconds after the dialog has
//       shown, the run under way, and prints instead how long ShowModal took to
//       return after the press: every thread of the run stopped and the dialog
//       gone. Its messages ("String(s) not found" and the like) are printed
//       on that line, not shown, so that no message box waits for a click.
//   bench_window_search list [N] [--short] [--sort-rounds R]
//       Fills the record with N made-up found files (100000 by default) and times
//       showing them with the first paint, scrolling page by page from the top to
//       the end, and one jump from the top to the last row. Their folders are
//       as long as the Linux tree's, too long for their column; with --short
//       they fit it. Then it times sorting by a column's header (SortBy, as a
//       click on it does) by name, folder, size, date and made-up hit counts:
//       the first click, the second (reversed) and the third (back to the found
//       order), each with the repaint it causes, R rounds (3 by default), and
//       prints the longest against 150 ms.
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
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "bench/made_up_files.h"
#include "bench/window_bench.h"
#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "app/tapp_wx.h"
#include "platform/clock.h"
#include "platform/processors.h"
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
    unsigned threads = 0;
    long cancelAfter = -1;  // milliseconds; below 0 the run goes to its end
    bool ignoreCase = false, subfolders = true, hideFrame = false, breakdown = false;
};

// The progress dialog as the program has it; with a breakdown it also times
// the calls the run makes to the window, and it can press its own Cancel.
//
// The overrides of the run's calls come on the run's thread, one at a time:
// they touch no window themselves, only the counters below, which the
// user-interface thread reads once ShowModal has returned (the run's thread
// joined). What they pass on to TProcesDlg hands its window work over to the
// user-interface thread as it always does.
class BenchProcesDlg : public TProcesDlg {
public:
    BenchProcesDlg(wxWindow* parent, TListWindow1* list, TSearchCFG& cfg, std::unique_ptr<Tstr>& query,
                   unsigned threads, bool breakdown, long cancelAfter)
        : TProcesDlg(parent, "Search", list, cfg, query, threads), breakdown_(breakdown), cancelAfter_(cancelAfter) {
        // A timer of its own: the dialog's timer events go to its refresh.
        press_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            pressedAt_ = Clock::now();
            pressed_ = true;
            OnCancel();
        });
    }

    void PumpMessages() override { Timed(pump_, [this] { TProcesDlg::PumpMessages(); }); }
    void SetStatusText(const std::string& text) override {
        Timed(status_, [&] { TProcesDlg::SetStatusText(text); });
    }
    void ScanFinished() override { Timed(finish_, [this] { TProcesDlg::ScanFinished(); }); }

    using TProcesDlg::ShowMessage;
    void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override {
        if (cancelAfter_ < 0) return TProcesDlg::ShowMessage(text, caption, kind);
        messages_.push_back(text);
        // What the dialog does before its message box, on the user-interface thread.
        RunOnUiThread([this] { ShowRowsFoundSoFar(); });
    }

    // Once ShowModal has returned: whether Cancel was pressed, and when.
    bool Pressed() const { return pressed_; }
    Clock::time_point PressedAt() const { return pressedAt_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    void StopPress() { press_.Stop(); }

    void PrintBreakdown() const {
        auto line = [](const char* what, const Calls& calls) {
            std::printf("  %-14s %8lu calls %9.1f ms, %lu of them over 0.1 ms (%.1f ms, longest %.1f ms)\n", what,
                        calls.count, calls.seconds * 1e3, calls.slow, calls.slowSeconds * 1e3, calls.longest * 1e3);
        };
        line("PumpMessages", pump_);
        line("SetStatusText", status_);
        line("ScanFinished", finish_);
    }

protected:
    void OnShown() override {
        if (cancelAfter_ >= 0) press_.StartOnce(static_cast<int>(std::max(1L, cancelAfter_)));
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
    long cancelAfter_;
    Calls pump_, status_, finish_;
    wxTimer press_;
    bool pressed_ = false;  // both on the user-interface thread
    Clock::time_point pressedAt_{};
    std::vector<std::string> messages_;  // on the run's thread
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
        "                                  [--no-subdir] [--paths FILE] [--hide-frame] [--threads N]\n"
        "                                  [--breakdown] [--cancel-after MS]\n"
        "       bench_window_search list [N] [--short] [--sort-rounds R]\n",
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
        } else if (a == "--threads" || a == "--cancel-after") {
            if (!value(v)) return false;
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n < 0 || n > (a == "--threads" ? 256L : 3600000L)) return false;
            if (a == "--threads")
                o.threads = static_cast<unsigned>(n);
            else
                o.cancelAfter = n;
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
        const unsigned threads = RunThreads(o.threads);
        auto run = std::make_unique<BenchProcesDlg>(frame.Client(), frame.List(), state.search, state.query,
                                                    threads, o.breakdown, o.cancelAfter);
        const auto [user, system] = ProcessorSeconds();
        const Clock::time_point start = Clock::now();
        const int code = run->ShowModal();
        const Clock::time_point end = Clock::now();
        const double seconds = std::chrono::duration<double>(end - start).count();
        const auto [userAfter, systemAfter] = ProcessorSeconds();
        if (o.cancelAfter >= 0) {
            run->StopPress();
            // A press that comes once the run has ended but before the dialog
            // has gone finds nothing to stop: the run ends as it would have.
            if (!run->Pressed() || code == wxID_OK) {
                std::printf("cancel not pressed in time: the run ended after %.3f s, before %ld ms; threads %u\n",
                            seconds, o.cancelAfter, threads);
                return 1;
            }
            std::string messages;
            for (const std::string& text : run->Messages()) {
                messages += messages.empty() ? "; messages: " : ", ";
                for (char c : text) messages += c == '\n' ? ' ' : c;
            }
            std::printf("cancel latency %.1f ms, pressed %.0f ms into the run; found %zu files, threads %u%s\n",
                        std::chrono::duration<double, std::milli>(end - run->PressedAt()).count(),
                        std::chrono::duration<double, std::milli>(run->PressedAt() - start).count(),
                        state.search.FoundFiles.size(), threads, messages.c_str());
            std::fflush(stdout);
            return 0;
        }
        std::printf("run %.3f s found %zu files searched %u rows %zu threads %u%s\n", seconds,
                    state.search.FoundFiles.size(), state.search.GFiles, frame.List()->Rows(), threads,
                    code == wxID_OK ? "" : " (cancelled or none)");
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

// A click on a column's header, as the list takes it: sorted by the column,
// reversed, back to the found order, each click timed with the repaint it
// causes, ROUNDS times over. Made-up hit counts fill the Hits column, and the
// middle row is selected, so that each sort also finds its file's new row and
// scrolls to it. Prints the times and the longest against the target; true
// when a click was not painted, lost the selected file or left another order.
bool TimeSorts(TListWindow1& list, std::size_t count, int rounds, const std::function<int()>& paint) {
    constexpr double kTargetMs = 150;
    struct Header {
        int column;
        const char* name;
    };
    // Date and Time sort by one key: the Date header stands for both.
    const Header headers[] = {{0, "name"}, {1, "folder"}, {2, "size"}, {3, "date"}, {5, "hits"}};
    const char* const clicks[] = {"1st: sorted", "2nd: reversed", "3rd: found order"};
    constexpr std::size_t kHeaders = sizeof headers / sizeof headers[0];

    list.Hits() = MakeHitCounts(count);
    list.HitsChanged(true);
    const int selected = static_cast<int>(count / 2);
    list.SelectRow(selected, true);
    list.EnsureVisible(selected);
    paint();

    // Each click's whole time, and the time of it spent in SortBy (the order, the
    // selection followed, the rows marked for their repaint).
    std::vector<double> ms[kHeaders][3], sortMs[kHeaders][3];
    bool unpainted = false, wrong = false;
    for (int round = 0; round < rounds; ++round)
        for (std::size_t h = 0; h < kHeaders; ++h)
            for (int click = 0; click < 3; ++click) {
                const Clock::time_point start = Clock::now();
                list.SortBy(headers[h].column);
                sortMs[h][click].push_back(SecondsSince(start) * 1e3);
                const int passes = paint();
                ms[h][click].push_back(SecondsSince(start) * 1e3);
                if (passes < 0) unpainted = true;
                if (list.SelectedFile() != selected) wrong = true;
                const bool sorted = list.Order().Column() != SortColumn::Found;
                if (sorted != (click < 2) || (sorted && list.Order().Descending() != (click == 1))) wrong = true;
            }

    std::printf("\nsort by a column's header, %zu rows, %d rounds (each time: SortBy and the repaint it causes;\n"
                "made-up hit counts, the middle row selected and followed; SortBy ms: the median of its time before the repaint):\n",
                count, rounds);
    std::printf("  %-8s %-17s %10s %9s   %s\n", "column", "click", "median ms", "SortBy ms", "each round, ms");
    double longest = 0, longestMedian = 0;
    for (std::size_t h = 0; h < kHeaders; ++h)
        for (int click = 0; click < 3; ++click) {
            const ClickTimes times = SummarizeClicks(ms[h][click]);
            longest = std::max(longest, times.longest);
            longestMedian = std::max(longestMedian, times.median);
            std::printf("  %-8s %-17s %10.1f %9.1f   %s\n", click == 0 ? headers[h].name : "", clicks[click],
                        times.median, SummarizeClicks(sortMs[h][click]).median, times.each.c_str());
        }
    std::printf("longest sort with its repaint %.1f ms (longest median %.1f ms)  (target <= %.0f ms: %s)%s%s\n",
                longest, longestMedian, kTargetMs, longest <= kTargetMs ? "met" : "MISSED",
                unpainted ? ", SOME SORTS NOT PAINTED" : "",
                wrong ? ", THE SELECTED FILE LOST OR THE ORDER NOT THE ONE CLICKED" : "");
    std::fflush(stdout);
    return unpainted || wrong;
}

int List(int argc, char** argv) {
    long count = 100000;
    int sortRounds = 3;
    bool shortFolders = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0)
            shortFolders = true;
        else if (std::strcmp(argv[i], "--sort-rounds") == 0 && i + 1 < argc)
            sortRounds = std::max(1, std::atoi(argv[++i]));
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
        std::function<int()> paint = [&]() {
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
        const bool sortFailed = TimeSorts(*list, static_cast<std::size_t>(count), sortRounds, paint);
        return missed || paints == before || sortFailed ? 1 : 0;
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
