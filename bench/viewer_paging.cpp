// Times the viewer on large text files: opening (the View command's one-file
// run, which builds the line table and collects the hits), then paging down
// and up through the file, jumping to its end and stepping from hit to hit,
// each step reading only the rows of one window. Prints the times and the
// peak memory.
//   bench_viewer_paging [SIZE_MB ...]   (default 100 1024; files go to /tmp)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "search/search_run.h"
#include "viewer/view_model.h"

using namespace quarvel;

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Quiet : RunObserver {
    void ShowMessage(const std::string& text, const std::string&, MessageKind) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string&, const std::string&, const std::string&,
                                         const std::string&) override {
        return AbortRetryIgnore::Abort;
    }
};

// One window: its rows read and their hits found, as a repaint does.
std::size_t Show(ViewModel& model) {
    std::size_t bytes = 0;
    for (const ViewRow& row : model.ReadRows(model.RowsPerWindow())) {
        bytes += row.text.size();
        bytes += model.MarksFor(row).size();
    }
    return bytes;
}

int Run(long long megabytes) {
    const std::string path = "/tmp/quarvel-view-" + std::to_string(getpid()) + ".txt";
    const long long written = WriteSourceLikeText(path, megabytes * 1024 * 1024);
    if (written < 0) {
        std::perror(path.c_str());
        return 2;
    }
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchFilesMask = path;
    cfg.SearchString = "mutex_lock+-mutex_unlock";
    cfg.SearchWithin = kWithinLine;
    cfg.SearchIncludeSubDir = 0;
    cfg.DeriveWindows(0xFFFF);
    std::unique_ptr<Tstr> query;
    Quiet quiet;
    Clock::time_point start = Clock::now();
    const RunResult opened = SearchRun(cfg, query, quiet, RunMode::Open).Run();
    const double openSeconds = Since(start);
    ViewFile file(path);  // as the viewer does, right after the run
    unlink(path.c_str());
    if (opened != RunResult::Ok || !file.IsOpen()) return 1;
    std::printf("%lld MB: open (the one-file run) %.2f s, %zu lines, %zu hits\n", megabytes, openSeconds,
                cfg.LineStarts.size(), cfg.Hits.size());

    ViewModel model(cfg, query.get(), file);
    model.SetWindowSize(120, 45);
    std::size_t shown = Show(model);
    constexpr int kPages = 2000;
    start = Clock::now();
    for (int i = 0; i < kPages; ++i) {
        model.Scroll(ScrollStep::PageDown);
        shown += Show(model);
    }
    const double down = Since(start);
    start = Clock::now();
    model.Scroll(ScrollStep::Bottom);
    model.Scroll(ScrollStep::PageUp);
    shown += Show(model);
    const double end = Since(start);
    start = Clock::now();
    for (int i = 0; i < kPages; ++i) {
        model.Scroll(ScrollStep::PageUp);
        shown += Show(model);
    }
    const double up = Since(start);
    model.Scroll(ScrollStep::Top);
    constexpr int kHits = 1000;
    start = Clock::now();
    int stepped = 0;
    for (; stepped < kHits && model.NextHit(); ++stepped) shown += Show(model);
    const double hits = Since(start);
    std::printf("  page down %.3f ms a page, page up %.3f ms a page (%d pages each, %d rows a page)\n",
                down * 1e3 / kPages, up * 1e3 / kPages, kPages, model.RowsPerWindow());
    std::printf("  jump to the end and show it %.3f ms; Next hit and show %.3f ms a step (%d steps)\n", end * 1e3,
                hits * 1e3 / std::max(1, stepped), stepped);
    std::printf("  (%zu characters shown in all)\n", shown);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoll(argv[i]));
    if (sizes.empty()) sizes = {100, 1024};
    for (long long megabytes : sizes)
        if (int status = Run(megabytes)) return status;
    std::printf("peak memory: %ld KB\n", PeakKilobytes());
    return 0;
}
