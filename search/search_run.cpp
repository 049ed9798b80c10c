#include "search/search_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file_handle.h"
#include "platform/working_folder.h"
#include "query/match_engine.h"
#include "search/folder_chain.h"
#include "search/file_selection.h"

namespace quarvel {

namespace {

// Opens each file by its name in its folder, which stays open for the next file.
class FolderCache {
public:
    FileHandle OpenFile(const TSaveFile& record, const std::string& path) {
        const std::string& name = record.name.str();
        if (name.empty() || name.find('/') != std::string::npos) return FileHandle(::open(path.c_str(), kReadFlags));
        const int folder = folders_.Open(record.folder.str());
        return FileHandle(folder >= 0 ? ::openat(folder, name.c_str(), kReadFlags) : ::open(path.c_str(), kReadFlags));
    }

private:
    FolderChain folders_;
};

// Why a file cannot be opened for its scan, asked again once the scan has failed.
std::string OpenFailureReason(const std::string& path) {
    FileHandle file(::open(path.c_str(), kReadFlags));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0) return SystemErrorText(errno);
    return S_ISREG(st.st_mode) ? std::string() : "Not a regular file";
}

}  // namespace

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
        observer_.ShowMessage(error.what(), MessageKind::ExpressionError);
        return RunResult::Cancel;
    }
    cancel_ = false;
    observer_.SetProgress(0);
    observer_.SetStatusText(kPleaseWait);
    cfg_.timeStart = CalendarSeconds();
    {
        // The folder walk moves; the run ends where it began.
        WorkingFolderKeeper keeper;
        FileSelection selection(cfg_, observer_, cancel_, searchMode);
        if (searchMode && cfg_.SearchRefined)
            selection.GatherRefined();
        else
            selection.Gather();
        selection.Filter();
        ScanSearchList();
    }
    cfg_.timeEnd = CalendarSeconds();
    observer_.ScanFinished();
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
    FolderCache folders;
    std::string path;
    for (std::size_t i = 0; i < count && !cancel_; ++i) {
        const TSaveFile& record = cfg_.SearchList[i];  // the list stays as it is during the scan
        record.PathInto(path);
        // One open serves both the on-disk check and the scan; a file that
        // cannot be opened is checked by name and reported by the scan.
        FileHandle file = folders.OpenFile(record, path);
        struct stat st {};
        if (file.valid() && ::fstat(file.get(), &st) != 0) file.Close();
        if ((!file.valid() && ::stat(path.c_str(), &st) != 0) || !S_ISREG(st.st_mode)) {
            observer_.ShowMessage("File not found:\n" + path, MessageKind::Error);
            continue;
        }
        const DosStamp stamp = DosStampFromTime(st.st_mtime);
        if (stamp.time != record.time || stamp.date != record.date ||
            static_cast<std::uint64_t>(st.st_size) != record.size)
            observer_.ShowMessage("File is changed:\n" + path);
        ScanOneFile(record, path, engine, file);
        observer_.PumpMessages();
    }
}

int SearchRun::ScanOnce(const TSaveFile& record, const std::string& path, MatchEngine& engine, FileHandle& opened) {
    FileHandle file(std::move(opened));
    if (mode_ == RunMode::Open) {
        file.Close();
        return engine.Scan(record.folder.str(), record.name.str());
    }
    // The on-disk check has found a file it opened regular already; without
    // terms the file need not be read at all.
    bool regular = file.valid();
    if (!regular) {
        file = FileHandle(::open(path.c_str(), kReadFlags));
        struct stat st {};
        regular = file.valid() && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode);
    }
    if (query_->TermCount() != 0 && !regular) throw QuarvelError(kErrorOpenFile);
    return engine.Decide(file.get(), path);
}

void SearchRun::ScanOneFile(const TSaveFile& record, const std::string& path, MatchEngine& engine,
                            FileHandle& opened) {
    for (;;) {
        cfg_.CurrentFileSize = record.size;
        cfg_.FoundFiles.push_back(record);
        try {
            if (!ScanOnce(record, path, engine, opened)) {
                cfg_.FoundFiles.pop_back();
            } else if (mode_ == RunMode::Search) {
                observer_.AddFoundRow(record);
            }
            return;
        } catch (const QuarvelError& error) {
            cfg_.FoundFiles.pop_back();
            switch (observer_.AskAbortRetryIgnore(error.what(), record.name.str(), path, OpenFailureReason(path))) {
                case AbortRetryIgnore::Abort: cancel_ = true; return;
                case AbortRetryIgnore::Retry: continue;
                case AbortRetryIgnore::Ignore: return;
            }
        }
    }
}

}  // namespace quarvel
