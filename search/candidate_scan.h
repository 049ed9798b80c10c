#pragma once
#include <string>

#include "platform/file_handle.h"
#include "query/match_engine.h"
#include "results/save_file.h"
#include "search/folder_chain.h"

namespace quarvel {

// Opens each file by its name in its folder, which stays open for the next file.
class FolderCache {
public:
    FileHandle OpenFile(const TSaveFile& record, const std::string& path);

private:
    FolderChain folders_;
};

// A candidate of the search list as its check on disk found it.
struct CandidateCheck {
    bool missing = false;  // no regular file by its path: "File not found:"
    bool changed = false;  // its time, date or size differ from the record's: "File is changed:"
    FileHandle file;       // the file as the check opened it, if it could; its scan takes it
};

// What the check and the scan of one candidate came to.
struct CandidateOutcome {
    bool missing = false;
    bool changed = false;
    bool stated = false;  // the check filled in the record's stat
    bool failed = false;  // the scan could not open the file
    std::string failure;  // then the error's text
    int satisfied = 0;
    bool read = false;  // the file was read: its size counts among the bytes read
};

// Looks the record's file up on disk; path is the record's whole path. One
// open serves both the check and the scan; a file that cannot be opened is
// checked by its name and reported by the scan. statLater: the record was
// listed without its stat, which the check fills in (it is then no change).
CandidateCheck CheckCandidate(TSaveFile& record, const std::string& path, FolderCache& folders,
                              bool statLater = false);

// Decides a checked candidate (a Search-mode run): into outcome's failed,
// failure, satisfied and read.
void DecideCandidate(const std::string& path, const Tstr& query, MatchEngine& engine, FileHandle file,
                     CandidateOutcome& outcome);

// Why a file cannot be opened for its scan, asked again once the scan has failed.
std::string OpenFailureReason(const std::string& path);

}  // namespace quarvel
