#include "platform/memory_file.h"

#include <sys/mman.h>

#include <cerrno>

namespace quarvel {

FileHandle MemoryFile(std::string_view bytes) {
    FileHandle file(::memfd_create("quarvel-text", MFD_CLOEXEC));
    std::size_t done = 0;
    while (file.valid() && done < bytes.size()) {
        const ssize_t wrote = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return FileHandle();
        done += static_cast<std::size_t>(wrote);
    }
    if (file.valid() && ::lseek(file.get(), 0, SEEK_SET) != 0) return FileHandle();
    return file;
}

}  // namespace quarvel
