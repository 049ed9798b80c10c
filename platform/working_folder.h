#pragma once
#include <string>

namespace quarvel {

// The process's working folder, or an empty text when it cannot be read
// (for example when it was removed).
std::string WorkingFolder();

}  // namespace quarvel
