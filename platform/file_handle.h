#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace quarvel {

// Opening a file to read it: non-blocking, so that a file that turned into a
// pipe since it was listed cannot hang the program.
inline constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
// Opening a folder to list it or to open what lies in it.
inline constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens a folder by its text, in which the root folder is the empty text.
inline int OpenFolder(const std::string& text) { return ::open(text.empty() ? "/" : text.c_str(), kFolderFlags); }

// Owns a file descriptor and closes it when it goes.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }

    int get() const { return fd_; }
    // Gives the descriptor up to the caller, who closes it.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    bool valid() const { return fd_ >= 0; }
    // False when closing reports an error (a write that failed late).
    bool Close() {
        if (fd_ < 0) return true;
        const bool ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

}  // namespace quarvel
