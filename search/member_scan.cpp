#include "search/member_scan.h"

#include <sys/stat.h>

#include "documents/archive_reader.h"
#include "documents/member_path.h"
#include "documents/searchable_file.h"
#include "platform/clock.h"
#include "search/file_mask.h"
#include "search/file_selection.h"

namespace quarvel {

namespace {

std::string_view BaseName(std::string_view path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// One archive's members, read in order; archives among them are read in turn.
class MemberWalk {
public:
    MemberWalk(const MemberFilter& filter, MatchEngine& engine, const CancelFlag& cancel,
               std::vector<MemberOutcome>& outcomes)
        : filter_(filter), engine_(engine), cancel_(cancel), outcomes_(outcomes) {}

    // The archive the reader has open, found at path (a file's or a
    // member's), level levels down; its own stamp stands in for a single
    // compressed file's member, whose header holds none.
    std::string Walk(ArchiveReader& reader, const std::string& path, unsigned level, const TSaveFile& archive,
                     bool everyName) {
        ArchiveMember member;
        const std::string archiveName(BaseName(path));
        while (!cancel_.IsSet() && reader.Next(member)) {
            if (!member.regular) continue;
            const std::string listName = reader.Single() ? SingleMemberName(archiveName) : MemberListName(member.name);
            if (listName.empty()) continue;
            MemberOutcome outcome;
            TSaveFile& record = outcome.record;
            auto [folder, name] = MemberFolderAndName(path, listName);
            record.folder = SharedText(folder);
            record.name = SharedText(name);
            record.group = archive.group;
            record.size = member.size;
            const DosStamp stamp = member.modified != 0 ? DosStampFromTime(member.modified)
                                                        : DosStamp{archive.date, archive.time};
            record.date = stamp.date;
            record.time = stamp.time;
            record.attributes = kAttrArchive | (name[0] == '.' ? kAttrHidden : 0);
            // An archive among the members is opened whatever its name, as one
            // on disk is. A single compressed file states no size: it is judged once read.
            const bool nameTaken = filter_.NameTaken(name, everyName);
            if ((!nameTaken && !NamedLikeArchive(name)) || (member.sizeKnown && !filter_.Takes(record))) continue;
            MemberData data = reader.Read();
            if (!data.overLimit.empty() || data.damaged) {
                outcome.problem = data.overLimit.empty() ? "could not be read whole" : data.overLimit;
                outcomes_.push_back(std::move(outcome));
                if (data.damaged) break;
                continue;
            }
            record.size = data.bytes.size();
            if (!member.sizeKnown && !filter_.Takes(record)) continue;
            Decide(data.bytes, record.Path(), level, nameTaken, std::move(outcome));
        }
        return reader.Damaged() ? "the archive is damaged" : std::string();
    }

private:
    // nameTaken: the masks take the member's name; else it is searched only
    // when it is an archive, for its members.
    void Decide(const std::string& bytes, const std::string& path, unsigned level, bool nameTaken,
                MemberOutcome&& outcome) {
        const ContentKind kind = SniffContent(std::string_view(bytes).substr(0, kSniffBytes));
        std::optional<DocumentText> document;
        if (kind == ContentKind::Pdf && !nameTaken) return;
        if (kind == ContentKind::Pdf || kind == ContentKind::Zip) document = DocumentOfBytes(bytes, DocumentDeadline());
        if (kind == ContentKind::Archive || (kind == ContentKind::Zip && !document)) {
            ArchiveReader nested;
            const ArchiveReader::Kind opened = nested.OpenBytes(bytes);
            if (opened == ArchiveReader::Kind::Damaged) {
                outcome.problem = "the archive is damaged";
                outcomes_.push_back(std::move(outcome));
                return;
            }
            if (opened == ArchiveReader::Kind::Archive) {
                if (level + 1 >= kMostArchiveDepth) {
                    outcome.problem = "is an archive more than " + std::to_string(kMostArchiveDepth) + " levels deep";
                    outcomes_.push_back(std::move(outcome));
                    return;
                }
                const TSaveFile& record = outcome.record;
                const std::string problem =
                    Walk(nested, path, level + 1, record, filter_.MaskTakes(record.name.str()));
                if (!problem.empty()) {
                    outcome.problem = problem;
                    outcomes_.push_back(std::move(outcome));
                }
                return;
            }
        }
        if (!nameTaken) return;
        if (document && !document->ok) {
            outcome.problem = document->failure;
            outcomes_.push_back(std::move(outcome));
            return;
        }
        outcome.satisfied = engine_.DecideBytes(document ? document->text : bytes, path);
        if (outcome.satisfied) outcomes_.push_back(std::move(outcome));
    }

    const MemberFilter& filter_;
    MatchEngine& engine_;
    const CancelFlag& cancel_;
    std::vector<MemberOutcome>& outcomes_;
};

}  // namespace

MemberFilter::MemberFilter(const TSearchCFG& cfg) : cfg_(cfg) {
    for (FileListEntry& entry : FileListEntries(cfg, true)) masks_.push_back({entry.include, std::move(entry.mask)});
}

bool MemberFilter::MaskTakes(std::string_view name) const {
    // An archive is selected once, by the first entry that takes it, which
    // may have taken it for its name alone: every entry's mask has its say.
    for (const Mask& m : masks_)
        if (m.include && MaskMatches(m.mask, name)) return true;
    return false;
}

bool MemberFilter::NameTaken(std::string_view name, bool everyName) const {
    for (const Mask& m : masks_)
        if (!m.include && MaskMatches(m.mask, name)) return false;
    return everyName || MaskTakes(name);
}

bool MemberFilter::Takes(const TSaveFile& member) const {
    if (!cfg_.SearchIncludeHidden && (member.attributes & kAttrHidden)) return false;
    if (member.size < cfg_.SizeLow || member.size > cfg_.SizeHigh) return false;
    return member.date >= cfg_.DateLow && member.date <= cfg_.DateHigh;
}

std::string DecideMembers(ArchiveReader& reader, const TSaveFile& archive, const std::string& path,
                          const MemberFilter& filter, MatchEngine& engine, const CancelFlag& cancel,
                          std::vector<MemberOutcome>& outcomes) {
    MemberWalk walk(filter, engine, cancel, outcomes);
    return walk.Walk(reader, path, 0, archive, filter.MaskTakes(archive.name.str()));
}

}  // namespace quarvel
