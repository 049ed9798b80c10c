#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/cancel_flag.h"
#include "search/run_observer.h"
#include "settings/search_cfg.h"

namespace quarvel {

// Attribute bits as the folder enumeration reports them.
inline constexpr std::uint32_t kAttrReadOnly = 0x01, kAttrHidden = 0x02, kAttrSystem = 0x04,
                               kAttrDirectory = 0x10, kAttrArchive = 0x20, kAttrSpecial = 0x40;
inline constexpr std::uint32_t kCandidateAttributes = 0x27;

class SameFileIndex;

// A file's attribute bits from its stat: archive, read-only, hidden for a
// name that begins with a dot; special for what is no regular file or folder.
std::uint32_t FileAttributes(std::string_view name, const struct stat& st);

// One entry of a search's file list: a folder and a mask of names, which
// takes the files it matches or, after the not-search operator, leaves them out.
struct FileListEntry {
    bool include = true;
    std::string folderPart;  // the entry's folder, or the default folder
    std::string mask;
};
// The entries of the record's file list, in order. Without searchMode (the
// View command's one-file run) the list is one whole path.
std::vector<FileListEntry> FileListEntries(const TSearchCFG& cfg, bool searchMode);

// Receives the records of the search list one by one, as they are selected.
class SelectionSink {
public:
    virtual ~SelectionSink() = default;
    // statLater: a regular file listed without its stat (no size, date or
    // time yet; of the attributes only hidden), which its scan takes.
    virtual void Selected(const TSaveFile& record, bool statLater) = 0;
};

// Turns the file list of a search into its search list.
class FileSelection {
public:
    // searchMode: the file list is cut into entries of masks and the filters
    // apply; without it (the View command's one-file run) the list is one
    // whole path, whose file is taken as it is, a project file too.
    FileSelection(TSearchCFG& cfg, RunObserver& observer, const CancelFlag& cancel, bool searchMode);
    ~FileSelection();

    // Each record of the search list goes to sink as well, in order; when
    // no entry excludes files, while the walk still goes on, and then,
    // without a size or date window, with most regular files not looked up
    // yet: GSizeFiles then counts none of those. GFiles and GSizeFiles count
    // the records once Filter is done.
    void SendTo(SelectionSink* sink) { sink_ = sink; }
    // Whether files were sent without their stat.
    bool StatsLeftToScan() const { return statLater_; }

    // Fills the include and exclude lists from the file list; empties the found-file list.
    void Gather();
    // The refined gathering: the found files become the candidates, with group 0.
    void GatherRefined();
    // The View command's one member of an archive, taken as its archive states it.
    void GatherMember(const std::string& path);
    // Builds the search list and counts GFiles and GSizeFiles; empties the include and exclude lists.
    void Filter();

private:
    // Whether an entry of the mask and kind takes a file of the name.
    bool Takes(std::string_view mask, std::string_view name, unsigned kind) const;
    // Takes the record into the search list unless a filter leaves it out.
    bool Select(const TSaveFile& record, bool statLater);
    // A folder's device and inode, as the folders on the walk's path are known by.
    using FolderIdentity = std::pair<std::uint64_t, std::uint64_t>;
    // Walks the open folder dirFd (taken over and closed) whose text is folderText;
    // known: the folder's identity when its parent's listing gave it already.
    void WalkFolder(int dirFd, const std::string& folderText, std::string_view mask, unsigned kind,
                    std::set<FolderIdentity>& onPath, unsigned depth, const FolderIdentity* known = nullptr);
    void ExpandProjectFiles();
    void LoadProjectList(const std::string& path);

    TSearchCFG& cfg_;
    RunObserver& observer_;
    const CancelFlag& cancel_;
    bool searchMode_;
    std::uint32_t group_ = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> expanded_;  // project files expanded in this run
    std::vector<char> dirents_;  // the folder entries being read

    SelectionSink* sink_ = nullptr;
    bool streaming_ = false;     // the walk selects as it goes
    bool statLater_ = false;     // and leaves the stat of regular files to the scan
    std::size_t streamed_ = 0;   // records the walk selected (or left out) at once
    std::unique_ptr<SameFileIndex> excluded_, selected_;
    std::uint32_t selectedCount_ = 0;
    double selectedSize_ = 0.0;
};

}  // namespace quarvel
