#include "search/search_run.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/working_folder.h"
#include "query/chunked_scan.h"
#include "query/match_engine.h"
#include "search/file_selection.h"
#include "search/parallel_scan.h"

namespace quarvel {

// The engine of a run that scans on its own thread tells its progress
// through the run: the bytes of the files committed and those of the file
// being scanned.
class SearchRun::SerialProgress : public ScanObserver {
public:
    explicit SerialProgress(SearchRun& run) : run_(run) {}
    void ScanStarted(const std::string& path) override { run_.observer_.ShowScanPath(path); }
    void FileProgress(std::uint64_t bytes) override {
        run_.ShowProgress(run_.cfg_.GSizeFilesCurrent + static_cast<double>(bytes));
        run_.observer_.PumpMessages();
    }

private:
    SearchRun& run_;
};

SearchRun::SearchRun(TSearchCFG& cfg, std::unique_ptr<Tstr>& query, RunObserver& observer, RunMode mode,
                     unsigned threads)
    : cfg_(cfg), query_(query), observer_(observer), mode_(mode), threads_(std::max(1u, threads)) {}

SearchRun::~SearchRun() = default;

bool SearchRun::Prepare() {
    cfg_.ResetForRun();
    if (mode_ == RunMode::Search) observer_.ClearResults();
    query_.reset();
    try {
        // Ignoring case lowers the terms of the stored expression itself.
        query_ = std::make_unique<Tstr>(cfg_.SearchString, cfg_);
    } catch (const QuarvelError& error) {
        query_.reset();
        observer_.ShowMessage(error.what(), MessageKind::ExpressionError);
        return false;
    }
    cancel_.Clear();
    return true;
}

RunResult SearchRun::Execute() {
    const bool searchMode = mode_ == RunMode::Search;
    observer_.SetProgress(0);
    observer_.SetStatusText(kPleaseWait);
    cfg_.timeStart = CalendarSeconds();
    documents_.reset();
    if (cfg_.SearchDocuments) documents_ = std::make_unique<MemberFilter>(cfg_);
    {
        // The folder walk moves; the run ends where it began.
        WorkingFolderKeeper keeper;
        FileSelection selection(cfg_, observer_, cancel_, searchMode);
        // Several threads scan the files as the walk selects them.
        std::unique_ptr<ParallelScan> parallel;
        if (searchMode && threads_ > 1) {
            parallel = std::make_unique<ParallelScan>(cfg_, *query_, cancel_, threads_);
            selection.SendTo(parallel.get());
        }
        if (searchMode && cfg_.SearchRefined)
            selection.GatherRefined();
        else
            selection.Gather();
        selection.Filter();
        if (parallel)
            CommitInOrder(*parallel, selection.StatsLeftToScan());
        else
            ScanSerially();
    }
    cfg_.timeEnd = CalendarSeconds();
    observer_.ScanFinished();
    if (cfg_.GFiles == 0)
        observer_.ShowMessage("File(s) not found");
    else if (cfg_.FoundFiles.empty())
        observer_.ShowMessage("String(s) not found");
    return cancel_.IsSet() || cfg_.FoundFiles.empty() ? RunResult::Cancel : RunResult::Ok;
}

void SearchRun::ShowProgress(double bytes) {
    if (cfg_.GSizeFiles == 0.0) return;
    const double percent = std::floor(std::floor(bytes) / cfg_.GSizeFiles * 100.0);
    observer_.SetProgress(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
}

void SearchRun::ScanSerially() {
    const std::size_t count = cfg_.SearchList.size();
    SerialProgress progress(*this);
    MatchEngine engine(cfg_, *query_, progress, cancel_);
    engine.SetCollectHits(mode_ == RunMode::Open);
    // The View command's one file, when it is large, is scanned in ranges on the run's threads.
    std::unique_ptr<ChunkedScan> chunked;
    if (mode_ == RunMode::Open && threads_ > 1)
        chunked = std::make_unique<ChunkedScan>(cfg_, *query_, progress, cancel_, threads_);
    chunked_ = chunked.get();
    FolderCache folders;
    std::string path;
    for (std::size_t i = 0; i < count && !cancel_.IsSet(); ++i) {
        TSaveFile& record = cfg_.SearchList[i];  // the list stays as it is during the scan
        record.PathInto(path);
        CandidateCheck check = CheckCandidate(record, path, folders);
        if (check.missing) {
            observer_.ShowMessage("File not found:\n" + path, MessageKind::Error);
            continue;
        }
        if (check.changed) observer_.ShowMessage("File is changed:\n" + path);
        CandidateOutcome outcome;
        ScanHere(record, path, engine, std::move(check.file), outcome);
        // A member is looked up in its archive by its scan.
        if (outcome.missing) {
            observer_.ShowMessage("File not found:\n" + path, MessageKind::Error);
            continue;
        }
        if (outcome.changed && !check.changed) observer_.ShowMessage("File is changed:\n" + path);
        Commit(record, path, outcome, engine);
        observer_.PumpMessages();
    }
    chunked_ = nullptr;
}

void SearchRun::CommitInOrder(ParallelScan& scan, bool sizesUnknown) {
    scan.Close();
    // A file that could not be opened and is tried again is scanned here.
    SerialProgress progress(*this);
    MatchEngine engine(cfg_, *query_, progress, cancel_);
    std::uint64_t committed = 0;
    auto idle = [&] {
        const TSaveFile last = scan.LastTaken();
        if (!last.name.empty()) observer_.ShowScanPath(last.Path());
        // Without every file's size, the progress goes by files.
        if (sizesUnknown && cfg_.GFiles != 0)
            observer_.SetProgress(static_cast<int>(std::min<std::uint64_t>(100, committed * 100 / cfg_.GFiles)));
        else
            ShowProgress(static_cast<double>(scan.BytesRead()));
        observer_.PumpMessages();
    };
    TSaveFile record;
    CandidateOutcome outcome;
    std::string path;
    while (scan.Next(record, outcome, idle)) {
        ++committed;
        if (outcome.stated) cfg_.GSizeFiles += static_cast<double>(record.size);
        // Cancelled, the files decided so far are committed, in order, as
        // far as the first one that would have a message or a question.
        if (cancel_.IsSet() && (outcome.missing || outcome.changed || outcome.failed)) break;
        record.PathInto(path);
        if (outcome.missing) {
            observer_.ShowMessage("File not found:\n" + path, MessageKind::Error);
            continue;
        }
        if (outcome.changed) observer_.ShowMessage("File is changed:\n" + path);
        if (!Commit(record, path, outcome, engine)) break;
    }
}

void SearchRun::ScanHere(const TSaveFile& record, const std::string& path, MatchEngine& engine, FileHandle file,
                         CandidateOutcome& outcome) {
    if (mode_ == RunMode::Search) {
        DecideCandidate(record, path, *query_, engine, std::move(file), outcome, documents_.get());
        return;
    }
    file.Close();
    outcome.failed = false;
    try {
        const FileScan* scan;
        if (chunked_) {
            outcome.satisfied = chunked_->Scan(record.folder.str(), record.name.str());
            scan = &chunked_->Result();
        } else {
            outcome.satisfied = engine.Scan(record.folder.str(), record.name.str());
            scan = &engine.Result();
        }
        outcome.read = scan->read;
        scan->StoreIn(cfg_);
    } catch (const QuarvelError& error) {
        outcome.failed = true;
        outcome.failure = error.what();
    }
}

bool SearchRun::Commit(const TSaveFile& record, const std::string& path, CandidateOutcome& outcome,
                       MatchEngine& engine) {
    cfg_.CurrentFileSize = static_cast<double>(record.size);
    while (outcome.failed) {
        switch (observer_.AskAbortRetryIgnore(outcome.failure, record.name.str(), path, OpenFailureReason(path))) {
            case AbortRetryIgnore::Abort: cancel_.Set(); return false;
            case AbortRetryIgnore::Retry: ScanHere(record, path, engine, FileHandle(), outcome); break;
            case AbortRetryIgnore::Ignore: return true;
        }
    }
    if (outcome.read) {
        // Every file read counts its size once, however much of it was read.
        cfg_.GSizeFilesCurrent += cfg_.CurrentFileSize;
        ShowProgress(cfg_.GSizeFilesCurrent);
    }
    if (!outcome.problem.empty()) observer_.FileSkipped(path, outcome.problem);
    for (MemberOutcome& member : outcome.members) {
        if (!member.problem.empty()) {
            observer_.FileSkipped(member.record.Path(), member.problem);
        } else if (member.satisfied) {
            cfg_.FoundFiles.push_back(member.record);
            observer_.AddFoundRow(member.record);
        }
    }
    if (!outcome.satisfied) return true;
    cfg_.FoundFiles.push_back(record);
    if (mode_ == RunMode::Search) observer_.AddFoundRow(record);
    return true;
}

}  // namespace quarvel
