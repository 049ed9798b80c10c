// Any bytes as an archive found by a search that takes every member: its
// members, and those of archives among them, are decided as files of their
// own. A member kept as found stays within the levels a search opens and
// is found again by its path, as viewing it or handing it to another
// program finds it; one that could not be searched says why.
#include <sys/mman.h>
#include <unistd.h>

#include <set>

#include "documents/archive_reader.h"
#include "documents/member_path.h"
#include "documents/searchable_file.h"
#include "fuzz_support.h"
#include "query/match_engine.h"
#include "query/tstr.h"
#include "search/member_scan.h"

using namespace quarvel;

namespace {

// Finding a member again reads its archive from the start: only this many
// are looked for, so that an archive of many members costs no more.
constexpr std::size_t kMostLookedFor = 32;

// The archive as a file, as a search finds it on disk.
int ArchiveFile() {
    static const int fd = ::memfd_create("quarvel-fuzz-archive", 0);
    if (fd < 0) std::abort();
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ArchiveFile();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const std::string folder = "/proc/self/fd", name = std::to_string(fd), path = folder + "/" + name;

    ArchiveReader reader;
    if (reader.OpenFile(path) != ArchiveReader::Kind::Archive) return 0;

    // Every member is a candidate, and without terms every one searched is satisfied.
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchFilesMask = "*";
    cfg.SearchIncludeHidden = 1;
    cfg.SearchDocuments = 1;
    cfg.DeriveWindows(0);
    std::string expression;
    const Tstr query(expression, cfg);
    ScanObserver observer;
    const CancelFlag cancel;
    MatchEngine engine(cfg, query, observer, cancel);
    const MemberFilter filter(cfg);
    TSaveFile archive;
    archive.folder = folder;
    archive.name = name;
    std::vector<MemberOutcome> outcomes;
    const std::string problem = DecideMembers(reader, archive, path, filter, engine, cancel, outcomes);
    FUZZ_CHECK(problem.empty() || problem == "the archive is damaged");

    std::size_t lookedFor = 0;
    std::set<std::string> seen;
    for (const MemberOutcome& outcome : outcomes) {
        const std::string memberPath = outcome.record.Path();
        const MemberPath split = SplitMemberPath(memberPath);
        FUZZ_CHECK(split.file == path);
        FUZZ_CHECK(!split.members.empty() && split.members.size() <= kMostArchiveDepth);
        for (const std::string& step : split.members) FUZZ_CHECK(!step.empty() && step.front() != '/');
        if (!outcome.problem.empty()) continue;
        FUZZ_CHECK(outcome.satisfied == 1);
        // A name listed twice is found again as its first member, which may
        // be one not kept: only a path's first outcome is looked for.
        if (!seen.insert(memberPath).second || ++lookedFor > kMostLookedFor) continue;
        const MemberBytes again = ReadMemberBytes(memberPath);
        if (!again.missing) continue;
        std::fprintf(stderr, "a member kept as found is missing by its path: %s\n", memberPath.c_str());
        std::abort();
    }
    return 0;
}
