// Any bytes opened as an archive, as a search opens a file: every member is
// walked and read, and archives among the members are opened in turn, as
// deep as a search goes. A listed name stays inside its archive and its
// member path splits back into the names it was made of; a member's data
// keeps to the limits. Bytes that are no archive are taken as a name an
// archive could store.
#include <algorithm>
#include <vector>

#include "documents/archive_reader.h"
#include "documents/member_path.h"
#include "documents/searchable_file.h"
#include "fuzz_support.h"

using namespace quarvel;

namespace {

constexpr std::string_view kTop = "/fuzz/input";
// Most members are read only this far, so that a run stays fast.
constexpr std::uint64_t kMostRead = 64 * 1024;
// The reader takes a member's data this much at a time: the limits are
// checked after each piece, so the data may pass them by one piece.
constexpr std::uint64_t kReadPiece = 64 * 1024;
// Members of all the archives of one input: a header may claim millions.
constexpr int kMostMembers = 256;

std::string_view BaseName(std::string_view path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// No step of a listed name is empty, "." or "..", so it neither starts nor
// ends with a slash, nor holds two together (the mark of a member); and no
// backslash is left to be taken for a separator elsewhere.
void CheckListedName(const std::string& listed) {
    FUZZ_CHECK(!listed.empty());
    FUZZ_CHECK(listed.find('\\') == std::string::npos);
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = std::min(listed.find('/', at), listed.size());
        const std::string_view step = std::string_view(listed).substr(at, end - at);
        FUZZ_CHECK(!step.empty() && step != "." && step != "..");
        if (end == listed.size()) break;
        at = end + 1;
    }
}

// The path of the member listed in the archive at archivePath (itself a
// member when chain holds the names down to it), checked to split back.
std::string MemberPathOf(const std::string& archivePath, std::vector<std::string>& chain, const std::string& listed) {
    const auto [folder, name] = MemberFolderAndName(archivePath, listed);
    FUZZ_CHECK(!name.empty() && name.find('/') == std::string::npos);
    const std::string path = folder + "/" + name;
    FUZZ_CHECK(path == archivePath + std::string(kMemberMark) + listed);
    chain.push_back(listed);
    const MemberPath split = SplitMemberPath(path);
    FUZZ_CHECK(split.file == kTop);
    FUZZ_CHECK(split.members == chain);
    chain.pop_back();
    return path;
}

class Walk {
public:
    explicit Walk(std::size_t inputSize) : inputSize_(inputSize) {}

    ArchiveReader::Kind Open(const std::string& bytes, const std::string& path, std::vector<std::string>& chain) {
        ArchiveReader reader;
        const ArchiveReader::Kind kind = reader.OpenBytes(bytes);
        ArchiveMember member;
        if (kind != ArchiveReader::Kind::Archive) {
            FUZZ_CHECK(!reader.Next(member));
            return kind;
        }
        while (members_ < kMostMembers && reader.Next(member)) {
            ++members_;
            FUZZ_CHECK(!reader.Damaged());
            if (!member.regular) continue;
            const std::string listed =
                reader.Single() ? SingleMemberName(BaseName(path)) : MemberListName(member.name);
            if (listed.empty()) continue;  // a search skips it
            CheckListedName(listed);
            FUZZ_CHECK(MemberListName(listed) == listed);
            const std::string memberPath = MemberPathOf(path, chain, listed);
            Read(reader, memberPath, chain, listed);
        }
        return kind;
    }

private:
    void Read(ArchiveReader& reader, const std::string& path, std::vector<std::string>& chain,
              const std::string& listed) {
        // The very first member is read within the search's own limits: from
        // an input this small only the ratio rule can stop it.
        const bool whole = !readWhole_;
        readWhole_ = true;
        const std::uint64_t most = whole ? ArchiveReader::kMostBytes : kMostRead;
        const MemberData data = reader.Read(most);
        FUZZ_CHECK(data.bytes.size() <= most);
        if (whole) {
            const std::uint64_t ratioBound =
                std::max<std::uint64_t>(ArchiveReader::kRatioFloor, ArchiveReader::kMostRatio * inputSize_);
            FUZZ_CHECK(data.bytes.size() <= ratioBound + kReadPiece);
        }
        if (!data.overLimit.empty())
            FUZZ_CHECK(data.overLimit.starts_with("is larger than ") || data.overLimit.starts_with("expands more than "));
        if (data.damaged) FUZZ_CHECK(reader.Damaged());
        if (data.damaged || !data.overLimit.empty() || chain.size() + 1 >= kMostArchiveDepth) return;
        // An archive among the members, whatever its name, as a search opens it.
        const ContentKind kind = SniffContent(std::string_view(data.bytes).substr(0, kSniffBytes));
        if (kind != ContentKind::Archive && kind != ContentKind::Zip) return;
        chain.push_back(listed);
        Open(data.bytes, path, chain);
        chain.pop_back();
    }

    const std::size_t inputSize_;
    int members_ = 0;
    bool readWhole_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> chain;
    Walk walk(size);
    if (walk.Open(bytes, std::string(kTop), chain) != ArchiveReader::Kind::NoArchive) return 0;
    // Any other bytes as a stored name (a name holds no zero byte).
    const std::string listed = MemberListName(bytes.substr(0, bytes.find('\0')));
    if (listed.empty()) return 0;
    CheckListedName(listed);
    FUZZ_CHECK(MemberListName(listed) == listed);
    MemberPathOf(std::string(kTop), chain, listed);
    return 0;
}
