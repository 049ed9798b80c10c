#include "search/status_path.h"

#include <string_view>

namespace quarvel {

void ShortenStatusPath(const std::string& path, std::string& into) {
    if (path.size() <= 30) {
        into.assign(path);
        return;
    }
    const std::string_view tail = std::string_view(path).substr(path.size() - 24);
    const std::size_t slash = tail.find('/');
    into.assign(path, 0, 3).append("...").append(tail.substr(slash == std::string_view::npos ? 0 : slash));
}

std::string ShortenStatusPath(const std::string& path) {
    std::string shown;
    ShortenStatusPath(path, shown);
    return shown;
}

}  // namespace quarvel
