#include "search/file_selection.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/working_folder.h"
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

std::uint32_t Attributes(const std::string& name, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return kAttrDirectory | (name[0] == '.' ? kAttrHidden : 0);
    if (!S_ISREG(st.st_mode)) return kAttrSpecial;  // pipes, sockets, devices are never candidates
    std::uint32_t attr = kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) attr |= kAttrReadOnly;
    if (name[0] == '.') attr |= kAttrHidden;
    return attr;
}

std::string FileKey(const TSaveFile& f) {
    std::string key = f.folder.str();
    key += '\0';
    key += f.name.str();
    CharLowerBuffA(key.data(), key.size());
    return key;
}

// Which groups hold a file of a given name and folder, ignoring case.
class SameFileIndex {
public:
    void Add(const TSaveFile& f) { groups_[FileKey(f)].push_back(f.group); }
    bool HoldsSameFile(const TSaveFile& f) const {
        auto it = groups_.find(FileKey(f));
        if (it == groups_.end()) return false;
        for (std::uint32_t g : it->second)
            if (g != f.group) return true;
        return false;
    }

private:
    std::unordered_map<std::string, std::vector<std::uint32_t>> groups_;
};

}  // namespace

FileSelection::FileSelection(TSearchCFG& cfg, RunObserver& observer, const bool& cancel, bool searchMode)
    : cfg_(cfg), observer_(observer), cancel_(cancel), searchMode_(searchMode) {}

void FileSelection::Gather() {
    group_ = 0;
    cfg_.FoundFiles.clear();
    const std::string& list = cfg_.SearchFilesMask;
    const std::string& separator = cfg_.FileSeparator();
    const std::string& notSearch = cfg_.FileNotSearch();
    std::size_t p = 0;
    while (p < list.size() && !cancel_) {
        bool include = true;
        if (!notSearch.empty() && list.compare(p, notSearch.size(), notSearch) == 0) {
            include = false;
            p += notSearch.size();
        }
        std::size_t end = separator.empty() ? std::string::npos : list.find(separator, p);
        if (end == std::string::npos) end = list.size();
        const std::string entry = list.substr(p, end - p);
        const std::size_t cut = entry.rfind('/');
        std::string folderPart = cut == std::string::npos ? std::string() : entry.substr(0, cut + 1);
        const std::string mask = cut == std::string::npos ? entry : entry.substr(cut + 1);
        if (folderPart.empty()) folderPart = cfg_.SearchDefaultPath;
        unsigned kind = include ? 1u : 0u;
        if (EndsWithQrv(mask)) kind |= 2u;

        const std::size_t before = cfg_.IncludeList.size() + cfg_.ExcludeList.size();
        const std::string walked = AbsoluteFolder(folderPart);
        struct stat st {};
        if (!folderPart.empty() && (::stat(walked.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            observer_.ShowMessage("Path not found:\n" + folderPart);
        } else {
            std::set<std::pair<std::uint64_t, std::uint64_t>> onPath;
            WalkFolder(FolderText(walked), mask, kind, onPath);
        }
        if (include && cfg_.IncludeList.size() + cfg_.ExcludeList.size() == before) {
            std::string text = "File(s) not found:\n" + folderPart;
            if (folderPart.empty() || (folderPart.back() != '/' && folderPart.back() != '\\')) text += '/';
            observer_.ShowMessage(text + mask);
        }
        ++group_;
        if (separator.empty()) break;  // no separator could move past this entry
        p = end + separator.size();
    }
    ExpandProjectFiles();
}

void FileSelection::GatherRefined() {
    group_ = 0;
    for (const TSaveFile& f : cfg_.FoundFiles) {
        if (cancel_) break;
        TSaveFile copy = f;
        copy.group = 0;
        cfg_.IncludeList.push_back(copy);
    }
    cfg_.FoundFiles.clear();
}

void FileSelection::WalkFolder(const std::string& folderText, const std::string& mask, unsigned kind,
                               std::set<std::pair<std::uint64_t, std::uint64_t>>& onPath) {
    const std::string open = folderText.empty() ? "/" : folderText;
    DIR* dir = ::opendir(open.c_str());
    if (!dir) return;  // a folder that cannot be read contributes nothing
    struct stat self {};
    if (::fstat(dirfd(dir), &self) == 0) onPath.insert({self.st_dev, self.st_ino});
    std::vector<std::string> subFolders;
    const SharedText folderShared(folderText);
    while (dirent* e = ::readdir(dir)) {
        if (cancel_) break;
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::fstatat(dirfd(dir), e->d_name, &st, 0) != 0) continue;  // a broken link is no candidate
        const std::uint32_t attr = Attributes(name, st);
        if (attr & kAttrDirectory) {
            if (cfg_.SearchIncludeSubDir && name[0] != '.' && !onPath.count({st.st_dev, st.st_ino}))
                subFolders.push_back(name);
            continue;
        }
        if ((attr & ~kCandidateAttributes) != 0 || !MaskMatches(mask, name)) continue;
        const bool project = name.size() >= 5 && EndsWithQrv(name);
        if (project && !(kind & 2u)) continue;
        TSaveFile record;
        record.group = group_;
        record.name = SharedText(name);
        record.folder = folderShared;
        record.size = static_cast<std::uint32_t>(st.st_size);
        DosStamp stamp = DosStampFromTime(st.st_mtime);
        record.date = stamp.date;
        record.time = stamp.time;
        record.attributes = attr;
        (kind & 1u ? cfg_.IncludeList : cfg_.ExcludeList).push_back(std::move(record));
    }
    ::closedir(dir);
    for (const std::string& sub : subFolders) {
        if (cancel_) break;
        WalkFolder(folderText + "/" + sub, mask, kind, onPath);
    }
    onPath.erase({self.st_dev, self.st_ino});
    observer_.PumpMessages();
}

void FileSelection::ExpandProjectFiles() {
    SameFileIndex excluded;
    for (const TSaveFile& f : cfg_.ExcludeList) excluded.Add(f);
    std::size_t i = 0;
    while (i < cfg_.IncludeList.size() && !cancel_) {
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
        observer_.ShowMessage(error.what(), "");
        return;
    }
    for (const TSaveFile& f : fresh.FoundFiles) {
        if (cancel_) break;
        TSaveFile copy = f;
        copy.group = group_;
        cfg_.IncludeList.push_back(copy);
    }
    ++group_;
}

void FileSelection::Filter() {
    SameFileIndex excluded, selected;
    for (const TSaveFile& f : cfg_.ExcludeList) excluded.Add(f);
    for (const TSaveFile& record : cfg_.IncludeList) {
        if (cancel_) break;
        bool take = true;
        if (searchMode_) {
            if (!cfg_.SearchIncludeHidden && (record.attributes & (kAttrHidden | kAttrSystem))) take = false;
            if (record.size < cfg_.SizeLow || record.size > cfg_.SizeHigh) take = false;
            if (record.date < cfg_.DateLow || record.date > cfg_.DateHigh) take = false;
        }
        if (take && (excluded.HoldsSameFile(record) || selected.HoldsSameFile(record))) take = false;
        if (take) {
            cfg_.SearchList.push_back(record);
            selected.Add(record);
            cfg_.GSizeFiles += record.size;
            ++cfg_.GFiles;
        }
        observer_.PumpMessages();
    }
    cfg_.IncludeList.clear();
    cfg_.ExcludeList.clear();
}

}  // namespace quarvel
