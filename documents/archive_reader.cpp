#include "documents/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>

namespace quarvel {

namespace {

constexpr std::size_t kBlock = 64 * 1024;
// The library's own error number, beside the system's (a file it cannot open)
// and EILSEQ (a kind it does not know); its header names it only in a comment.
constexpr int kLibraryError = -1;

// The kinds it reads, and no others: a reader that takes any text for an
// archive of some kind (mtree) would hide plain files from the search.
void SupportKinds(archive* a, bool raw) {
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
    archive_read_support_filter_zstd(a);
    if (raw) {
        archive_read_support_format_raw(a);
        return;
    }
    archive_read_support_format_zip(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_gnutar(a);
    archive_read_support_format_7zip(a);
}

bool Compressed(archive* a) {
    const int code = archive_filter_code(a, 0);
    return code == ARCHIVE_FILTER_GZIP || code == ARCHIVE_FILTER_BZIP2 || code == ARCHIVE_FILTER_XZ ||
           code == ARCHIVE_FILTER_ZSTD;
}

std::string SizeText(std::uint64_t bytes) {
    if (bytes % (1ull << 30) == 0) return std::to_string(bytes >> 30) + " GB";
    if (bytes % (1ull << 20) == 0) return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}

}  // namespace

ArchiveReader::ArchiveReader() = default;

ArchiveReader::~ArchiveReader() {
    if (archive_) archive_read_free(archive_);
}

bool ArchiveReader::Open(const std::string* path, const std::string* bytes, bool raw) {
    if (archive_) archive_read_free(archive_);
    archive_ = archive_read_new();
    raw_ = raw;
    damaged_ = false;
    emptySingle_ = atEnd_ = false;
    pending_ = nullptr;
    SupportKinds(archive_, raw);
    const int opened = path ? archive_read_open_filename(archive_, path->c_str(), kBlock)
                            : archive_read_open_memory(archive_, bytes->data(), bytes->size());
    return opened == ARCHIVE_OK;
}

ArchiveReader::Kind ArchiveReader::First() {
    const std::string* path = bytes_ ? nullptr : &path_;
    // The library judges the kind as it opens, or at the first header.
    int got = ARCHIVE_FATAL;
    if (Open(path, bytes_, false)) {
        got = archive_read_next_header(archive_, &pending_);
        if (got == ARCHIVE_OK || got == ARCHIVE_WARN) return Kind::Archive;
    } else if (archive_errno(archive_) == kLibraryError) {
        // Neither a kind it does not know nor a file it cannot open: a
        // compression that began and broke off (a cut gzip file).
        damaged_ = true;
        return Kind::Damaged;
    }
    // An archive that ends before its first member holds none, unless it is
    // compressed: a compressed file that begins with a block of zeros reads as
    // an empty tar, and is a single file as much as an empty tar is.
    const bool endedAtOnce = got == ARCHIVE_EOF;
    if (endedAtOnce && !Compressed(archive_)) {
        pending_ = nullptr;
        atEnd_ = true;
        return Kind::Archive;
    }
    // Some kind began to read and failed: a damaged archive. Else a single
    // compressed file, which is no archive of any kind, is its one member.
    const bool began = archive_format(archive_) != 0 && !endedAtOnce;
    if (!began && Compressed(archive_)) {
        if (!Open(path, bytes_, true)) {
            // The compression read well and left nothing, which no format takes: a
            // compressed empty file, whose one member holds nothing.
            if (!Compressed(archive_)) return Kind::Damaged;
            emptySingle_ = true;
            return Kind::Archive;
        }
        got = archive_read_next_header(archive_, &pending_);
        if (got == ARCHIVE_OK || got == ARCHIVE_WARN) return Kind::Archive;
        damaged_ = true;
        return Kind::Damaged;
    }
    pending_ = nullptr;
    damaged_ = began;
    return began ? Kind::Damaged : Kind::NoArchive;
}

ArchiveReader::Kind ArchiveReader::OpenFile(const std::string& path) {
    path_ = path;
    bytes_ = nullptr;
    return First();
}

ArchiveReader::Kind ArchiveReader::OpenBytes(const std::string& bytes) {
    bytes_ = &bytes;
    path_.clear();
    return First();
}

void ArchiveReader::Take(archive_entry* entry, ArchiveMember& member) const {
    const char* name = archive_entry_pathname(entry);
    member.name = name ? name : "";
    member.sizeKnown = archive_entry_size_is_set(entry) != 0;
    member.size = member.sizeKnown
                      ? static_cast<std::uint64_t>(std::max<la_int64_t>(0, archive_entry_size(entry)))
                      : 0;
    member.modified = archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : 0;
    member.regular = raw_ || archive_entry_filetype(entry) == AE_IFREG;
}

bool ArchiveReader::Next(ArchiveMember& member) {
    if (!archive_ || damaged_) return false;
    if (emptySingle_) {
        member = ArchiveMember();
        member.regular = true;
        emptySingle_ = false;
        atEnd_ = true;
        return true;
    }
    if (atEnd_) return false;
    if (pending_) {
        Take(pending_, member);
        pending_ = nullptr;
        return true;
    }
    archive_entry* entry = nullptr;
    const int got = archive_read_next_header(archive_, &entry);
    if (got == ARCHIVE_EOF) return false;
    if (got != ARCHIVE_OK && got != ARCHIVE_WARN) {
        damaged_ = true;
        return false;
    }
    Take(entry, member);
    return true;
}

MemberData ArchiveReader::Read(std::uint64_t most) {
    MemberData data;
    if (atEnd_) return data;
    most = std::min(most, kMostBytes);
    const la_int64_t before = archive_filter_bytes(archive_, -1);
    char block[kBlock];
    for (;;) {
        const la_ssize_t got = archive_read_data(archive_, block, sizeof block);
        if (got == 0) break;
        if (got < 0) {
            data.damaged = true;
            damaged_ = true;
            break;
        }
        if (data.bytes.size() + static_cast<std::size_t>(got) > most) {
            data.overLimit = "is larger than " + SizeText(most);
            break;
        }
        data.bytes.append(block, static_cast<std::size_t>(got));
        // The bytes of the archive taken so far for this member: a member that
        // expands far more than text does is a bomb, not a document.
        const auto taken = static_cast<std::uint64_t>(std::max<la_int64_t>(1, archive_filter_bytes(archive_, -1) - before));
        if (data.bytes.size() > kRatioFloor && data.bytes.size() > kMostRatio * taken) {
            data.overLimit = "expands more than " + std::to_string(kMostRatio) + " times";
            break;
        }
    }
    return data;
}

}  // namespace quarvel
