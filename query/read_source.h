#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string_view>

namespace quarvel {

// Where a scan reads a file's bytes: an open file from where it stands, or
// the bytes of a member or a document's text already in memory, which need
// no file to be made for them.
class ReadSource {
public:
    explicit ReadSource(int fd) : fd_(fd) {}
    explicit ReadSource(std::string_view bytes) : bytes_(bytes), inMemory_(true) {}

    // As the system's read: the bytes read, 0 at the end, -1 on an error (errno).
    ssize_t Read(void* into, std::size_t wanted);
    // Moves to the offset; false when it cannot.
    bool Seek(std::uint64_t to);
    // Up to wanted bytes from the offset, without moving: as the system's pread.
    ssize_t ReadAt(void* into, std::size_t wanted, std::uint64_t at) const;

private:
    int fd_ = -1;
    std::string_view bytes_;
    std::uint64_t at_ = 0;
    bool inMemory_ = false;
};

}  // namespace quarvel
