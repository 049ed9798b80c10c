#pragma once
#include <string>

namespace quarvel {

// The process's working folder, or an empty text when it cannot be read
// (for example when it was removed).
std::string WorkingFolder();

// Keeps the working folder of its construction and makes it current again
// when it goes, so that browsing leaves no change of folder behind.
class WorkingFolderKeeper {
public:
    WorkingFolderKeeper();
    ~WorkingFolderKeeper();
    WorkingFolderKeeper(const WorkingFolderKeeper&) = delete;
    WorkingFolderKeeper& operator=(const WorkingFolderKeeper&) = delete;

private:
    std::string folder_;
};

}  // namespace quarvel
