#pragma once
#include <array>
#include <string>

#include "settings/search_cfg.h"

namespace quarvel {

enum class OperatorProblem { None, Missing, Duplicate };

struct OperatorCheck {
    OperatorProblem problem = OperatorProblem::None;
    int position = -1;  // operator position (kOpAnd .. kOpFileNotSearch) of the offender
    // "Missing operator" or "Dublicate operator"; empty when the set is sound
    std::string message;
    bool ok() const { return problem == OperatorProblem::None; }
};

// The six expression operators, each taken up to 10 characters, checked in the
// order AND, OR, NOT, QUOTE, LBracket, RBracket: each must be non-empty, and a
// later one of the same length that is equal ignoring case is a duplicate.
OperatorCheck CheckExpressionOperators(const std::array<std::string, kOperatorCount>& ops);
// The two file-list operators, checked the same way between themselves.
OperatorCheck CheckFileOperators(const std::array<std::string, kOperatorCount>& ops);
// Both checks, the expression operators first.
OperatorCheck CheckOperatorSet(const std::array<std::string, kOperatorCount>& ops);

}  // namespace quarvel
