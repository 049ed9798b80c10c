#pragma once
#include <string_view>

#include "platform/file_handle.h"

namespace quarvel {

// A regular file that lives in memory only, holding the bytes, read from
// its start: what a search reads of a document is its text, and the engine
// reads files. Invalid when the system refuses one.
FileHandle MemoryFile(std::string_view bytes);

}  // namespace quarvel
