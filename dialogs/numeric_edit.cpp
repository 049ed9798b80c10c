#include "dialogs/numeric_edit.h"

#include <algorithm>

namespace quarvel {

namespace {
constexpr std::size_t kReadLength = 100;

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Saturates far beyond any limit, so a long run of digits stays large.
std::int64_t ReadNumber(std::string_view text) {
    text = text.substr(0, kReadLength);
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), INT64_C(1) << 40);
    return negative ? -value : value;
}

std::uint32_t Limit(std::int64_t value, std::uint32_t max) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, max));
}
}  // namespace

std::uint32_t EditNumber(std::string_view text, std::uint32_t max) { return Limit(ReadNumber(text), max); }

std::uint32_t SteppedEditNumber(std::string_view text, int delta, std::uint32_t max) {
    return Limit(std::int64_t{EditNumber(text, max)} + delta, max);
}

std::string NumberText(std::uint32_t value) { return std::to_string(value); }

}  // namespace quarvel
