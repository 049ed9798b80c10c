#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <tuple>

#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// An occurrence of a term that the rules allow: where it starts, which term,
// how many bytes it takes, and the unit it lies in.
struct RulesOccurrence {
    std::uint64_t offset;
    std::uint32_t term;
    std::uint32_t length;
    std::uint64_t unitStart;
    auto operator<=>(const RulesOccurrence&) const = default;
};

// Decides a file by the rules alone, the plainest way: the whole text is cut
// into units, and each unit is tried at every position, in every reading on,
// character by character. Every occurrence it allows, overlapping ones too,
// goes into *occurrences when given.
int RulesDecide(const std::string& bytes, const TSearchCFG& cfg, Tstr& query,
                std::set<RulesOccurrence>* occurrences = nullptr);

}  // namespace quarvel
