#include "query/tstr.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>

#include "platform/unicode_text.h"
#include "platform/error.h"

namespace quarvel {
namespace {

constexpr int kExpressionOperators = 6;  // AND, OR, NOT, QUOTE, LBracket, RBracket
constexpr int kNoOperator = -1;

[[noreturn]] void Invalid(const char* detail) {
    throw QuarvelError(std::string("Invalid String(s):\n") + detail);
}

// The placeholder carries the operator bit too, so it is tested by value first.
bool IsOperator(std::uint32_t item) {
    return item != kItemPlaceholder && (item & kItemOperatorBit) != 0;
}
bool IsOperand(std::uint32_t item) { return !IsOperator(item); }
bool IsAndOr(std::uint32_t item) { return item == kItemAnd || item == kItemOr; }
bool IsReference(std::uint32_t item) {
    return item != kItemPlaceholder && (item & kItemReference) != 0;
}

std::uint8_t Not3(std::uint8_t v) { return v == 2 ? 2 : static_cast<std::uint8_t>(1 - v); }
std::uint8_t And3(std::uint8_t a, std::uint8_t b) {
    if (a == 0 || b == 0) return 0;
    return (a == 1 && b == 1) ? 1 : 2;
}
std::uint8_t Or3(std::uint8_t a, std::uint8_t b) {
    if (a == 1 || b == 1) return 1;
    return (a == 0 && b == 0) ? 0 : 2;
}

// Runs one level: [NOT] operand { (AND|OR) [NOT] operand }, which the segment
// check guarantees. value(item) gives an operand's value.
template <typename Value, typename Negate, typename Combine>
std::uint8_t RunLevel(const std::vector<std::uint32_t>& items, Value value, Negate negate,
                      Combine combine) {
    std::size_t i = 0;
    auto operand = [&]() {
        bool negated = false;
        if (i < items.size() && items[i] == kItemNot) {
            negated = true;
            ++i;
        }
        std::uint8_t v = i < items.size() ? value(items[i]) : 0;
        ++i;
        return negated ? negate(v) : v;
    };
    std::uint8_t running = operand();
    while (i < items.size()) {
        const std::uint32_t op = items[i++];
        running = combine(op, running, operand());
    }
    return running;
}

}  // namespace

Tstr::Tstr(std::string& expression, const TSearchCFG& cfg) {
    const bool emptyExpression = expression.empty();
    Scan(expression, cfg);
    RemoveEmptySides();
    CheckBalance();
    CheckSegments(emptyExpression);
    // Reported only now, so that an expression such as a)(b keeps the more
    // precise message of the segment check.
    if (wentBelowZero_) Invalid("Missing LBracket");
    LinkGroups();
    OrderLevels();
}

void Tstr::Scan(std::string& expression, const TSearchCFG& cfg) {
    std::array<std::string_view, kExpressionOperators> ops;
    std::array<std::string, kExpressionOperators> cut;
    for (int k = 0; k < kExpressionOperators; ++k) {
        cut[k] = CutToChars(cfg.Operators[k], kMaxOperatorLength);
        ops[k] = cut[k];
    }
    // With case ignored, the expression is written anew with its terms lower-cased.
    std::string rewritten;
    std::size_t copiedTo = 0;

    constexpr std::size_t npos = std::string::npos;
    const std::size_t size = expression.size();
    std::size_t cursor = 0;

    // First occurrence of each operator at or after the cursor; it stays valid
    // until the cursor moves past it.
    std::array<std::size_t, kExpressionOperators> next{};
    std::array<bool, kExpressionOperators> known{};
    auto occurrence = [&](int k) -> std::size_t {
        if (ops[k].empty()) return npos;  // an empty operator never occurs
        if (!known[k] || (next[k] != npos && next[k] < cursor)) {
            next[k] = expression.find(ops[k], cursor);
            known[k] = true;
        }
        return next[k];
    };

    segments_.assign(1, TSaveLevel{});
    lastSegment_ = 0;
    depth_ = 0;
    wentBelowZero_ = false;
    auto newSegment = [&]() {
        segments_.emplace_back();
        lastSegment_ = static_cast<std::uint32_t>(segments_.size() - 1);
    };

    int previous = kNoOperator;
    while (cursor < size) {
        std::size_t termLength = size - cursor;
        std::size_t skip = 0;
        int op = kNoOperator;
        if (previous == kOpQuote) {
            const std::size_t close = occurrence(kOpQuote);
            if (close == npos) Invalid("Missing QUOTE");
            termLength = close - cursor;
            skip = ops[kOpQuote].size();
        } else {
            for (int k = 0; k < kExpressionOperators; ++k) {
                const std::size_t at = occurrence(k);
                if (at != npos && at - cursor < termLength) {
                    termLength = at - cursor;
                    op = k;
                }
            }
        }

        if (termLength != 0) segments_[lastSegment_].items.push_back(termCount_);
        switch (op) {
        case kOpAnd: segments_[lastSegment_].items.push_back(kItemAnd); break;
        case kOpOr: segments_[lastSegment_].items.push_back(kItemOr); break;
        case kOpNot: segments_[lastSegment_].items.push_back(kItemNot); break;
        case kOpLevelOpen:
            segments_[lastSegment_].items.push_back(kItemPlaceholder);
            segments_[lastSegment_].depth = depth_;
            newSegment();
            ++depth_;
            if (depth_ > static_cast<int>(deepestLevel_))
                deepestLevel_ = static_cast<std::uint32_t>(depth_);
            break;
        case kOpLevelClose:
            segments_[lastSegment_].depth = depth_;
            newSegment();
            if (--depth_ < 0) wentBelowZero_ = true;
            segments_[lastSegment_].items.push_back(kItemPlaceholder);
            break;
        default: break;
        }

        if (termLength != 0) {
            std::string text = expression.substr(cursor, termLength);
            if (cfg.SearchIgnoreCase) {
                std::u32string chars = Utf8ToChars(text);
                for (char32_t& c : chars) c = LowerCase(c);
                // Bytes that are no UTF-8 stay as they were.
                if (CharsToUtf8(Utf8ToChars(text)) == text) text = CharsToUtf8(chars);
                rewritten.append(expression, copiedTo, cursor - copiedTo).append(text);
                copiedTo = cursor + termLength;
            }
            longestTerm_ = std::max(longestTerm_, static_cast<std::uint32_t>(text.size()));
            terms_.push_back(TSaveString{std::move(text)});
            ++termCount_;
        }

        cursor += termLength + skip + (op != kNoOperator ? ops[op].size() : 0);
        previous = op;
    }
    // A QUOTE that ends the expression opens a phrase that is never closed.
    if (previous == kOpQuote) Invalid("Missing QUOTE");
    if (cfg.SearchIgnoreCase && copiedTo != 0) expression = rewritten.append(expression, copiedTo, std::string::npos);
}

void Tstr::RemoveEmptySides() {
    std::erase_if(segments_, [](const TSaveLevel& s) {
        return s.items.size() == 1 && s.items[0] == kItemPlaceholder;
    });
    if (segments_.empty()) segments_.emplace_back();  // cannot happen; keeps indexing safe
    lastSegment_ = static_cast<std::uint32_t>(segments_.size() - 1);
}

void Tstr::CheckBalance() const {
    if (depth_ > 0) Invalid("Missing RBracket");
    if (depth_ < 0) Invalid("Missing LBracket");
}

void Tstr::CheckSegments(bool emptyExpression) const {
    for (const TSaveLevel& segment : segments_) {
        const auto& items = segment.items;
        if (items.empty()) {
            // Only the empty expression may leave its one segment without items;
            // anywhere else it is a pair of brackets with nothing between them.
            if (emptyExpression) continue;
            Invalid("Missing operand");
        }
        if (IsOperator(items.back())) Invalid("Missing operand");
        if (IsAndOr(items.front())) Invalid("Error using Boolean");
        for (std::size_t i = 1; i < items.size(); ++i) {
            const std::uint32_t before = items[i - 1];
            const std::uint32_t item = items[i];
            if (IsOperand(item) && IsOperand(before)) Invalid("Missing Boolean");
            if (IsOperator(item) && IsOperator(before) && !(item == kItemNot && IsAndOr(before)))
                Invalid("Double Boolean");
            if (item == kItemNot && IsOperand(before)) Invalid("Missing Boolean");
        }
    }
}

void Tstr::LinkGroups() {
    const int count = static_cast<int>(segments_.size());
    for (int k = 0; k < count; ++k) {
        auto& items = segments_[k].items;
        const int depth = segments_[k].depth;
        for (std::size_t j = 0; j < items.size(); ++j) {
            if (items[j] != kItemPlaceholder) continue;
            int best = -1;
            if (j == 0) {
                // After a closing bracket: the group just closed, or the
                // expression that stood before it at the same depth.
                int bestExcess = INT_MAX;
                for (int i = k - 1; i >= 0 && segments_[i].depth >= depth; --i) {
                    const int excess = segments_[i].depth - depth;
                    if (excess < bestExcess) {
                        bestExcess = excess;
                        best = i;
                        if (excess == 0) break;  // nothing nearer can beat it
                    }
                }
            } else if (j + 1 == items.size()) {
                // Before an opening bracket: the outermost segment of the group.
                int bestDepth = INT_MAX;
                for (int i = k + 1; i < count && segments_[i].depth > depth; ++i) {
                    if (segments_[i].depth <= bestDepth) {
                        bestDepth = segments_[i].depth;
                        best = i;
                    }
                }
            }
            if (best >= 0) items[j] = kItemReference + static_cast<std::uint32_t>(best);
        }
    }
}

void Tstr::OrderLevels() {
    levels_.clear();
    for (int depth = static_cast<int>(deepestLevel_); depth >= 0; --depth) {
        for (TSaveLevel& segment : segments_) {
            if (segment.depth != depth) continue;
            segment.link = static_cast<std::int32_t>(levels_.size());
            TSaveLevel level;
            level.depth = depth;
            level.items.reserve(segment.items.size());
            for (const std::uint32_t item : segment.items) {
                if (item == kItemPlaceholder) Invalid("External error #1");
                if (IsReference(item)) {
                    const std::uint32_t index = item - kItemReference;
                    const std::int32_t link =
                        index < segments_.size() ? segments_[index].link : -1;
                    if (link < 0) Invalid("External error #2");
                    level.items.push_back(kItemReference + static_cast<std::uint32_t>(link));
                } else {
                    level.items.push_back(item);
                }
            }
            levels_.push_back(std::move(level));
        }
    }
}

int Tstr::Evaluate(std::uint8_t* found) const {
    std::vector<std::uint8_t> results;
    return Evaluate(found, results);
}

int Tstr::Evaluate(std::uint8_t* found, std::vector<std::uint8_t>& results) const {
    if (termCount_ == 0) return 1;
    results.assign(levels_.size(), 0);
    for (std::size_t l = 0; l < levels_.size(); ++l) {
        auto value = [&](std::uint32_t item) -> std::uint8_t {
            if (IsReference(item)) return results[item - kItemReference];
            return found[item] != 0 ? 1 : 0;
        };
        auto negate = [](std::uint8_t v) { return static_cast<std::uint8_t>(v ^ 1); };
        auto combine = [](std::uint32_t op, std::uint8_t a, std::uint8_t b) {
            return static_cast<std::uint8_t>(op == kItemAnd ? (a & b) : (a | b));
        };
        results[l] = RunLevel(levels_[l].items, value, negate, combine);
    }
    const int result = results.empty() ? 1 : results.back();
    std::fill(found, found + termCount_, std::uint8_t{0});
    return result;
}

int Tstr::EvaluatePartial(const std::uint8_t* state) const {
    std::vector<std::uint8_t> scratch;
    return EvaluatePartial(state, scratch);
}

int Tstr::EvaluatePartial(const std::uint8_t* state, std::vector<std::uint8_t>& results) const {
    if (termCount_ == 0) return 1;
    results.assign(levels_.size(), 2);
    for (std::size_t l = 0; l < levels_.size(); ++l) {
        auto value = [&](std::uint32_t item) -> std::uint8_t {
            if (IsReference(item)) return results[item - kItemReference];
            return state[item] > 1 ? 2 : state[item];
        };
        auto combine = [](std::uint32_t op, std::uint8_t a, std::uint8_t b) {
            return op == kItemAnd ? And3(a, b) : Or3(a, b);
        };
        results[l] = RunLevel(levels_[l].items, value, Not3, combine);
    }
    return results.empty() ? 1 : results.back();
}

std::vector<std::uint8_t> Tstr::TermPolarities() const {
    std::vector<std::uint8_t> terms(termCount_, 0);
    if (levels_.empty()) return terms;
    // A level refers only to levels before it, and the last one is the whole expression.
    std::vector<std::uint8_t> levels(levels_.size(), 0);
    levels.back() = kPolarityPlain;
    for (std::size_t l = levels_.size(); l-- > 0;) {
        const std::vector<std::uint32_t>& items = levels_[l].items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const bool negated = i > 0 && items[i - 1] == kItemNot;
            const std::uint32_t item = items[i];
            if (IsOperator(item) || item == kItemPlaceholder) continue;
            std::uint8_t p = levels[l];
            if (negated) p = static_cast<std::uint8_t>(((p & kPolarityPlain) ? kPolarityNegated : 0) |
                                                       ((p & kPolarityNegated) ? kPolarityPlain : 0));
            if (IsReference(item))
                levels[item - kItemReference] |= p;
            else if (item < termCount_)
                terms[item] |= p;
        }
    }
    return terms;
}

}  // namespace quarvel
