#include "search/candidate_scan.h"

#include <sys/stat.h>

#include <cerrno>

#include "documents/archive_reader.h"
#include "documents/member_path.h"
#include "documents/searchable_file.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "search/file_selection.h"

namespace quarvel {

FileHandle FolderCache::OpenFile(const TSaveFile& record, const std::string& path) {
    const std::string& name = record.name.str();
    if (name.empty() || name.find('/') != std::string::npos) return FileHandle(::open(path.c_str(), kReadFlags));
    const int folder = folders_.Open(record.folder.str());
    return FileHandle(folder >= 0 ? ::openat(folder, name.c_str(), kReadFlags) : ::open(path.c_str(), kReadFlags));
}

CandidateCheck CheckCandidate(TSaveFile& record, const std::string& path, FolderCache& folders, bool statLater) {
    CandidateCheck check;
    if (IsMemberPath(path)) {
        // A member is looked up in its archive by its scan; here only the archive is.
        struct stat st {};
        const std::string file = SplitMemberPath(path).file;
        check.missing = ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode);
        return check;
    }
    check.file = folders.OpenFile(record, path);
    struct stat st {};
    if (check.file.valid() && ::fstat(check.file.get(), &st) != 0) check.file.Close();
    if ((!check.file.valid() && ::stat(path.c_str(), &st) != 0) || !S_ISREG(st.st_mode)) {
        check.missing = true;
        check.file.Close();
        return check;
    }
    const DosStamp stamp = DosStampFromTime(st.st_mtime);
    if (statLater) {
        record.size = static_cast<std::uint64_t>(st.st_size);
        record.date = stamp.date;
        record.time = stamp.time;
        record.attributes = FileAttributes(record.name.str(), st);
        return check;
    }
    check.changed = stamp.time != record.time || stamp.date != record.date ||
                    static_cast<std::uint64_t>(st.st_size) != record.size;
    return check;
}

namespace {

void DecideDocument(const TSaveFile& record, const std::string& path, MatchEngine& engine, FileHandle file,
                    CandidateOutcome& outcome, const MemberFilter& documents) {
    Searchable content;
    if (IsMemberPath(path)) {
        content = OpenSearchable(path, true);
    } else {
        // A plain file is decided as it is read: its first block tells, with no read more.
        ContentKind kind = ContentKind::Plain;
        const MatchEngine::HeadCheck plain = [&kind](const unsigned char* head, std::size_t n) {
            kind = SniffContent(std::string_view(reinterpret_cast<const char*>(head), std::min(n, kSniffBytes)));
            return kind == ContentKind::Plain;
        };
        const int decided = engine.Decide(file.get(), path, &plain);
        if (decided != MatchEngine::kRefused) {
            outcome.satisfied = decided;
            outcome.read = engine.Result().read;
            return;
        }
        content = OpenOfKind(path, kind, std::move(file));
    }
    if (content.missing) {
        outcome.missing = true;
        return;
    }
    if (content.member) {
        const DosStamp stamp = DosStampFromTime(content.modified);
        outcome.changed = content.size != record.size || stamp.date != record.date || stamp.time != record.time;
    }
    outcome.read = true;
    if (!content.failure.empty()) {
        outcome.problem = std::move(content.failure);
        return;
    }
    if (content.archive) {
        ArchiveReader reader;
        switch (reader.OpenFile(path)) {
            case ArchiveReader::Kind::Damaged: outcome.problem = "the archive is damaged"; return;
            case ArchiveReader::Kind::Archive:
                outcome.problem = DecideMembers(reader, record, path, documents, engine, engine.Cancel(), outcome.members);
                return;
            case ArchiveReader::Kind::NoArchive: break;  // it only began as one: its bytes are searched
        }
    }
    // The file itself may have been read from already.
    if (!content.fd.valid() || ::lseek(content.fd.get(), 0, SEEK_SET) != 0) {
        outcome.failed = true;
        outcome.failure = kErrorOpenFile;
        return;
    }
    outcome.satisfied = engine.Decide(content.fd.get(), path);
}

}  // namespace

void DecideCandidate(const TSaveFile& record, const std::string& path, const Tstr& query, MatchEngine& engine,
                     FileHandle file, CandidateOutcome& outcome, const MemberFilter* documents) {
    outcome.failed = false;
    outcome.failure.clear();
    outcome.satisfied = 0;
    outcome.read = false;
    outcome.problem.clear();
    outcome.members.clear();
    // A member found while archives were searched inside is no file without them.
    if (!documents && IsMemberPath(path)) {
        outcome.missing = true;
        return;
    }
    // The check has found a file it opened regular already; without terms
    // the file need not be read at all.
    bool regular = file.valid();
    if (!regular && !(documents && IsMemberPath(path))) {
        file = FileHandle(::open(path.c_str(), kReadFlags));
        struct stat st {};
        regular = file.valid() && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode);
    }
    if (query.TermCount() != 0 && !regular && !(documents && IsMemberPath(path))) {
        outcome.failed = true;
        outcome.failure = kErrorOpenFile;
        return;
    }
    try {
        if (documents && (query.TermCount() != 0 || IsMemberPath(path))) {
            DecideDocument(record, path, engine, std::move(file), outcome, *documents);
            return;
        }
        outcome.satisfied = engine.Decide(file.get(), path);
        outcome.read = engine.Result().read;
    } catch (const QuarvelError& error) {
        outcome.failed = true;
        outcome.failure = error.what();
    }
}

std::string OpenFailureReason(const std::string& path) {
    FileHandle file(::open(path.c_str(), kReadFlags));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0) return SystemErrorText(errno);
    return S_ISREG(st.st_mode) ? std::string() : "Not a regular file";
}

}  // namespace quarvel
