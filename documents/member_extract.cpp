#include "documents/member_extract.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "documents/member_path.h"
#include "documents/searchable_file.h"
#include "platform/error.h"
#include "platform/file_handle.h"

namespace quarvel {

namespace {

std::mutex folderMutex;
std::string folder;     // guarded by folderMutex
unsigned copies = 0;    // folders made for copies so far

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void RemoveAtExit() { RemovePrivateTemporaryFolder(); }

std::string MakeFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/quarvel-XXXXXX";
    if (!::mkdtemp(pattern.data())) return std::string();
    ::chmod(pattern.c_str(), 0700);
    std::atexit(&RemoveAtExit);
    return pattern;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

const std::string& PrivateTemporaryFolder() {
    std::lock_guard<std::mutex> lock(folderMutex);
    if (folder.empty()) folder = MakeFolder();
    return folder;
}

void RemovePrivateTemporaryFolder() {
    std::lock_guard<std::mutex> lock(folderMutex);
    if (folder.empty()) return;
    // Depth first, never following a link out of the folder.
    ::nftw(folder.c_str(), &RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    folder.clear();
}

HandedOver PathToHandOver(const std::string& path) {
    HandedOver result;
    if (!IsMemberPath(path)) {
        result.path = path;
        return result;
    }
    MemberBytes member = ReadMemberBytes(path);
    if (member.missing) {
        result.failure = "File not found:\n" + path;
        return result;
    }
    if (!member.failure.empty()) {
        result.failure = path + ": " + member.failure;
        return result;
    }
    const std::string& base = PrivateTemporaryFolder();
    if (base.empty()) {
        result.failure = "Can`t create file " + path;
        return result;
    }
    // The member's last step: MemberListName leaves no "..", "." or separator in it.
    const std::string listed = SplitMemberPath(path).members.back();
    std::string name = listed.substr(listed.rfind('/') + 1);
    if (name.empty() || name == "." || name == "..") name = "member";
    std::string into;
    {
        std::lock_guard<std::mutex> lock(folderMutex);
        into = base + "/" + std::to_string(++copies);
    }
    if (::mkdir(into.c_str(), 0700) != 0) {
        result.failure = "Can`t create file " + into + ": " + SystemErrorText(errno);
        return result;
    }
    into += "/" + name;
    FileHandle file(::open(into.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid() || !WriteAll(file.get(), member.bytes) || !file.Close()) {
        result.failure = "Can`t create file " + into;
        ::unlink(into.c_str());
        return result;
    }
    result.path = into;
    return result;
}

}  // namespace quarvel
