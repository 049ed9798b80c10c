// Any bytes as a search takes a document's text from a member: a PDF, an
// office file or a book gives its text as UTF-8 or says why it gives none;
// anything else is no document. An input that starts as neither a PDF nor a
// zip lists members instead, each after a line "--- name", and is packed
// here into a zip: a zip's checksums would refuse almost every change the
// fuzzer makes to the XML inside it, and the XML is what is read.
#include <array>
#include <chrono>
#include <optional>
#include <vector>

#include "documents/searchable_file.h"
#include "fuzz_support.h"
#include "platform/text_conv.h"

using namespace quarvel;

namespace {

// Short, so that a slow input shows as slow, not as a hung run.
constexpr std::chrono::seconds kDeadline{2};
constexpr std::size_t kMostMembers = 64;

struct Member {
    std::string_view name, bytes;
};

// "--- name\nbytes\n--- name\nbytes": the line feed before a "--- " line
// belongs to it; whatever comes before the first one is left out.
std::vector<Member> ListedMembers(std::string_view text) {
    std::vector<Member> members;
    constexpr std::string_view kMark = "\n--- ";
    std::size_t at = text.starts_with(kMark.substr(1)) ? 0 : text.find(kMark);
    if (at != 0 && at != std::string_view::npos) ++at;
    while (at != std::string_view::npos && members.size() < kMostMembers) {
        at += kMark.size() - 1;
        const std::size_t nameEnd = std::min(text.find('\n', at), text.size());
        const std::size_t next = text.find(kMark, nameEnd);
        const std::size_t from = std::min(nameEnd + 1, text.size());
        const std::size_t to = next == std::string_view::npos ? text.size() : std::max(next, from);
        members.push_back({text.substr(at, nameEnd - at), text.substr(from, to - from)});
        at = next == std::string_view::npos ? next : next + 1;
    }
    return members;
}

std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1u ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const unsigned char b : bytes) c = table[(c ^ b) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFFu);
    out += static_cast<char>(v >> 8 & 0xFFu);
}
void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

// A zip that stores the members as they are, each in a local header and in
// the central directory, as a writer of documents makes them.
std::string StoredZip(const std::vector<Member>& members) {
    std::string zip, directory;
    for (const Member& m : members) {
        const auto offset = static_cast<std::uint32_t>(zip.size());
        const auto size = static_cast<std::uint32_t>(m.bytes.size());
        const std::uint32_t crc = Crc32(m.bytes);
        // From the version needed to the extra field's length, both headers alike.
        auto common = [&](std::string& out) {
            Put16(out, 20);
            Put16(out, 0);       // no flags
            Put16(out, 0);       // stored
            Put16(out, 0);       // 00:00
            Put16(out, 0x21);    // 1980-01-01
            Put32(out, crc);
            Put32(out, size);
            Put32(out, size);
            Put16(out, static_cast<std::uint32_t>(m.name.size()));
            Put16(out, 0);
        };
        Put32(zip, 0x04034B50u);
        common(zip);
        zip.append(m.name).append(m.bytes);
        Put32(directory, 0x02014B50u);
        Put16(directory, 20);
        common(directory);
        Put16(directory, 0);  // no comment
        Put16(directory, 0);  // disk
        Put16(directory, 0);  // internal attributes
        Put32(directory, 0);  // external attributes
        Put32(directory, offset);
        directory.append(m.name);
    }
    const auto offset = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    Put32(zip, 0x06054B50u);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<std::uint32_t>(members.size()));
    Put16(zip, static_cast<std::uint32_t>(members.size()));
    Put32(zip, static_cast<std::uint32_t>(directory.size()));
    Put32(zip, offset);
    Put16(zip, 0);
    return zip;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.starts_with("%PDF-") && !bytes.starts_with("PK")) bytes = StoredZip(ListedMembers(bytes));

    const std::optional<DocumentText> document =
        DocumentOfBytes(bytes, std::chrono::steady_clock::now() + kDeadline);
    const ContentKind kind = SniffContent(std::string_view(bytes).substr(0, kSniffBytes));
    // Only a PDF or a zip can be a document; a PDF always is, a zip only
    // when its members say so (else it is searched as an archive).
    if (kind != ContentKind::Pdf && kind != ContentKind::Zip) {
        FUZZ_CHECK(!document);
        return 0;
    }
    if (kind == ContentKind::Pdf) FUZZ_CHECK(document.has_value());
    if (!document) return 0;
    if (document->ok) {
        FUZZ_CHECK(document->failure.empty());
        FUZZ_CHECK(DecodeUtf8(document->text).has_value());
        // Every page of a PDF ends with a form feed.
        if (kind == ContentKind::Pdf) FUZZ_CHECK(document->text.empty() || document->text.back() == '\f');
    } else {
        FUZZ_CHECK(!document->failure.empty());
        FUZZ_CHECK(document->text.empty());
    }
    return 0;
}
