#pragma once
#include <memory>
#include <string>

#include "platform/file_handle.h"
#include "query/tstr.h"
#include "search/run_observer.h"
#include "settings/search_cfg.h"

namespace quarvel {

class MatchEngine;

enum class RunMode { Search, Open };
enum class RunResult { Ok, Cancel };

inline constexpr const char* kPleaseWait = "Please wait...";

// One search from settings to results: compile, select, check each file on
// disk, scan, collect. Search mode fills the results list; Open mode (the
// View command's one-file run) collects the file's hits and line starts.
class SearchRun {
public:
    SearchRun(TSearchCFG& cfg, std::unique_ptr<Tstr>& query, RunObserver& observer, RunMode mode);

    RunResult Run();
    // Cancel: the run stops at its next test of the flag.
    void RequestCancel() { cancel_ = true; }
    bool Cancelled() const { return cancel_; }

private:
    void ScanSearchList();
    // opened: the file as the on-disk check opened it, if it could; the scan takes it.
    void ScanOneFile(const TSaveFile& record, const std::string& path, MatchEngine& engine, FileHandle& opened);
    int ScanOnce(const TSaveFile& record, const std::string& path, MatchEngine& engine, FileHandle& opened);

    TSearchCFG& cfg_;
    std::unique_ptr<Tstr>& query_;
    RunObserver& observer_;
    RunMode mode_;
    bool cancel_ = false;
};

}  // namespace quarvel
