#pragma once
#include <cstdint>
#include <memory>
#include <string>

struct archive;
struct archive_entry;

namespace quarvel {

// One member of an archive, as its header tells it.
struct ArchiveMember {
    std::string name;         // its path in the archive, the bytes as stored
    std::uint64_t size = 0;   // as the header states it
    bool sizeKnown = false;   // a single compressed file states none
    std::int64_t modified = 0;  // seconds since 1970, UTC
    bool regular = false;     // a file (not a folder, a link or a device)
};

// What a member's data came to.
struct MemberData {
    std::string bytes;
    // Why the data stops short ("is larger than 1 GB", "expands more than 100
    // times"), or empty when it is whole.
    std::string overLimit;
    bool damaged = false;  // the archive could not be read on
};

// The members of a zip, tar (plain or compressed with gzip, bzip2, xz or
// zstd), or 7z archive, and a single file compressed with one of those, read
// one after the other from a file or from bytes in memory (a member of
// another archive). The archive is recognised by its content, not its name.
class ArchiveReader {
public:
    // A member may expand to at most this many bytes, and at most kMostRatio
    // times the bytes it takes in the archive (once it passes kRatioFloor).
    static constexpr std::uint64_t kMostBytes = 1ull << 30;
    static constexpr std::uint64_t kMostRatio = 100;
    static constexpr std::uint64_t kRatioFloor = 1u << 20;

    ArchiveReader();
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    enum class Kind { NoArchive, Archive, Damaged };
    // Whether the file (or the bytes, which must outlive the reader) is an
    // archive of those kinds, by its first member's header: Damaged when it
    // starts as one but its first header cannot be read.
    Kind OpenFile(const std::string& path);
    Kind OpenBytes(const std::string& bytes);

    // The next member; false at the end, or when the archive is damaged (Damaged()).
    bool Next(ArchiveMember& member);
    bool Damaged() const { return damaged_; }
    // A single compressed file, whose one member's header names nothing.
    bool Single() const { return raw_; }
    // The current member's data, within the limits (most: a lower limit of the caller's).
    MemberData Read(std::uint64_t most = kMostBytes);

private:
    bool Open(const std::string* path, const std::string* bytes, bool raw);
    Kind First();
    void Take(archive_entry* entry, ArchiveMember& member) const;

    archive* archive_ = nullptr;
    bool raw_ = false;  // a single compressed file: its one member is "data"
    bool damaged_ = false;
    bool emptySingle_ = false;  // a compressed empty file, whose one member is still to come
    bool atEnd_ = false;        // that member was handed out: nothing follows
    archive_entry* pending_ = nullptr;  // the first member's header, read by Open
    const std::string* bytes_ = nullptr;
    std::string path_;
};

}  // namespace quarvel
