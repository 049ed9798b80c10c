#include "search/folder_chain.h"

#include <fcntl.h>

#include <algorithm>

namespace quarvel {

namespace {

// Folders held open at most; a deeper one opens by its path.
constexpr std::size_t kMostHeld = 64;

bool Below(const std::string& folder, const std::string& above) {
    return folder.size() > above.size() && folder[above.size()] == '/' && folder.compare(0, above.size(), above) == 0;
}

}  // namespace

int FolderChain::Restart(const std::string& folder) {
    chain_.clear();
    chain_.push_back(Link{folder, FileHandle(OpenFolder(folder))});
    return chain_.back().fd.get();
}

int FolderChain::Open(const std::string& folder) {
    while (!chain_.empty() && chain_.back().text != folder && !Below(folder, chain_.back().text)) chain_.pop_back();
    if (chain_.empty()) return Restart(folder);
    std::size_t at = chain_.back().text.size();
    while (at < folder.size()) {
        const std::size_t end = std::min(folder.find('/', at + 1), folder.size());
        const std::string name = folder.substr(at + 1, end - at - 1);
        // Names that path resolution treats apart, and very deep folders, open by the whole path.
        if (name.empty() || name == "." || name == ".." || chain_.size() >= kMostHeld || !chain_.back().fd.valid())
            return Restart(folder);
        chain_.push_back(Link{folder.substr(0, end), FileHandle(::openat(chain_.back().fd.get(), name.c_str(), kFolderFlags))});
        at = end;
    }
    return chain_.back().fd.get();
}

}  // namespace quarvel
