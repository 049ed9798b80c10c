#pragma once
#include <string>

namespace quarvel {

// The folder part of a path: up to and including its last "/", or empty when
// it has none. A "\" is part of a name here, not a separator.
std::string FolderOfPath(const std::string& path);

}  // namespace quarvel
