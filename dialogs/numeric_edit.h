#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvel {

// The number in a numeric edit, read as the C library reads one (leading
// blanks, an optional sign, then digits; 0 when there are none), from the
// first 100 characters, and limited to 0 to max: "12abc" is 12, "-5" is 0.
std::uint32_t EditNumber(std::string_view text, std::uint32_t max);
// The same after an up-down step of delta, limited again.
std::uint32_t SteppedEditNumber(std::string_view text, int delta, std::uint32_t max);
std::string NumberText(std::uint32_t value);

}  // namespace quarvel
