#include "documents/text_cache.h"

#include <sys/stat.h>

#include <deque>
#include <mutex>

#include "documents/member_path.h"

namespace quarvel::text_cache {

namespace {

struct Entry {
    std::string key;
    FileHandle fd;
    std::uint64_t bytes = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
};

std::mutex mutex;
std::deque<Entry> entries;  // the newest first

// The path and the file on disk as it is now: a file changed since gives another key.
std::string Key(const std::string& path) {
    const std::string file = IsMemberPath(path) ? SplitMemberPath(path).file : path;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return std::string();
    return path + '\0' + std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + ':' +
           std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
           std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace

Found Find(const std::string& path) {
    Found found;
    const std::string key = Key(path);
    if (key.empty()) return found;
    std::lock_guard<std::mutex> lock(mutex);
    for (const Entry& entry : entries) {
        if (entry.key != key) continue;
        // Opened again, not duplicated: each reader has its own offset.
        const std::string self = "/proc/self/fd/" + std::to_string(entry.fd.get());
        found.fd = FileHandle(::open(self.c_str(), O_RDONLY | O_CLOEXEC));
        found.size = entry.size;
        found.modified = entry.modified;
        break;
    }
    return found;
}

void Keep(const std::string& path, int fd, std::uint64_t size, std::int64_t modified) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) > kMostBytes) return;
    std::string key = Key(path);
    if (key.empty()) return;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    FileHandle own(::open(self.c_str(), O_RDONLY | O_CLOEXEC));
    if (!own.valid()) return;
    std::lock_guard<std::mutex> lock(mutex);
    std::uint64_t total = static_cast<std::uint64_t>(st.st_size);
    std::deque<Entry> kept;
    kept.push_back({std::move(key), std::move(own), static_cast<std::uint64_t>(st.st_size), size, modified});
    for (Entry& entry : entries) {
        if (entry.key == kept.front().key || kept.size() == kEntries || total + entry.bytes > kMostBytes) continue;
        total += entry.bytes;
        kept.push_back(std::move(entry));
    }
    entries.swap(kept);
}

}  // namespace quarvel::text_cache
