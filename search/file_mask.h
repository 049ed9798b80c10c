#pragma once
#include <string_view>

namespace quarvel {

// Whether a file name matches a mask of "*" and "?" wildcards, ignoring case.
// As users of such masks expect, "*.*" matches every name, a mask ending in
// ".*" also matches the name without any extension, and "*." matches names
// that have no dot.
bool MaskMatches(std::string_view mask, std::string_view name);

}  // namespace quarvel
