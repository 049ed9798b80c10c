#include "search/file_selection.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <iterator>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_handle.h"
#include "platform/working_folder.h"
#include "documents/member_path.h"
#include "documents/searchable_file.h"
#include "results/project_file.h"
#include "search/file_mask.h"

namespace quarvel {

namespace {

bool EndsWithQrv(std::string_view name) {
    return name.size() > 4 && EqualIgnoreCase(name.substr(name.size() - 4), ".QRV");
}

// The folder as it will be walked: relative parts start at the working folder.
std::string AbsoluteFolder(const std::string& folder) {
    if (folder.empty()) return WorkingFolder();
    if (folder[0] == '/') return folder;
    std::string cwd = WorkingFolder();
    return cwd == "/" ? "/" + folder : cwd + "/" + folder;
}

// A folder's text without one trailing separator; the root's text is empty.
std::string FolderText(std::string path) {
    if (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::uint32_t FileAttributes(std::string_view name, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return kAttrDirectory | (name[0] == '.' ? kAttrHidden : 0);
    if (!S_ISREG(st.st_mode)) return kAttrSpecial;  // pipes, sockets, devices are never candidates
    std::uint32_t attr = kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) attr |= kAttrReadOnly;
    if (name[0] == '.') attr |= kAttrHidden;
    return attr;
}

namespace {

// Folders up to this depth stay open while their sub-folders are walked, which open relative to
// them; deeper ones close first and their sub-folders open by path, so no tree exhausts descriptors.
constexpr unsigned kHeldDepth = 64;
constexpr std::size_t kDirentBuffer = 64 * 1024;

// A hash of the folder and name as SameFile compares them: ignoring case.
std::uint32_t FoldedHash(const TSaveFile& f) {
    std::uint32_t h = 2166136261u;
    const auto add = [&h](unsigned char c) { h = (h ^ kAnsiLower[c]) * 16777619u; };
    for (unsigned char c : f.folder.str()) add(c);
    add('/');
    for (unsigned char c : f.name.str()) add(c);
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    return h;
}

}  // namespace

// Which groups of a list hold a file of a given name and folder, ignoring case. An open-addressing
// table of positions in the list, so the list must not change its indexed records while the index
// is in use.
class SameFileIndex {
public:
    // expected: how many records will be added, to size the table once.
    SameFileIndex(const TSaveFileArray& list, std::size_t expected) : list_(list) {
        if (expected) Resize(expected);
    }

    void Add(std::size_t position) {
        const TSaveFile& f = list_[position];
        if ((count_ + 1) * 4 > slots_.size() * 3) Resize(2 * count_ + 1);
        const std::uint32_t hash = FoldedHash(f);
        std::size_t at = Home(hash);
        for (; slots_[at].position; at = Next(at)) {
            const TSaveFile& held = list_[slots_[at].position - 1];
            // A second record of the same file and group changes no answer.
            if (slots_[at].hash == hash && held.group == f.group && EqualIgnoreCase(held.name.str(), f.name.str()) &&
                EqualIgnoreCase(held.folder.str(), f.folder.str()))
                return;
        }
        slots_[at] = {hash, static_cast<std::uint32_t>(position + 1)};
        ++count_;
    }

    // Whether a record of the same name and folder but another group is held.
    bool HoldsSameFile(const TSaveFile& f) const {
        if (count_ == 0) return false;
        const std::uint32_t hash = FoldedHash(f);
        for (std::size_t at = Home(hash); slots_[at].position; at = Next(at))
            if (slots_[at].hash == hash && SameFile(list_[slots_[at].position - 1], f)) return true;
        return false;
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t position = 0;  // in the list, plus one; 0 marks a free slot
    };

    std::size_t Home(std::uint32_t hash) const { return hash & (slots_.size() - 1); }
    std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }

    // Room for at least `records` at a load of at most three quarters.
    void Resize(std::size_t records) {
        std::size_t size = 16;
        while (size * 3 < records * 4) size *= 2;
        if (size <= slots_.size()) return;
        std::vector<Slot> old(size);
        old.swap(slots_);
        for (const Slot& s : old) {
            if (!s.position) continue;
            std::size_t at = Home(s.hash);
            while (slots_[at].position) at = Next(at);
            slots_[at] = s;
        }
    }

    const TSaveFileArray& list_;
    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

FileSelection::FileSelection(TSearchCFG& cfg, RunObserver& observer, const CancelFlag& cancel, bool searchMode)
    : cfg_(cfg), observer_(observer), cancel_(cancel), searchMode_(searchMode) {}

FileSelection::~FileSelection() = default;

std::vector<FileListEntry> FileListEntries(const TSearchCFG& cfg, bool searchMode) {
    std::vector<FileListEntry> entries;
    const std::string& list = cfg.SearchFilesMask;
    const std::string& separator = cfg.FileSeparator();
    const std::string& notSearch = cfg.FileNotSearch();
    std::size_t p = 0;
    // The View command's run names one file by its whole path, which no
    // operator may cut and whose name is no mask: it finds that file or none.
    const bool onePath = !searchMode;
    while (p < list.size()) {
        FileListEntry e;
        if (!onePath && !notSearch.empty() && list.compare(p, notSearch.size(), notSearch) == 0) {
            e.include = false;
            p += notSearch.size();
        }
        std::size_t end = separator.empty() || onePath ? std::string::npos : list.find(separator, p);
        if (end == std::string::npos) end = list.size();
        const std::string entry = list.substr(p, end - p);
        const std::size_t cut = entry.rfind('/');
        e.folderPart = cut == std::string::npos ? std::string() : entry.substr(0, cut + 1);
        e.mask = cut == std::string::npos ? entry : entry.substr(cut + 1);
        if (e.folderPart.empty()) e.folderPart = cfg.SearchDefaultPath;
        entries.push_back(std::move(e));
        if (separator.empty() || onePath) break;  // no separator could move past this entry
        p = end + separator.size();
    }
    return entries;
}

void FileSelection::Gather() {
    group_ = 0;
    cfg_.FoundFiles.clear();
    if (!searchMode_ && cfg_.SearchDocuments && IsMemberPath(cfg_.SearchFilesMask)) {
        GatherMember(cfg_.SearchFilesMask);
        return;
    }
    const std::vector<FileListEntry> entries = FileListEntries(cfg_, searchMode_);
    // Without exclude entries a file's selection is known as soon as it is
    // found, so the files it selects can be scanned while the walk goes on.
    streaming_ = sink_ != nullptr && searchMode_ &&
                 std::all_of(entries.begin(), entries.end(), [](const FileListEntry& e) { return e.include; });
    // Without a size or date window no filter needs a file's stat.
    statLater_ = streaming_ && cfg_.SizeLow == 0 && cfg_.SizeHigh == UINT64_MAX && cfg_.DateLow == 0 &&
                 cfg_.DateHigh == 0xFFFF;
    for (const FileListEntry& e : entries) {
        if (cancel_.IsSet()) break;
        const bool include = e.include;
        const std::string& folderPart = e.folderPart;
        const std::string& mask = e.mask;
        unsigned kind = include ? 1u : 0u;
        if (EndsWithQrv(mask) && searchMode_) kind |= 2u;

        const std::size_t before = cfg_.IncludeList.size() + cfg_.ExcludeList.size() + streamed_;
        const std::string walked = AbsoluteFolder(folderPart);
        struct stat st {};
        const std::string text = FolderText(walked);
        // An empty walked text is a working folder that cannot be read, not the root.
        const bool folder = !walked.empty() && (folderPart.empty() || (::stat(walked.c_str(), &st) == 0 &&
                                                                       S_ISDIR(st.st_mode)));
        const int fd = folder ? OpenFolder(text) : -1;
        if (fd < 0) {
            observer_.ShowMessage("Path not found:\n" + (folderPart.empty() ? walked : folderPart), MessageKind::Error);
        } else {
            std::set<FolderIdentity> onPath;
            WalkFolder(fd, text, mask, kind, onPath, 0);
        }
        // An entry whose walk Cancel cut short may have files it never reached.
        if (include && !cancel_.IsSet() && cfg_.IncludeList.size() + cfg_.ExcludeList.size() + streamed_ == before) {
            std::string text = "File(s) not found:\n" + folderPart;
            if (folderPart.empty() || (folderPart.back() != '/' && folderPart.back() != '\\')) text += '/';
            observer_.ShowMessage(text + mask);
        }
        ++group_;
    }
    if (searchMode_) ExpandProjectFiles();
}

void FileSelection::GatherMember(const std::string& path) {
    const Searchable member = OpenSearchable(path, true);
    if (member.missing) {
        observer_.ShowMessage("File(s) not found:\n" + path);
        return;
    }
    const std::size_t cut = path.rfind('/');
    TSaveFile record;
    record.folder = SharedText(path.substr(0, cut));
    record.name = SharedText(path.substr(cut + 1));
    record.size = member.size;
    const DosStamp stamp = DosStampFromTime(member.modified);
    record.date = stamp.date;
    record.time = stamp.time;
    record.attributes = kAttrArchive;
    cfg_.IncludeList.push_back(std::move(record));
}

void FileSelection::GatherRefined() {
    group_ = 0;
    for (const TSaveFile& f : cfg_.FoundFiles) {
        if (cancel_.IsSet()) break;
        TSaveFile copy = f;
        copy.group = 0;
        cfg_.IncludeList.push_back(copy);
    }
    cfg_.FoundFiles.clear();
}

void FileSelection::WalkFolder(int dirFd, const std::string& folderText, std::string_view mask, unsigned kind,
                               std::set<FolderIdentity>& onPath, unsigned depth, const FolderIdentity* known) {
    FolderIdentity self;
    if (known) {
        self = *known;
    } else {
        struct stat st {};
        if (::fstat(dirFd, &st) != 0) {
            ::close(dirFd);
            return;  // a folder that cannot be read contributes nothing
        }
        self = {st.st_dev, st.st_ino};
    }
    int failure = 0;  // the first error that kept entries of this folder from being seen
    onPath.insert(self);
    std::string subFolders;  // names, each ended by '\0'
    std::vector<FolderIdentity> subIdentities;  // one for each name
    const SharedText folderShared(folderText);
    bool searchable = false;  // an entry of the folder has been looked up
    // The entries come straight from the system in batches, into one buffer
    // that the whole walk shares: each folder is read to its end before any
    // sub-folder is walked.
    dirents_.resize(kDirentBuffer);
    for (;;) {
        const ssize_t got = ::getdents64(dirFd, dirents_.data(), dirents_.size());
        if (got < 0 && !failure) failure = errno;
        if (got <= 0) break;
        for (ssize_t at = 0; at < got && !cancel_.IsSet();) {
            const auto* e = reinterpret_cast<const struct dirent64*>(dirents_.data() + at);
            at += e->d_reclen;
            const std::string_view name = e->d_name;
            if (name == "." || name == "..") continue;
            // A regular file whose name the mask refuses needs no stat.
            const bool regular = e->d_type == DT_REG;
            if (regular && !Takes(mask, name, kind)) continue;
            const bool project = searchMode_ && name.size() >= 5 && EndsWithQrv(name);
            if (regular && project && !(kind & 2u)) continue;
            // Once one file of the folder could be looked up, the folder lets its files be opened: a walk that
            // selects as it goes leaves the stat of the other regular files to the thread that opens them.
            if (regular && searchable && statLater_ && !project) {
                TSaveFile record;
                record.group = group_;
                record.name = SharedText(name);
                record.folder = folderShared;
                record.attributes = name[0] == '.' ? kAttrHidden : 0;
                ++streamed_;
                Select(record, true);
                continue;
            }
            struct stat st {};
            if (::fstatat(dirFd, e->d_name, &st, 0) != 0) {
                // A broken link is no candidate; a folder that may be listed but not entered hides all.
                if (errno == EACCES && !failure) failure = errno;
                continue;
            }
            searchable = true;
            const std::uint32_t attr = FileAttributes(name, st);
            if (attr & kAttrDirectory) {
                if (cfg_.SearchIncludeSubDir && name[0] != '.' && !onPath.count({st.st_dev, st.st_ino})) {
                    subFolders.append(name).push_back('\0');
                    subIdentities.emplace_back(st.st_dev, st.st_ino);
                }
                continue;
            }
            if ((attr & ~kCandidateAttributes) != 0) continue;
            if (!Takes(mask, name, kind)) continue;
            if (project && !(kind & 2u)) continue;
            TSaveFile record;
            record.group = group_;
            record.name = SharedText(name);
            record.folder = folderShared;
            record.size = static_cast<std::uint64_t>(st.st_size);
            DosStamp stamp = DosStampFromTime(st.st_mtime);
            record.date = stamp.date;
            record.time = stamp.time;
            record.attributes = attr;
            if (!(kind & 1u)) {
                cfg_.ExcludeList.push_back(std::move(record));
            } else if (streaming_ && !project) {
                ++streamed_;
                Select(record, false);
            } else {
                cfg_.IncludeList.push_back(std::move(record));
            }
        }
        if (cancel_.IsSet()) break;
    }
    if (failure) observer_.FolderSkipped(folderText, SystemErrorText(failure));
    const bool held = depth < kHeldDepth;
    if (!held) ::close(dirFd);
    for (std::size_t at = 0, index = 0; at < subFolders.size() && !cancel_.IsSet(); ++index) {
        const FolderIdentity& id = subIdentities[index];
        const char* sub = subFolders.c_str() + at;
        const std::size_t length = subFolders.find('\0', at) - at;
        at += length + 1;
        std::string subText;
        subText.reserve(folderText.size() + 1 + length);
        subText.append(folderText).append(1, '/').append(sub, length);
        // A path too long for the system to open makes the folder unreadable, even if opening
        // it relative to its parent would work: its files could not be searched by path.
        if (subText.size() >= PATH_MAX) {
            observer_.FolderSkipped(subText, SystemErrorText(ENAMETOOLONG));
            continue;
        }
        const int fd = held ? ::openat(dirFd, sub, kFolderFlags) : OpenFolder(subText);
        if (fd >= 0)
            WalkFolder(fd, subText, mask, kind, onPath, depth + 1, &id);
        else if (errno != ENOENT)  // one removed meanwhile is no loss
            observer_.FolderSkipped(subText, SystemErrorText(errno));
    }
    if (held) ::close(dirFd);
    onPath.erase(self);
    observer_.PumpMessages();
}

void FileSelection::ExpandProjectFiles() {
    SameFileIndex excluded(cfg_.ExcludeList, cfg_.ExcludeList.size());
    for (std::size_t e = 0; e < cfg_.ExcludeList.size(); ++e) excluded.Add(e);
    std::size_t i = 0;
    while (i < cfg_.IncludeList.size() && !cancel_.IsSet()) {
        const TSaveFile& record = cfg_.IncludeList[i];
        if (!EndsWithQrv(record.name.str())) {
            ++i;
        } else {
            if (!excluded.HoldsSameFile(record)) LoadProjectList(record.Path());
            RemoveAt(cfg_.IncludeList, i);
        }
        observer_.PumpMessages();
    }
}

void FileSelection::LoadProjectList(const std::string& path) {
    // A project file listing itself, directly or through others, is expanded once.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !expanded_.insert({st.st_dev, st.st_ino}).second) return;
    TSearchCFG fresh;
    try {
        LoadProject(path, fresh);
    } catch (const QuarvelError& error) {
        observer_.ShowMessage(error.what(), "", MessageKind::Error);
        return;
    }
    for (const TSaveFile& f : fresh.FoundFiles) {
        if (cancel_.IsSet()) break;
        TSaveFile copy = f;
        copy.group = group_;
        cfg_.IncludeList.push_back(copy);
    }
    ++group_;
}

bool FileSelection::Takes(std::string_view mask, std::string_view name, unsigned kind) const {
    if (!searchMode_) return name == mask;
    // An archive is opened for the members the masks take, whatever its own name.
    return MaskMatches(mask, name) || (cfg_.SearchDocuments && (kind & 1u) && NamedLikeArchive(name));
}

bool FileSelection::Select(const TSaveFile& record, bool statLater) {
    if (searchMode_) {
        if (!cfg_.SearchIncludeHidden && (record.attributes & (kAttrHidden | kAttrSystem))) return false;
        if (record.size < cfg_.SizeLow || record.size > cfg_.SizeHigh) return false;
        if (record.date < cfg_.DateLow || record.date > cfg_.DateHigh) return false;
    }
    if (excluded_ && excluded_->HoldsSameFile(record)) return false;
    TSaveFileArray& list = cfg_.SearchList;
    // A file repeats only across groups: among the records of one group there is nothing to index.
    if (!selected_ && !list.empty() && record.group != list.front().group) {
        selected_ = std::make_unique<SameFileIndex>(list, list.size());
        for (std::size_t i = 0; i < list.size(); ++i) selected_->Add(i);
    }
    if (selected_ && selected_->HoldsSameFile(record)) return false;
    list.push_back(record);
    if (selected_) selected_->Add(list.size() - 1);
    selectedSize_ += record.size;
    ++selectedCount_;
    if (sink_) sink_->Selected(record, statLater);
    return true;
}

void FileSelection::Filter() {
    if (!cfg_.ExcludeList.empty()) {
        excluded_ = std::make_unique<SameFileIndex>(cfg_.ExcludeList, cfg_.ExcludeList.size());
        for (std::size_t e = 0; e < cfg_.ExcludeList.size(); ++e) excluded_->Add(e);
    }
    TSaveFileArray& list = cfg_.IncludeList;
    if (cfg_.SearchList.empty()) cfg_.SearchList.reserve(list.size());
    for (std::size_t i = 0; i < list.size() && !cancel_.IsSet(); ++i) {
        Select(list[i], false);
        if (i % 256 == 0) observer_.PumpMessages();
    }
    cfg_.GFiles += selectedCount_;
    cfg_.GSizeFiles += selectedSize_;
    selectedCount_ = 0;
    selectedSize_ = 0;
    list.clear();
    cfg_.ExcludeList.clear();
    excluded_.reset();
}

}  // namespace quarvel
