#include "query/read_source.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quarvel {

ssize_t ReadSource::Read(void* into, std::size_t wanted) {
    if (!inMemory_) return ::read(fd_, into, wanted);
    const ssize_t got = ReadAt(into, wanted, at_);
    at_ += static_cast<std::uint64_t>(got);
    return got;
}

bool ReadSource::Seek(std::uint64_t to) {
    if (!inMemory_) return ::lseek(fd_, static_cast<off_t>(to), SEEK_SET) == static_cast<off_t>(to);
    at_ = std::min<std::uint64_t>(to, bytes_.size());
    return at_ == to;
}

ssize_t ReadSource::ReadAt(void* into, std::size_t wanted, std::uint64_t at) const {
    if (!inMemory_) return ::pread(fd_, into, wanted, static_cast<off_t>(at));
    if (at >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(wanted, bytes_.size() - at);
    std::memcpy(into, bytes_.data() + at, n);
    return static_cast<ssize_t>(n);
}

}  // namespace quarvel
