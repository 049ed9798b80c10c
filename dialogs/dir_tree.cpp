#include "dialogs/dir_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "platform/file_handle.h"
#include "platform/working_folder.h"
#include "settings/search_cfg.h"

namespace quarvel {

namespace {

// A link counts as what it points to, so a link to a folder is a folder.
bool IsFolderEntry(int folder, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
    struct stat st {};
    return ::fstatat(folder, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// The names of a path; empty ones (from "//" or a closing "/") say nothing.
std::vector<std::string_view> Components(std::string_view path) {
    std::vector<std::string_view> names;
    while (!path.empty()) {
        const std::size_t end = std::min(path.find('/'), path.size());
        if (end > 0) names.push_back(path.substr(0, end));
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return names;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Letters of other scripts are left alone: their bytes are UTF-8, not ANSI.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// The child that a typed name means: the one spelt so, else the first that
// differs only in the case of its letters (a folder may hold both "Work" and
// "work").
DirNode* FindChild(const DirNode& node, std::string_view name) {
    DirNode* loose = nullptr;
    for (const auto& child : node.Children()) {
        if (child->Placeholder()) continue;
        if (child->Name() == name) return child.get();
        if (!loose && SameIgnoringAsciiCase(child->Name(), name)) loose = child.get();
    }
    return loose;
}

bool IsBelow(const DirNode* node, const DirNode& top) {
    for (node = node ? node->Parent() : nullptr; node; node = node->Parent())
        if (node == &top) return true;
    return false;
}

}  // namespace

DirTree::DirTree() { Reset(); }

void DirTree::Reset() {
    root_.reset(new DirNode("/", nullptr));
    root_->children_.push_back(std::unique_ptr<DirNode>(new DirNode("-", root_.get(), true)));
    selected_ = nullptr;
}

void DirTree::Open(const std::string& path) {
    Reset();
    if (path.empty()) return;
    std::string full = path;
    if (path[0] != '/') {
        const std::string here = WorkingFolder();
        // A working folder that was removed leaves nothing to start from.
        if (here.empty()) return;
        full = here + "/" + path;
    }
    const std::vector<std::string_view> names = Components(full);
    DirNode* at = root_.get();
    Refill(*at);
    at->expanded_ = true;
    selected_ = at;
    for (std::size_t i = 0; i < names.size(); ++i) {
        DirNode* next = FindChild(*at, names[i]);
        if (!next || !Refill(*next)) break;
        next->expanded_ = i + 1 < names.size();
        selected_ = next;
        at = next;
    }
}

void DirTree::Expand(DirNode& node) {
    if (node.placeholder_) return;
    Refill(node);
    node.expanded_ = true;
}

void DirTree::Collapse(DirNode& node) { node.expanded_ = false; }

void DirTree::Select(DirNode* node) { selected_ = node && !node->placeholder_ ? node : nullptr; }

bool DirTree::Refill(DirNode& node) {
    if (IsBelow(selected_, node)) selected_ = &node;
    node.children_.clear();
    const int folder = OpenFolder(PathOf(node));
    // A folder that cannot be listed shows no children, and no error.
    if (folder < 0) return false;
    Fill(node, folder, 1);
    std::sort(node.children_.begin(), node.children_.end(),
              [](const auto& a, const auto& b) { return a->name_ < b->name_; });
    return true;
}

void DirTree::Fill(DirNode& node, int folder, int depth) {
    DIR* dir = ::fdopendir(folder);
    if (!dir) {
        ::close(folder);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || !IsFolderEntry(::dirfd(dir), *entry)) continue;
        node.children_.push_back(std::unique_ptr<DirNode>(new DirNode(entry->d_name, &node)));
        if (depth == 0) break;
        // A subfolder that cannot be listed is still shown, without children.
        const int sub = ::openat(::dirfd(dir), entry->d_name, kFolderFlags);
        if (sub >= 0) Fill(*node.children_.back(), sub, depth - 1);
    }
    ::closedir(dir);
}

std::string DirTree::PathOf(const DirNode& node) {
    std::vector<const std::string*> names;
    for (const DirNode* n = &node; n->parent_; n = n->parent_) names.push_back(&n->name_);
    std::string path = "/";
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += **it + "/";
    return path;
}

std::string DirTree::Result(const std::string& callerText) const {
    return selected_ ? PathOf(*selected_) : callerText;
}

DirTree::OkOutcome DirTree::Ok(const std::string& callerText) const {
    std::string path = Result(callerText);
    if (path.size() >= kPathBufferSize)
        return {false, callerText, "The folder's path is too long: a path may hold at most " +
                                       std::to_string(kPathBufferSize - 1) + " bytes"};
    return {true, std::move(path), std::string()};
}

}  // namespace quarvel
