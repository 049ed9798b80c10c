#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "documents/document_text.h"
#include "platform/file_handle.h"

namespace quarvel {

// What a file's first bytes show it to be. A search reads a plain file as
// it is, the text of a document, and the members of an archive.
enum class ContentKind { Plain, Pdf, Zip, Archive };
inline constexpr std::size_t kSniffBytes = 512;
// head: the file's first kSniffBytes bytes, fewer for a shorter file.
ContentKind SniffContent(std::string_view head);

// Whether a name ends as archives' names do: such a file is opened for its
// members even when the file masks refuse its own name.
bool NamedLikeArchive(std::string_view name);

using Deadline = std::chrono::steady_clock::time_point;
inline Deadline DocumentDeadline() { return std::chrono::steady_clock::now() + std::chrono::seconds(kDocumentSeconds); }

// The text of a document, from the file at path or from bytes in memory;
// nullopt when it is none (a plain file, an archive, a zip of members).
std::optional<DocumentText> DocumentOfFile(const std::string& path, ContentKind kind, Deadline deadline);
std::optional<DocumentText> DocumentOfBytes(const std::string& bytes, Deadline deadline);

// What a search reads of a file or of a member of an archive.
struct Searchable {
    FileHandle fd;         // the file itself, or a memory file with a document's text or a member's bytes
    bool missing = false;  // there is no such file or member
    bool archive = false;  // the file is an archive: its members are searched, not it (fd: the file)
    std::string failure;   // why nothing can be read, said after the path ("the PDF is encrypted")
    // A member's own size and time as its archive states them now.
    bool member = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
};

// Opens what is searched of the file or member at path. Without documents
// a file is read as it is and a member path names nothing. opened: the file,
// when the caller has it open already.
Searchable OpenSearchable(const std::string& path, bool documents, FileHandle opened = FileHandle());

// The same for a file (no member) whose first bytes showed its kind already;
// opened: the file.
Searchable OpenOfKind(const std::string& path, ContentKind kind, FileHandle opened);

// The bytes of the member at path (as stored, not its text), with its own
// size and time as its archive states them.
struct MemberBytes {
    std::string bytes;
    bool missing = false;  // no such archive or member
    std::string failure;   // over a limit, or damaged
    std::uint64_t size = 0;
    std::int64_t modified = 0;
};
MemberBytes ReadMemberBytes(const std::string& path);

// Whether a search reads the file at path as its own bytes: no document, no
// archive, no member of one. Scans that read a file in pieces ask first.
bool ReadAsItIs(const std::string& path, bool documents);

// The bytes of a member, or a member's text: into a memory file.
Searchable SearchableText(const std::string& bytes);

}  // namespace quarvel
