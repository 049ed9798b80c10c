#include "documents/searchable_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "documents/archive_reader.h"
#include "documents/member_path.h"
#include "documents/office_text.h"
#include "documents/pdf_text.h"
#include "documents/text_cache.h"
#include "platform/memory_file.h"

namespace quarvel {

namespace {

bool Begins(std::string_view head, std::string_view magic) { return head.substr(0, magic.size()) == magic; }

bool EndsWithFolded(std::string_view name, std::string_view ending) {
    if (name.size() <= ending.size()) return false;
    const std::string_view tail = name.substr(name.size() - ending.size());
    return std::equal(tail.begin(), tail.end(), ending.begin(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; });
}

// Reads up to kSniffBytes from the start of an open file.
std::string Head(int fd) {
    std::string head(kSniffBytes, '\0');
    ssize_t got;
    do got = ::pread(fd, head.data(), head.size(), 0);
    while (got < 0 && errno == EINTR);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return head;
}

Searchable Failed(std::string why) {
    Searchable result;
    result.failure = std::move(why);
    return result;
}

Searchable FromDocument(DocumentText&& document) {
    if (!document.ok) return Failed(std::move(document.failure));
    return SearchableText(document.text);
}

// The member of the archive the reader has open whose listed name is wanted,
// its data read: false when there is none.
bool FindMember(ArchiveReader& reader, const std::string& archiveName, const std::string& wanted,
                ArchiveMember& member, MemberData& data) {
    while (reader.Next(member)) {
        if (!member.regular) continue;
        const std::string listed = reader.Single() ? SingleMemberName(archiveName) : MemberListName(member.name);
        if (listed != wanted) continue;
        data = reader.Read();
        return true;
    }
    return false;
}

std::string BaseName(std::string_view path) {
    const std::size_t cut = path.rfind('/');
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

Searchable OpenMember(const std::string& path) {
    MemberBytes member = ReadMemberBytes(path);
    Searchable content;
    if (member.missing) {
        content.missing = true;
        return content;
    }
    if (!member.failure.empty()) return Failed(std::move(member.failure));
    std::optional<DocumentText> document = DocumentOfBytes(member.bytes, DocumentDeadline());
    content = document ? FromDocument(std::move(*document)) : SearchableText(member.bytes);
    content.member = true;
    content.size = member.size;
    content.modified = member.modified;
    return content;
}

}  // namespace

ContentKind SniffContent(std::string_view head) {
    if (Begins(head, "PK\x03\x04") || Begins(head, "PK\x05\x06")) return ContentKind::Zip;
    if (Begins(head, "%PDF-")) return ContentKind::Pdf;
    static constexpr std::array<std::string_view, 5> kArchiveMagic{
        std::string_view("\x1F\x8B", 2), std::string_view("BZh", 3), std::string_view("\xFD" "7zXZ\0", 6),
        std::string_view("\x28\xB5\x2F\xFD", 4), std::string_view("7z\xBC\xAF\x27\x1C", 6)};
    for (std::string_view magic : kArchiveMagic)
        if (Begins(head, magic)) return ContentKind::Archive;
    if (head.size() >= 262 && head.substr(257, 5) == "ustar") return ContentKind::Archive;
    return ContentKind::Plain;
}

bool NamedLikeArchive(std::string_view name) {
    static constexpr std::array<std::string_view, 13> kEndings{
        ".zip", ".tar", ".tgz", ".gz", ".tbz", ".tbz2", ".bz2", ".txz", ".xz", ".tzst", ".zst", ".7z", ".jar"};
    return std::any_of(kEndings.begin(), kEndings.end(),
                       [&](std::string_view ending) { return EndsWithFolded(name, ending); });
}

std::optional<DocumentText> DocumentOfFile(const std::string& path, ContentKind kind, Deadline deadline) {
    if (kind == ContentKind::Pdf) return PdfText(path, deadline);
    if (kind == ContentKind::Zip) return ZipDocumentText(&path, nullptr, deadline);
    return std::nullopt;
}

std::optional<DocumentText> DocumentOfBytes(const std::string& bytes, Deadline deadline) {
    const ContentKind kind = SniffContent(std::string_view(bytes).substr(0, kSniffBytes));
    if (kind == ContentKind::Pdf) return PdfTextOfBytes(bytes, deadline);
    if (kind == ContentKind::Zip) return ZipDocumentText(nullptr, &bytes, deadline);
    return std::nullopt;
}

MemberBytes ReadMemberBytes(const std::string& path) {
    const MemberPath split = SplitMemberPath(path);
    MemberBytes result;
    ArchiveReader reader;
    if (split.members.empty() || split.members.size() > kMostArchiveDepth ||
        reader.OpenFile(split.file) != ArchiveReader::Kind::Archive) {
        result.missing = true;
        return result;
    }
    // A single compressed file's header may hold no time: its archive's stands in.
    struct stat st {};
    std::int64_t containerTime = ::stat(split.file.c_str(), &st) == 0 ? st.st_mtime : 0;
    std::string archiveName = BaseName(split.file);
    // Each archive inside another is read from its bytes, held while it is read.
    std::vector<std::string> held;
    held.reserve(kMostArchiveDepth);
    for (std::size_t level = 0; level < split.members.size(); ++level) {
        ArchiveMember member;
        MemberData data;
        if (!FindMember(reader, archiveName, split.members[level], member, data)) {
            result.missing = true;
            return result;
        }
        if (!data.overLimit.empty() || data.damaged) {
            result.failure = data.damaged ? "the archive is damaged" : data.overLimit;
            return result;
        }
        result.bytes = std::move(data.bytes);
        result.size = result.bytes.size();
        result.modified = member.modified != 0 ? member.modified : containerTime;
        containerTime = result.modified;
        if (level + 1 == split.members.size()) break;
        archiveName = BaseName(split.members[level]);
        held.push_back(std::move(result.bytes));
        if (reader.OpenBytes(held.back()) != ArchiveReader::Kind::Archive) {
            result.missing = true;
            return result;
        }
    }
    return result;
}

bool ReadAsItIs(const std::string& path, bool documents) {
    if (!documents) return true;
    if (IsMemberPath(path)) return false;
    const FileHandle file(::open(path.c_str(), kReadFlags));
    return !file.valid() || SniffContent(Head(file.get())) == ContentKind::Plain;
}

Searchable SearchableText(const std::string& bytes) {
    Searchable result;
    result.fd = MemoryFile(bytes);
    if (!result.fd.valid()) result.failure = "no memory for its text";
    return result;
}

namespace {

// A made text, and the last ones kept for whoever reads the same file next.
Searchable Kept(const std::string& path, Searchable&& made) {
    if (made.fd.valid()) text_cache::Keep(path, made.fd.get(), made.size, made.modified);
    return std::move(made);
}

bool FoundKept(const std::string& path, Searchable& result) {
    text_cache::Found kept = text_cache::Find(path);
    if (!kept.fd.valid()) return false;
    result.fd = std::move(kept.fd);
    result.member = IsMemberPath(path);
    result.size = kept.size;
    result.modified = kept.modified;
    return true;
}

}  // namespace

Searchable OpenSearchable(const std::string& path, bool documents, FileHandle opened) {
    Searchable result;
    if (documents && IsMemberPath(path)) return FoundKept(path, result) ? std::move(result) : Kept(path, OpenMember(path));
    result.fd = opened.valid() ? std::move(opened) : FileHandle(::open(path.c_str(), kReadFlags));
    if (!result.fd.valid()) {
        result.missing = errno == ENOENT || errno == ENOTDIR;
        return result;
    }
    if (!documents) return result;
    const ContentKind kind = SniffContent(Head(result.fd.get()));
    return OpenOfKind(path, kind, std::move(result.fd));
}

Searchable OpenOfKind(const std::string& path, ContentKind kind, FileHandle opened) {
    Searchable result;
    result.fd = std::move(opened);
    if (kind == ContentKind::Plain) return result;
    if (kind == ContentKind::Archive) {
        result.archive = true;
        return result;
    }
    Searchable kept;
    if (FoundKept(path, kept)) return kept;
    std::optional<DocumentText> document = DocumentOfFile(path, kind, DocumentDeadline());
    if (!document) {
        result.archive = true;  // a zip of members
        return result;
    }
    return Kept(path, FromDocument(std::move(*document)));
}

}  // namespace quarvel
