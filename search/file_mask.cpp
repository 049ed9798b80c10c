#include "search/file_mask.h"

#include "platform/codepage.h"

namespace quarvel {

namespace {
bool Same(char a, char b) {
    return kAnsiLower[static_cast<unsigned char>(a)] == kAnsiLower[static_cast<unsigned char>(b)];
}

// Wildcard match with one backtracking point for the last "*": linear in practice.
bool Wildcard(std::string_view mask, std::string_view name) {
    std::size_t m = 0, n = 0, starAt = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && Same(mask[m], name[n])))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            starAt = m++;
            resume = n;
        } else if (starAt != std::string_view::npos) {
            m = starAt + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}
}  // namespace

bool MaskMatches(std::string_view mask, std::string_view name) {
    if (mask == "*.*") return true;
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == "*." )
        return name.find('.') == std::string_view::npos && Wildcard(mask.substr(0, mask.size() - 1), name);
    if (Wildcard(mask, name)) return true;
    // "name.*" also matches "name"
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
        return Wildcard(mask.substr(0, mask.size() - 2), name);
    return false;
}

}  // namespace quarvel
