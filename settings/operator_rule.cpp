#include "settings/operator_rule.h"

#include <string_view>

#include "platform/unicode_text.h"

namespace quarvel {
namespace {

// Checks ops[first..last) in order: each must be non-empty, and a later one
// equal to it ignoring case is a duplicate of it.
OperatorCheck CheckRange(const std::array<std::string, kOperatorCount>& ops, int first, int last) {
    // Each operator's first characters, lower-cased.
    auto cut = [&](int i) {
        std::u32string chars = Utf8ToChars(ops[i]).substr(0, kMaxOperatorLength);
        for (char32_t& c : chars) c = LowerCase(c);
        return chars;
    };
    for (int i = first; i < last; ++i) {
        const std::u32string op = cut(i);
        if (op.empty()) return {OperatorProblem::Missing, i, "Missing operator"};
        for (int j = i + 1; j < last; ++j) {
            if (cut(j) == op)
                return {OperatorProblem::Duplicate, j, "Dublicate operator"};
        }
    }
    return {};
}

}  // namespace

OperatorCheck CheckExpressionOperators(const std::array<std::string, kOperatorCount>& ops) {
    return CheckRange(ops, kOpAnd, kOpFileSeparator);
}

OperatorCheck CheckFileOperators(const std::array<std::string, kOperatorCount>& ops) {
    return CheckRange(ops, kOpFileSeparator, kOperatorCount);
}

OperatorCheck CheckOperatorSet(const std::array<std::string, kOperatorCount>& ops) {
    OperatorCheck check = CheckExpressionOperators(ops);
    return check.ok() ? CheckFileOperators(ops) : check;
}

}  // namespace quarvel
