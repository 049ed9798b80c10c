#include "viewer/view_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "documents/searchable_file.h"

namespace quarvel {

ViewFile::ViewFile(const std::string& path, bool documents) {
    // Not blocking on open: whatever was put in the file's place, the viewer never waits for it.
    if (documents) {
        // An archive listed by an empty expression shows as its bytes.
        fd_ = OpenSearchable(path, true).fd.Release();
    } else {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    }
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
}

ViewFile::~ViewFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t ViewFile::ReadAt(std::uint64_t offset, char* into, std::size_t count) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < count) {
        const ssize_t got = ::pread(fd_, into + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace quarvel
