#pragma once
#include <string>

namespace quarvel {

// The status-line form of a path: whole up to 30 characters, else its first
// 3, "...", and the tail from the first "/" among its last 24 characters.
std::string ShortenStatusPath(const std::string& path);
// The same, into a string whose storage is kept from one file to the next.
void ShortenStatusPath(const std::string& path, std::string& into);

}  // namespace quarvel
