#include "platform/path_text.h"

namespace quarvel {

std::string FolderOfPath(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace quarvel
