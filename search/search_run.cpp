#include "search/search_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/working_folder.h"
#include "query/match_engine.h"
#include "search/file_selection.h"

namespace quarvel {

SearchRun::SearchRun(TSearchCFG& cfg, std::unique_ptr<Tstr>& query, RunObserver& observer, RunMode mode)
    : cfg_(cfg), query_(query), observer_(observer), mode_(mode) {}

RunResult SearchRun::Run() {
    const bool searchMode = mode_ == RunMode::Search;
    cfg_.ResetForRun();
    if (searchMode) observer_.ClearResults();
    query_.reset();
    try {
        // Ignoring case lowers the terms of the stored expression itself.
        query_ = std::make_unique<Tstr>(cfg_.SearchString, cfg_);
    } catch (const QuarvelError& error) {
        query_.reset();
        observer_.ShowMessage(error.what());
        return RunResult::Cancel;
    }
    cancel_ = false;
    const std::string workingFolder = WorkingFolder();
    observer_.SetProgress(0);
    observer_.SetStatusText(kPleaseWait);
    cfg_.timeStart = CalendarSeconds();

    FileSelection selection(cfg_, observer_, cancel_, searchMode);
    if (searchMode && cfg_.SearchRefined)
        selection.GatherRefined();
    else
        selection.Gather();
    selection.Filter();
    ScanSearchList();

    cfg_.timeEnd = CalendarSeconds();
    if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) {
        // The folder may have gone meanwhile; the run's results stand.
    }
    if (cfg_.GFiles == 0)
        observer_.ShowMessage("File(s) not found");
    else if (cfg_.FoundFiles.empty())
        observer_.ShowMessage("String(s) not found");
    return cancel_ || cfg_.FoundFiles.empty() ? RunResult::Cancel : RunResult::Ok;
}

void SearchRun::ScanSearchList() {
    const std::size_t count = cfg_.SearchList.size();
    MatchEngine engine(cfg_, *query_, observer_, cancel_);
    engine.SetCollectHits(mode_ == RunMode::Open);
    for (std::size_t i = 0; i < count && !cancel_; ++i) {
        const TSaveFile record = cfg_.SearchList[i];
        const std::string path = record.Path();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            observer_.ShowMessage("File not found:\n" + path);
            continue;
        }
        const DosStamp stamp = DosStampFromTime(st.st_mtime);
        if (stamp.time != record.time || stamp.date != record.date ||
            static_cast<std::uint32_t>(st.st_size) != record.size)
            observer_.ShowMessage("File is changed:\n" + path);
        ScanOneFile(record, engine);
        observer_.PumpMessages();
    }
}

void SearchRun::ScanOneFile(const TSaveFile& record, MatchEngine& engine) {
    for (;;) {
        cfg_.CurrentFileSize = record.size;
        cfg_.FoundFiles.push_back(record);
        try {
            if (!engine.Scan(record.folder.str(), record.name.str())) {
                cfg_.FoundFiles.pop_back();
            } else if (mode_ == RunMode::Search) {
                observer_.AddFoundRow(record);
            }
            return;
        } catch (const QuarvelError& error) {
            cfg_.FoundFiles.pop_back();
            switch (observer_.AskAbortRetryIgnore(error.what(), record.name.str())) {
                case AbortRetryIgnore::Abort: cancel_ = true; return;
                case AbortRetryIgnore::Retry: continue;
                case AbortRetryIgnore::Ignore: return;
            }
        }
    }
}

}  // namespace quarvel
