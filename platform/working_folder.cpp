#include "platform/working_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace quarvel {

std::string WorkingFolder() {
    // The system sizes the text, so a folder of any depth is read whole.
    std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
    return folder ? std::string(folder.get()) : std::string();
}

WorkingFolderKeeper::WorkingFolderKeeper() : folder_(WorkingFolder()) {}

WorkingFolderKeeper::~WorkingFolderKeeper() {
    // A folder removed meanwhile cannot be current again; nothing else is tried.
    if (!folder_.empty() && chdir(folder_.c_str()) != 0) return;
}

}  // namespace quarvel
