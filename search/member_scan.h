#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "query/match_engine.h"
#include "results/save_file.h"
#include "settings/search_cfg.h"

namespace quarvel {

class ArchiveReader;

// What the search of one member of an archive came to: kept for a member
// that satisfies the query or that could not be searched.
struct MemberOutcome {
    TSaveFile record;     // the member's path as folder and name, its own size and time
    int satisfied = 0;
    std::string problem;  // why it was not searched, said after its path
};

// Which members of an archive are candidates. Their names go by the file
// masks of every entry, unless the archive's own name was taken by a mask
// (then every member is); their size, date and hidden name go as a file's would.
class MemberFilter {
public:
    explicit MemberFilter(const TSearchCFG& cfg);
    // Whether an include mask takes the name.
    bool MaskTakes(std::string_view name) const;
    // Whether a member of the name is a candidate: no exclude mask takes it,
    // and an include mask does, or everyName (its archive's own name was taken).
    bool NameTaken(std::string_view name, bool everyName) const;
    bool Takes(const TSaveFile& member) const;

private:
    struct Mask {
        bool include;
        std::string mask;
    };
    const TSearchCFG& cfg_;
    std::vector<Mask> masks_;  // one per entry of the file list
};

// Searches the members of an archive the reader has open, and the members of archives among
// them down to kMostArchiveDepth levels: each candidate member with the
// engine, as a file of its own (a document's text). outcomes gets those that
// satisfy the query or have a problem, in the archive's order; the archive's
// own problem (damaged) is returned, empty when none.
std::string DecideMembers(ArchiveReader& reader, const TSaveFile& archive, const std::string& path,
                          const MemberFilter& filter, MatchEngine& engine, const CancelFlag& cancel,
                          std::vector<MemberOutcome>& outcomes);

}  // namespace quarvel
