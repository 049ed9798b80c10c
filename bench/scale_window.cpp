// The main window at scale: a search that finds many files run from it (its
// results list filled row by row during the run), then that list of found
// rows painted, scrolled page by page to its end with every page timed, and
// jumped from the top to its last row. Prints one "ROW|..." figure line per
// step, as bench/scale.sh gathers them, and the details on other lines.
//
//   bench_scale_window FOLDER MASKS TERM
//       FOLDER and its sub-folders, the files of MASKS, whose content holds TERM
//       (plain ASCII).
//
// Needs a display: xvfb-run -a -s "-screen 0 1280x1024x24" bench_scale_window ...
// The main window is 1024 x 768 pixels.
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "bench/window_bench.h"
#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "app/tapp_wx.h"
#include "bench/bench_setup.h"
#include "platform/clock.h"
#include "results/results_list_wx.h"
#include "search/proces_dlg_wx.h"

namespace quarvel {
namespace {

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The progress dialog as the program has it, with the longest of its calls
// that let the window system deliver messages (the run's own pauses) and the
// longest time between two of them (how long the window waits for the run).
class TimedProcesDlg : public TProcesDlg {
public:
    using TProcesDlg::TProcesDlg;

    void PumpMessages() override {
        const Clock::time_point start = Clock::now();
        if (seen_) gap_ = std::max(gap_, std::chrono::duration<double>(start - last_).count());
        TProcesDlg::PumpMessages();
        last_ = Clock::now();
        seen_ = true;
        pump_ = std::max(pump_, SecondsSince(start));
        ++calls_;
    }
    double LongestPump() const { return pump_; }
    double LongestGap() const { return gap_; }
    long Calls() const { return calls_; }

private:
    Clock::time_point last_;
    bool seen_ = false;
    double pump_ = 0, gap_ = 0;
    long calls_ = 0;
};

void Row(const std::string& name, std::size_t files, std::size_t found, double seconds, const std::string& rate,
         const std::string& notes) {
    char time[32];
    if (seconds < 1)
        std::snprintf(time, sizeof time, "%.1f ms", seconds * 1e3);
    else
        std::snprintf(time, sizeof time, "%.2f s", seconds);
    std::printf("ROW|%s|%zu|%zu|%s|%s|%.1f|%s\n", name.c_str(), files, found, time, rate.c_str(),
                PeakKilobytes() / 1024.0, notes.c_str());
    std::fflush(stdout);
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[200];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

int Work(TMainFrame& frame, ProgramState& state) {
    TSearchCFG& cfg = state.search;
    TListWindow1* list = frame.List();
    auto run = std::make_unique<TimedProcesDlg>(frame.Client(), "Search", list, cfg, state.query);
    Clock::time_point start = Clock::now();
    run->ShowModal();
    const double searched = SecondsSince(start);
    const std::size_t count = list->Rows();
    Row("window: search, results list filled as it runs", cfg.GFiles, cfg.FoundFiles.size(), searched,
        Format("%.0f files/s", cfg.GFiles / searched),
        Format("%.0f rows in the list; longest message pumping %.1f ms, longest wait between two %.1f ms", count,
               run->LongestPump() * 1e3, run->LongestGap() * 1e3));
    if (count < 2 || count != cfg.FoundFiles.size()) return 1;

    // The list asks for a cache hint whenever a paint draws rows.
    long paints = 0;
    list->Bind(wxEVT_LIST_CACHE_HINT, [&](wxListEvent& event) {
        ++paints;
        event.Skip();
    });
    // Paints what is pending until rows have been drawn.
    auto paint = [&]() {
        const long before = paints;
        for (int passes = 0; paints == before && passes < 20; ++passes) {
            list->Update();
            wxTheApp->ProcessPendingEvents();
        }
        return paints != before;
    };
    list->EnsureVisible(0);
    start = Clock::now();
    const bool painted = paint();
    const double first = SecondsSince(start);
    const long page = list->GetCountPerPage();
    const long rows = static_cast<long>(count);
    Row("window: found rows, paint of the top", count, count, first, "-",
        Format("%.0f rows a page", static_cast<double>(page)) + (painted ? "" : "; NOT PAINTED"));
    if (!painted || page < 1 || rows <= page) return 1;

    // Page by page to the end, each page timed: the row after the last one shown becomes the first.
    std::vector<double> pages;
    long missed = 0;
    start = Clock::now();
    while (list->GetTopItem() + page < rows) {
        const long before = paints;
        const Clock::time_point one = Clock::now();
        list->EnsureVisible(std::min(rows - 1, list->GetTopItem() + 2 * page - 1));
        list->Update();
        pages.push_back(SecondsSince(one));
        if (paints == before) ++missed;
    }
    const double scrolled = SecondsSince(start);
    std::vector<double> sorted = pages;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2], longest = sorted.back();
    const double slow = static_cast<double>(std::count_if(pages.begin(), pages.end(), [](double s) { return s > 0.1; }));
    Row("window: found rows scrolled page by page to the end", count, count, scrolled,
        Format("%.0f rows/s", static_cast<double>(pages.size()) * page / scrolled),
        Format("%.0f pages: median %.1f ms a page, ", static_cast<double>(pages.size()), median * 1e3) +
            Format("longest %.1f ms, %.0f over 100 ms", longest * 1e3, slow) +
            (missed ? "; SOME PAGES NOT PAINTED" : ""));

    // Back to the top, then one jump to the last row.
    list->EnsureVisible(0);
    paint();
    const long before = paints;
    start = Clock::now();
    list->EnsureVisible(rows - 1);
    list->Update();
    const double jumped = SecondsSince(start);
    Row("window: found rows, jump from the top to the last row", count, count, jumped, "-",
        Format("top row %.0f", static_cast<double>(list->GetTopItem())) + (paints == before ? "; NOT PAINTED" : ""));
    return missed || paints == before ? 1 : 0;
}

}  // namespace
}  // namespace quarvel

int main(int argc, char** argv) {
    using namespace quarvel;
    std::setlocale(LC_ALL, "");
    if (argc != 4) {
        std::fputs("usage: bench_scale_window FOLDER MASKS TERM\n", stderr);
        return 2;
    }
    ProgramState state;
    TSearchCFG& c = state.search;
    c.SetDefaults();
    const std::uint16_t today = TodayDosDate();
    c.SearchDateFrom = c.SearchDateBefore = today;
    c.SearchDefaultPath = argv[1];
    c.SearchFilesMask = argv[2];
    c.SearchIncludeSubDir = 1;
    c.SearchString = argv[3];
    c.DeriveWindows(today);
    return RunApplication("bench_scale_window", argv, state, wxSize(1024, 768),
                          [&](TMainFrame& frame) { return Work(frame, state); });
}
