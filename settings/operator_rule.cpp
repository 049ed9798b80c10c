#include "settings/operator_rule.h"

#include <string_view>

#include "platform/codepage.h"

namespace quarvel {
namespace {

// Checks ops[first..last) in order: each must be non-empty, and a later one
// equal to it ignoring case is a duplicate of it.
OperatorCheck CheckRange(const std::array<std::string, kOperatorCount>& ops, int first, int last) {
    auto cut = [&](int i) { return std::string_view(ops[i]).substr(0, kMaxOperatorLength); };
    for (int i = first; i < last; ++i) {
        const std::string_view op = cut(i);
        if (op.empty()) return {OperatorProblem::Missing, i, "Missing operator"};
        for (int j = i + 1; j < last; ++j) {
            const std::string_view later = cut(j);
            if (later.size() == op.size() && EqualIgnoreCase(op, later))
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
