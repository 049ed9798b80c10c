#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "settings/search_cfg.h"

namespace quarvel {

// Items of the evaluation program.
inline constexpr std::uint32_t kItemAnd = 0x40000000u;
inline constexpr std::uint32_t kItemOr = 0x40000001u;
inline constexpr std::uint32_t kItemNot = 0x40000002u;
inline constexpr std::uint32_t kItemPlaceholder = 0xFFFFFFFFu;
inline constexpr std::uint32_t kItemReference = 0x80000000u;
inline constexpr std::uint32_t kItemOperatorBit = 0x40000000u;

// One term of a compiled query.
struct TSaveString {
    std::string text;  // UTF-8; lower-cased when the search ignores case
    std::uint32_t length() const { return static_cast<std::uint32_t>(text.size()); }
};

// One segment of the expression, or one level of the evaluation program.
struct TSaveLevel {
    std::vector<std::uint32_t> items;
    std::int32_t result = -1;
    std::int32_t depth = 0;
    std::int32_t link = -1;
};

// The compiled form of a search expression.
class Tstr {
public:
    // Compiles the expression (UTF-8) with the operator strings and
    // SearchIgnoreCase of cfg. With SearchIgnoreCase set, the terms inside
    // expression are lower-cased in place (Unicode's simple lower case). Throws QuarvelError("Invalid String(s):\n...").
    Tstr(std::string& expression, const TSearchCFG& cfg);

    std::uint32_t TermCount() const { return termCount_; }
    const std::string& TermText(std::uint32_t i) const { return terms_[i].text; }
    std::uint32_t TermLength(std::uint32_t i) const { return terms_[i].length(); }
    std::uint32_t LongestTerm() const { return longestTerm_; }
    std::uint32_t DeepestLevel() const { return deepestLevel_; }
    const std::vector<TSaveString>& Terms() const { return terms_; }
    const std::vector<TSaveLevel>& Levels() const { return levels_; }
    const std::vector<TSaveLevel>& Segments() const { return segments_; }

    // 1 when found flags (one per term, non-zero = found in the unit) satisfy
    // the expression, else 0. Clears every flag afterwards. The query is only
    // read, so one compiled query serves every thread of a run.
    int Evaluate(std::uint8_t* found) const;
    // The same, with the caller's scratch space for the levels' values.
    int Evaluate(std::uint8_t* found, std::vector<std::uint8_t>& results) const;

    // The same evaluation in three-valued logic, for deciding a unit early:
    // state per term is 0 (absent), 1 (found) or 2 (unknown yet). Returns
    // 0, 1, or 2 when the outcome still depends on the unknown terms.
    // Touches neither the flags nor the level results.
    int EvaluatePartial(const std::uint8_t* state) const;
    // The same, with the caller's scratch space, so that a scan loop allocates nothing.
    int EvaluatePartial(const std::uint8_t* state, std::vector<std::uint8_t>& scratch) const;

    // Per term: kPolarityPlain when it occurs in the expression under an even
    // number of NOTs, kPolarityNegated when under an odd number, or both. A
    // term that is only negated can lower the value when found, never raise it.
    static constexpr std::uint8_t kPolarityPlain = 1, kPolarityNegated = 2;
    std::vector<std::uint8_t> TermPolarities() const;

private:
    // The compile phases, in the order the constructor runs them.
    void Scan(std::string& expression, const TSearchCFG& cfg);
    void RemoveEmptySides();
    void CheckBalance() const;
    void CheckSegments(bool emptyExpression) const;
    void LinkGroups();
    void OrderLevels();

    int depth_ = 0;               // bracket depth at the end of the scan
    bool wentBelowZero_ = false;  // a closing bracket came before its opening one
    std::uint32_t longestTerm_ = 0;
    std::uint32_t termCount_ = 0;
    std::uint32_t lastSegment_ = 0;
    std::uint32_t deepestLevel_ = 0;
    std::vector<TSaveString> terms_;
    std::vector<TSaveLevel> levels_;
    std::vector<TSaveLevel> segments_;
};

}  // namespace quarvel
