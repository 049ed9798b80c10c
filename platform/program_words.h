#pragma once
#include <string>
#include <vector>

namespace quarvel {

// A program text (file-system bytes: a program, then arguments of its own)
// split into words as a shell would, quotes and backslashes respected, but
// with nothing expanded and nothing run. A blank text has no words. False,
// and why in failure (one line, for the user), when the text cannot be split:
// a quote left open, a backslash at its end.
bool SplitProgramText(const std::string& text, std::vector<std::string>& words, std::string& failure);

}  // namespace quarvel
