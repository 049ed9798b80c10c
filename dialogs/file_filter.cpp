#include "dialogs/file_filter.h"

#include <string_view>

namespace quarvel {

namespace {
std::string CaseFreePattern(std::string_view mask) {
    if (mask == "*.*") return "*";
    std::string pattern;
    for (char c : mask) {
        char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (lower == upper)
            pattern += c;
        else
            pattern += std::string{'[', lower, upper, ']'};
    }
    return pattern;
}
}  // namespace

std::string FileDialogFilter(std::initializer_list<std::pair<const char*, const char*>> descriptionsAndMasks) {
    std::string filter;
    for (const auto& [description, mask] : descriptionsAndMasks) {
        if (!filter.empty()) filter += '|';
        filter += std::string(description) + '|' + CaseFreePattern(mask);
    }
    return filter;
}

std::string SearchFileFilter() {
    return FileDialogFilter(
        {{"All files (*.*)", "*.*"}, {"Quarvel files (*.QRV)", "*.QRV"}, {"Text files (*.txt)", "*.txt"}});
}

}  // namespace quarvel
