#pragma once
#include <string>
#include <vector>

#include "settings/search_cfg.h"

namespace quarvel {

// The lines of the search information dialog, top to bottom: hit summary,
// masks, "String(s) to find", expression, duration, bytes read and, when
// there is one, the rate. Computes and stores timeSum as the dialog does.
std::vector<std::string> SearchInfoLines(TSearchCFG& cfg);
// Which of those lines is the expression: search text, where the others hold names or figures.
inline constexpr std::size_t kInfoExpressionLine = 3;

}  // namespace quarvel
