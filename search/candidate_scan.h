#pragma once
#include <string>
#include <vector>

#include "platform/file_handle.h"
#include "query/match_engine.h"
#include "results/save_file.h"
#include "search/folder_chain.h"
#include "search/member_scan.h"

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
    // Why a document could not be searched, said after its path ("the PDF is
    // encrypted"); the run goes on.
    std::string problem;
    // An archive's members that satisfy the query or have a problem, in its order.
    std::vector<MemberOutcome> members;
};

// Looks the record's file up on disk; path is the record's whole path. One
// open serves both the check and the scan; a file that cannot be opened is
// checked by its name and reported by the scan. statLater: the record was
// listed without its stat, which the check fills in (it is then no change).
CandidateCheck CheckCandidate(TSaveFile& record, const std::string& path, FolderCache& folders,
                              bool statLater = false);

// Decides a checked candidate (a Search-mode run): into outcome's failed,
// failure, satisfied and read. documents: the members an archive's search
// takes, when documents and archives are searched inside; else nullptr. A
// member's record is changed when its archive states another size or time.
void DecideCandidate(const TSaveFile& record, const std::string& path, const Tstr& query, MatchEngine& engine,
                     FileHandle file, CandidateOutcome& outcome, const MemberFilter* documents = nullptr);

// Why a file cannot be opened for its scan, asked again once the scan has failed.
std::string OpenFailureReason(const std::string& path);

}  // namespace quarvel
