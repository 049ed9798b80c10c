// quarvel-cli: the search engine from the command line.
#include <langinfo.h>
#include <unistd.h>

#include <cinttypes>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/working_folder.h"
#include "results/project_file.h"
#include "search/search_info.h"
#include "search/search_run.h"

using namespace quarvel;

namespace {

std::string RowText(const TSaveFile& f) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "\t%" PRIu64 "\t%02d/%02d/%04d\t%02d:%02d", f.size, DosDay(f.date),
                  DosMonth(f.date), DosYear(f.date), DosHour(f.time), DosMinute(f.time));
    return f.name.str() + "\t" + f.folder.str() + "/" + tail;
}

class TerminalObserver : public RunObserver {
public:
    TerminalObserver(bool progress, bool rows) : progress_(progress), rows_(rows) {}
    ~TerminalObserver() override { ClearLine(); }

    void ShowMessage(const std::string& text, const std::string& caption) override {
        ClearLine();
        (void)caption;
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text) override {
        ClearLine();
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return AbortRetryIgnore::Ignore;
    }
    void AddFoundRow(const TSaveFile& f) override {
        ClearLine();
        std::printf("%s\n", rows_ ? RowText(f).c_str() : f.Path().c_str());
        // Keeps the rows ahead of the progress line on the terminal; quiet,
        // the output is buffered as the system buffers it.
        if (progress_) std::fflush(stdout);
    }
    void SetStatusText(const std::string& text) override { status_ = text; Draw(); }
    void SetProgress(int percent) override { percent_ = percent; Draw(); }

private:
    void Draw() {
        if (!progress_) return;
        std::fprintf(stderr, "\r\033[K%3d%% %s", percent_, status_.c_str());
        drawn_ = true;
    }
    void ClearLine() {
        if (drawn_) std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }
    bool progress_, rows_, drawn_ = false;
    int percent_ = 0;
    std::string status_;
};

void PrintResults(const TSearchCFG& cfg, bool rows) {
    for (const TSaveFile& f : cfg.FoundFiles) std::printf("%s\n", rows ? RowText(f).c_str() : f.Path().c_str());
}

void PrintInfo(TSearchCFG& cfg) {
    for (const std::string& line : SearchInfoLines(cfg)) std::printf("%s\n", line.c_str());
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    const std::string folder = WorkingFolder();
    return folder.empty() ? path : folder + "/" + path;
}

int Check(CliOptions& o) {
    try {
        Tstr query(o.cfg.SearchString, o.cfg);
        for (std::uint32_t i = 0; i < query.TermCount(); ++i) std::printf("%s\n", query.TermText(i).c_str());
        return 0;
    } catch (const QuarvelError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
}

int Open(CliOptions& o) {
    TSearchCFG loaded = o.cfg;
    try {
        LoadProject(o.openProject, loaded);
    } catch (const QuarvelError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    PrintResults(loaded, o.rows);
    if (o.info) PrintInfo(loaded);
    return 0;
}

int View(CliOptions& o, TerminalObserver& observer) {
    TSearchCFG copy = o.cfg;
    copy.SearchFilesMask = Absolute(o.viewFile);
    copy.SearchIncludeSubDir = 0;
    std::unique_ptr<Tstr> query;
    SearchRun run(copy, query, observer, RunMode::Open);
    if (run.Run() != RunResult::Ok) return query ? 1 : 2;
    std::printf("lines %u\nlongest %u\nstarts", copy.LineCount, copy.LongestLine);
    for (std::uint64_t s : copy.LineStarts) std::printf(" %" PRIu64, s);
    std::printf("\n");
    for (const TSaveElem& h : copy.Hits) std::printf("hit %" PRIu64 " %u %u\n", h.offset, h.word, h.satisfied);
    return 0;
}

int Search(CliOptions& o, TerminalObserver& observer) {
    TSearchCFG& cfg = o.cfg;
    if (!o.refineProject.empty()) {
        TSearchCFG previous = cfg;
        try {
            LoadProject(o.refineProject, previous);
        } catch (const QuarvelError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 2;
        }
        cfg.FoundFiles = std::move(previous.FoundFiles);
        cfg.SearchRefined = 1;
    }
    std::unique_ptr<Tstr> query;
    SearchRun run(cfg, query, observer, RunMode::Search);
    run.Run();
    if (!query) return 2;  // the expression did not compile
    if (!o.saveProject.empty()) {
        try {
            SaveProject(o.saveProject, cfg);
        } catch (const QuarvelError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 2;
        }
    }
    if (o.info) PrintInfo(cfg);
    return cfg.FoundFiles.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ParseCliOptions(args, error, utf8);
    if (!options) {
        std::fprintf(stderr, "quarvel-cli: %s\n", error.c_str());
        return 2;
    }
    CliOptions& o = *options;
    if (o.action == CliAction::Help) {
        std::fputs(kCliUsage, stdout);
        return 0;
    }
    if (o.action == CliAction::Check) return Check(o);
    if (o.action == CliAction::Open) return Open(o);
    TerminalObserver observer(!o.quiet && isatty(STDERR_FILENO), o.rows);
    const int status = o.action == CliAction::View ? View(o, observer) : Search(o, observer);
    // The lists of a large run are left to the system, which takes their
    // memory back at once, instead of being freed record by record.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
