#pragma once
#include <cstdint>
#include <string>

#include "platform/file_handle.h"

namespace quarvel {

// The texts made last (a document's text, a member's bytes), kept as memory
// files: the View command's scan, the viewer and the preview each read the
// text of the same file, which would cost its extraction every time.
namespace text_cache {

inline constexpr std::size_t kEntries = 4;
inline constexpr std::uint64_t kMostBytes = 64ull << 20;  // all of them together

struct Found {
    FileHandle fd;  // a reading of its own (offset and all); invalid when nothing is kept
    std::uint64_t size = 0;
    std::int64_t modified = 0;
};

// What is kept for path (a file's or a member's), made from the file on disk
// as it is now: its identity, size and time are part of the key.
Found Find(const std::string& path);
// Keeps the memory file fd, the text of path, with a member's own size and time.
void Keep(const std::string& path, int fd, std::uint64_t size, std::int64_t modified);

}  // namespace text_cache
}  // namespace quarvel
