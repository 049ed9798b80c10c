#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "settings/search_cfg.h"

// The project file (.QRV): the settings of a search, its statistics and its
// found-file list as CR LF terminated text lines.
namespace quarvel {

// The key of the first text setting or operator string that a line of the
// project cannot hold (it has a CR, LF or NUL in it), or nullptr.
const char* UnsavableSetting(const TSearchCFG& cfg);

// The bytes of the project file for the record. A found file whose folder or
// name holds a comma, CR, LF or NUL would load back as another record: it is
// left out, and its path is appended to leftOut when that is given. The
// settings are written as they are; SaveProject refuses an unsavable one.
std::string ProjectText(const TSearchCFG& cfg, std::vector<std::string>* leftOut = nullptr);

// Writes the project file atomically (ReplaceFile: through a symbolic link,
// never over anything but a regular file the user may write). Returns the
// paths of the found files it left out. Throws QuarvelError("Can`t create
// file " + path), with the key after it when a setting cannot be saved.
[[nodiscard]] std::vector<std::string> SaveProject(const std::string& path, const TSearchCFG& cfg);

// Reads a project file into cfg: settings are overwritten key by key and the
// records are appended to cfg.FoundFiles with group 0. On failure cfg may be
// partly changed. Throws QuarvelError("Can`t open file " + path) or
// QuarvelError("Invalid format file " + path).
void LoadProject(const std::string& path, TSearchCFG& cfg);

// As LoadProject, over bytes already in memory; pathForMessages goes into the
// error text.
void LoadProjectText(std::string_view bytes, const std::string& pathForMessages, TSearchCFG& cfg);

// The C library's integer conversion as the loader uses it: leading blanks,
// an optional sign, decimal digits up to the first other character (none give
// 0); the result wraps to 32 bits, so "-1" is 0xFFFFFFFF.
std::uint32_t ParseProjectNumber(std::string_view text);

}  // namespace quarvel
