#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <vector>

#include "platform/error.h"
#include "platform/file_handle.h"

namespace quarvel {
namespace {

// As many links as the system itself follows before it gives up.
constexpr int kMaxLinks = 40;

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The path a chain of symbolic links ends at; a relative link is read from
// the folder that holds it. False when the chain does not end.
bool FinalTarget(std::string path, std::string& final) {
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            final = path;
            return true;
        }
        std::string target;
        if (!ReadLink(path, target) || target.empty()) return false;
        const std::size_t slash = path.rfind('/');
        path = target.front() == '/' || slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
    }
    return false;
}

// A name of a dozen bytes, so that it fits beside a target whose own name
// has the longest length the file system allows.
std::string TemporaryName(const std::string& folder) {
    static thread_local std::mt19937_64 random(
        std::random_device{}() ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint64_t>(::getpid()));
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = folder + "/.qv-";
    for (int i = 0; i < 8; ++i) name += kDigits[random() % 36];
    return name;
}

// A new, exclusive temporary file in the folder; -1 when none can be made.
int CreateTemporary(const std::string& folder, mode_t mode, std::string& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = TemporaryName(folder);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

ReplaceOutcome ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string target;
    if (path.empty() || !FinalTarget(path, target)) return ReplaceOutcome::Failed;
    if (target.back() == '/') return ReplaceOutcome::NotAFile;

    const std::string folder = FolderOf(target);
    struct stat folderStat {};
    if (::stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode)) return ReplaceOutcome::NoFolder;

    struct stat old {};
    const bool exists = ::lstat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return ReplaceOutcome::NotAFile;
    // The same test as opening it for writing: the effective user, and root may write anything.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return ReplaceOutcome::NotWritable;

    // Kept private until it has the permissions of the file it replaces.
    std::string tempPath;
    FileHandle fd(CreateTemporary(folder, exists ? 0600 : 0666, tempPath));
    if (!fd.valid()) return ReplaceOutcome::Failed;
    if (exists) {
        (void)::fchown(fd.get(), old.st_uid, old.st_gid);  // allowed to root, or to the owner for a group of theirs
    }
    const bool written = (!exists || ::fchmod(fd.get(), old.st_mode & 07777) == 0) && WriteAll(fd.get(), bytes) &&
                         ::fsync(fd.get()) == 0;
    if (!fd.Close() || !written || ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return ReplaceOutcome::Failed;
    }
    // Makes the rename itself durable; the file is complete either way.
    const FileHandle dir(::open(folder.c_str(), kFolderFlags));
    if (dir.valid()) (void)::fsync(dir.get());
    return ReplaceOutcome::Replaced;
}

void ReplaceFileOrThrow(const std::string& path, std::string_view bytes) {
    const char* reason = "";
    switch (ReplaceFile(path, bytes)) {
        case ReplaceOutcome::Replaced: return;
        case ReplaceOutcome::NoFolder: reason = ": its folder does not exist"; break;
        case ReplaceOutcome::NotAFile: reason = ": it is not a regular file"; break;
        case ReplaceOutcome::NotWritable: reason = ": no permission to write it"; break;
        case ReplaceOutcome::Failed: break;
    }
    throw QuarvelError("Can`t create file " + path + reason);
}

}  // namespace quarvel
