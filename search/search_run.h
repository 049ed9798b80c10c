#pragma once
#include <memory>
#include <string>

#include "platform/cancel_flag.h"
#include "query/tstr.h"
#include "search/candidate_scan.h"
#include "search/run_observer.h"
#include "settings/search_cfg.h"

namespace quarvel {

class ChunkedScan;
class MatchEngine;
class ParallelScan;

enum class RunMode { Search, Open };
enum class RunResult { Ok, Cancel };

inline constexpr const char* kPleaseWait = "Please wait...";

// One search from settings to results: compile, select, check each file on
// disk, scan, collect. Search mode fills the results list; Open mode (the
// View command's one-file run) collects the file's hits and line starts.
//
// A Search-mode run with more than one thread decides its files on that many
// workers and commits them on the thread that runs it, in the search list's
// order: rows, messages and statistics come out as those of a run on one
// thread, which scans the files itself. An Open-mode run on several threads
// scans its large file in ranges on them.
class SearchRun {
public:
    SearchRun(TSearchCFG& cfg, std::unique_ptr<Tstr>& query, RunObserver& observer, RunMode mode,
              unsigned threads = 1);
    ~SearchRun();

    RunResult Run() { return Prepare() ? Execute() : RunResult::Cancel; }
    // The run's start: resets the record, empties the results list and
    // compiles the expression. False when the expression is refused (the
    // compiler's message has been shown): the run ends there, with Cancel.
    bool Prepare();
    // The rest: selects the files, scans them and tells how it ended.
    RunResult Execute();

    // Cancel, from any thread: the run stops at its next test of the flag.
    void RequestCancel() { cancel_.Set(); }
    bool Cancelled() const { return cancel_.IsSet(); }

private:
    class SerialProgress;
    void ScanSerially();
    // Commits the outcomes of the files the workers decide, in the search list's order.
    // sizesUnknown: the walk left files' stats to their scans, so GSizeFiles
    // takes their sizes as they come.
    void CommitInOrder(ParallelScan& scan, bool sizesUnknown);
    // Scans a checked candidate on this thread: the whole file in Open mode, a decision in Search mode.
    void ScanHere(const TSaveFile& record, const std::string& path, MatchEngine& engine, FileHandle file,
                  CandidateOutcome& outcome);
    // Commits one candidate, in the order of the search list: its messages,
    // the question when it cannot be opened (Retry scans it again here), its
    // bytes, and its row when it satisfies the query. False after Abort.
    bool Commit(const TSaveFile& record, const std::string& path, CandidateOutcome& outcome, MatchEngine& engine);
    void ShowProgress(double bytes);

    TSearchCFG& cfg_;
    std::unique_ptr<Tstr>& query_;
    RunObserver& observer_;
    RunMode mode_;
    unsigned threads_;
    CancelFlag cancel_;
    ChunkedScan* chunked_ = nullptr;  // Open mode on several threads
    std::unique_ptr<MemberFilter> documents_;  // when documents and archives are searched inside
};

}  // namespace quarvel
