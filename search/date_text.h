#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

// A date as typed in the search dialog: day, one non-digit, month, one
// non-digit, year (below 100 means 1900 plus the year); an empty text is
// today. Returns the packed date, or nothing when the text is no valid date
// (including one a packed date cannot hold: before 1980 or after 2107).
std::optional<std::uint16_t> DateTextToDate(std::string_view text, std::uint16_t today);
// A packed date as the dialog shows it: "dd/mm/yyyy".
std::string DateToText(std::uint16_t date);

}  // namespace quarvel
