// quarvel-cli: the search engine from the command line.
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/listing.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/processors.h"
#include "platform/stop_signals.h"
#include "platform/text_conv.h"
#include "platform/time_zone.h"
#include "platform/unicode_text.h"
#include "platform/working_folder.h"
#include "results/project_file.h"
#include "results/row_text.h"
#include "search/search_info.h"
#include "search/search_run.h"

using namespace quarvel;

namespace {

// Standard output, whose first failed write is remembered and reported at the end.
class Output {
public:
    explicit Output(bool nullEnds) : end_(nullEnds ? '\0' : '\n') {}

    // A found path or row, ended by a line feed, or by a NUL byte with -0.
    bool Record(const std::string& text) { return Text(text) && Put(end_); }
    bool Line(const std::string& text) { return Text(text) && Put('\n'); }
    bool Text(const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) Remember();
        return error_ == 0;
    }
    bool Flush() {
        if (std::fflush(stdout) != 0) Remember();
        return error_ == 0;
    }
    bool Failed() const { return error_ != 0; }
    // Flushes and closes standard output; a write that failed makes the status 2.
    int Finish(int status) {
        Flush();
        if (std::ferror(stdout) && !error_) error_ = EIO;
        if (std::fclose(stdout) != 0) Remember();
        if (!error_) return status;
        std::fprintf(stderr, "quarvel-cli: write error on standard output: %s\n", SystemErrorText(error_).c_str());
        return 2;
    }

private:
    bool Put(char c) {
        if (std::fputc(c, stdout) == EOF) Remember();
        return error_ == 0;
    }
    void Remember() {
        if (!error_) error_ = errno ? errno : EIO;
    }
    char end_;
    int error_ = 0;
};

// The results list's row: its cells joined by tabs.
std::string RowText(const TSaveFile& f) {
    std::string row = CellText(f, 0);
    for (int column = 1; column < kResultColumns; ++column) row += "\t" + CellText(f, column);
    return row;
}

class TerminalObserver : public RunObserver {
public:
    // listNow: each found file is printed as the run finds it (else after the run).
    TerminalObserver(Output& out, bool progress, bool rows, bool utf8, bool listNow)
        : out_(out), progress_(progress), rows_(rows), utf8_(utf8), listNow_(listNow) {}
    ~TerminalObserver() override { ClearLine(); }

    void SetRun(SearchRun* run) { run_ = run; }
    // Whether an error was reported: the exit status is then 2.
    bool ReportedError() const { return errors_ != 0; }

    void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override {
        ClearLine();
        (void)caption;
        if (kind != MessageKind::Notice) ++errors_;
        // Paths in messages are the file system's bytes; only the compiler's text is search text.
        std::fprintf(stderr, "%s\n", kind == MessageKind::ExpressionError ? Typed(text, utf8_).c_str() : text.c_str());
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text, const std::string& path,
                                         const std::string& reason) override {
        ClearLine();
        (void)text;
        ++errors_;
        std::fprintf(stderr, "%s: %s%s%s\n", caption.c_str(), path.c_str(), reason.empty() ? "" : ": ",
                     reason.c_str());
        return AbortRetryIgnore::Ignore;
    }
    void FolderSkipped(const std::string& folder, const std::string& reason) override {
        ClearLine();
        ++errors_;
        std::fprintf(stderr, "Folder skipped: %s: %s\n", folder.c_str(), reason.c_str());
    }
    void FileSkipped(const std::string& path, const std::string& reason) override {
        ClearLine();
        ++errors_;
        std::fprintf(stderr, "Not searched: %s: %s\n", path.c_str(), reason.c_str());
    }
    void AddFoundRow(const TSaveFile& f) override {
        if (!listNow_) return;
        ClearLine();
        out_.Record(rows_ ? RowText(f) : f.Path());
        // Keeps the rows ahead of the progress line on the terminal; quiet,
        // the output is buffered as the system buffers it.
        if (progress_) out_.Flush();
        if (out_.Failed()) Stop();  // nothing more could be delivered
    }
    void SetStatusText(const std::string& text) override { status_ = text; Draw(); }
    void SetProgress(int percent) override { percent_ = percent; Draw(); }
    void PumpMessages() override {
        if (StopSignal()) Stop();
    }
    void ClearLine() {
        if (drawn_) std::fputs("\r\033[K", stderr);
        drawn_ = false;
    }

private:
    void Stop() {
        if (run_) run_->RequestCancel();
    }
    void Draw() {
        if (!progress_) return;
        std::fprintf(stderr, "\r\033[K%3d%% %s", percent_, status_.c_str());
        drawn_ = true;
    }
    Output& out_;
    bool progress_, rows_, utf8_, listNow_, drawn_ = false;
    int percent_ = 0;
    int errors_ = 0;
    SearchRun* run_ = nullptr;
    std::string status_;
};

ListingForm FormOf(const CliOptions& o, bool utf8) {
    ListingForm form;
    form.lines = o.lines;
    form.json = o.json;
    form.csv = o.csv;
    form.nullEnds = o.nullEnds;
    form.utf8Terminal = utf8;
    form.threads = RunThreads(o.threads);
    return form;
}

// The found files in the form asked for, their hits counted by query when it shows them.
void PrintResults(const TSearchCFG& cfg, const Tstr* query, const CliOptions& o, bool utf8, Output& out) {
    ListingForm form = FormOf(o, utf8);
    form.documents = cfg.SearchDocuments != 0;
    if (form.Counts()) {
        PrintListing(cfg, query, form, [&](const std::string& text) { return out.Text(text); },
                     [] { return StopSignal() != 0; });
        return;
    }
    for (const TSaveFile& f : cfg.FoundFiles)
        if (!out.Record(o.rows ? RowText(f) : f.Path())) return;
}

void PrintInfo(TSearchCFG& cfg, bool utf8, Output& out) {
    const std::vector<std::string> lines = SearchInfoLines(cfg);
    for (std::size_t i = 0; i < lines.size(); ++i) out.Line(i == kInfoExpressionLine ? Typed(lines[i], utf8) : lines[i]);
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    const std::string folder = WorkingFolder();
    return folder.empty() ? path : folder + "/" + path;
}

int Check(CliOptions& o, bool utf8, Output& out) {
    try {
        Tstr query(o.cfg.SearchString, o.cfg);
        for (std::uint32_t i = 0; i < query.TermCount(); ++i) out.Line(Typed(query.TermText(i), utf8));
        return 0;
    } catch (const QuarvelError& e) {
        std::fprintf(stderr, "%s\n", Typed(e.what(), utf8).c_str());
        return 2;
    }
}

int Open(CliOptions& o, bool utf8, Output& out) {
    TSearchCFG loaded = o.cfg;
    try {
        LoadProject(o.openProject, loaded);
    } catch (const QuarvelError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    // The hits are counted by the project's own expression, when it compiles.
    std::unique_ptr<Tstr> query;
    if (o.lines || o.json || o.csv) {
        try {
            query = std::make_unique<Tstr>(loaded.SearchString, loaded);
        } catch (const QuarvelError&) {
        }
    }
    PrintResults(loaded, query.get(), o, utf8, out);
    if (o.info) PrintInfo(loaded, utf8, out);
    return 0;
}

int View(CliOptions& o, TerminalObserver& observer, Output& out) {
    TSearchCFG copy = o.cfg;
    copy.SearchFilesMask = Absolute(o.viewFile);
    copy.SearchIncludeSubDir = 0;
    std::unique_ptr<Tstr> query;
    SearchRun run(copy, query, observer, RunMode::Open, RunThreads(o.threads));
    observer.SetRun(&run);
    if (run.Run() != RunResult::Ok) return query ? 1 : 2;
    char line[96];
    std::snprintf(line, sizeof line, "lines %u\nlongest %u", copy.LineCount, copy.LongestLine);
    out.Line(line);
    std::string starts = "starts";
    for (std::uint64_t s : copy.LineStarts) starts.append(" ").append(std::to_string(s));
    out.Line(starts);
    for (const TSaveElem& h : copy.Hits) {
        std::snprintf(line, sizeof line, "hit %" PRIu64 " %u %u", h.offset, h.word, h.satisfied);
        out.Line(line);
    }
    return 0;
}

int Search(CliOptions& o, TerminalObserver& observer, bool utf8, Output& out) {
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
    SearchRun run(cfg, query, observer, RunMode::Search, RunThreads(o.threads));
    observer.SetRun(&run);
    run.Run();
    if (!query) return 2;  // the expression did not compile
    int status = cfg.FoundFiles.empty() ? 1 : 0;
    if (o.lines || o.json || o.csv) PrintResults(cfg, query.get(), o, utf8, out);
    // A run stopped by a signal is no search to keep: its project is not written.
    if (!o.saveProject.empty() && !StopSignal()) {
        std::vector<std::string> leftOut;
        try {
            leftOut = SaveProject(o.saveProject, cfg);
        } catch (const QuarvelError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 2;
        }
        for (const std::string& path : leftOut)
            std::fprintf(stderr, "Not saved in the project (a comma or line break in its path): %s\n", path.c_str());
        if (!leftOut.empty()) status = 2;
    }
    if (o.info) PrintInfo(cfg, utf8, out);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    quarvel::NameTheTimeZone();
    const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = ParseCliOptions(args, error, utf8);
    if (!options) {
        std::fprintf(stderr, "quarvel-cli: %s\n", error.c_str());  // already in the terminal's encoding
        return 2;
    }
    CliOptions& o = *options;
    Output out(o.nullEnds);
    if (o.action == CliAction::Help) {
        out.Text(kCliUsage);
        return out.Finish(0);
    }
    if (o.action == CliAction::Check) return out.Finish(Check(o, utf8, out));
    if (o.action == CliAction::Open) return out.Finish(Open(o, utf8, out));
    CatchStopSignals();
    TerminalObserver observer(out, !o.quiet && isatty(STDERR_FILENO), o.rows, utf8, !(o.lines || o.json || o.csv));
    int status = o.action == CliAction::View ? View(o, observer, out) : Search(o, observer, utf8, out);
    if (observer.ReportedError()) status = 2;
    observer.ClearLine();
    status = out.Finish(status);
    std::fflush(stderr);
    // Everything found is out: the program now ends by the signal that stopped it, as its caller expects.
    if (const int signal = StopSignal()) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    // The lists of a large run are left to the system, which takes their
    // memory back at once, instead of being freed record by record.
    std::_Exit(status);
}
