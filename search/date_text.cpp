#include "search/date_text.h"

#include <cstdio>

#include "platform/clock.h"

namespace quarvel {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits at i; nine digits at most, so the value cannot overflow.
std::optional<int> ReadNumber(std::string_view text, std::size_t& i) {
    std::size_t start = i;
    int value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (i - start == 9) return std::nullopt;
        value = value * 10 + (text[i++] - '0');
    }
    if (i == start) return std::nullopt;
    return value;
}
}  // namespace

std::optional<std::uint16_t> DateTextToDate(std::string_view text, std::uint16_t today) {
    if (text.empty()) return today;
    std::size_t i = 0;
    int parts[3];
    for (int k = 0; k < 3; ++k) {
        auto number = ReadNumber(text, i);
        if (!number) return std::nullopt;
        parts[k] = *number;
        if (k < 2) {
            if (i >= text.size()) return std::nullopt;  // the separator is a non-digit by construction
            ++i;
        }
    }
    if (i != text.size()) return std::nullopt;
    int day = parts[0], month = parts[1], year = parts[2];
    if (year < 100) year += 1900;
    if (!IsValidCalendarDate(day, month, year) || year < 1980 || year > 2107) return std::nullopt;
    return PackDosDate(day, month, year);
}

std::string DateToText(std::uint16_t date) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", DosDay(date), DosMonth(date), DosYear(date));
    return text;
}

}  // namespace quarvel
