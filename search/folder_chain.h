#pragma once
#include <string>
#include <vector>

#include "platform/file_handle.h"

namespace quarvel {

// Keeps the folders of the previous file open, from the one opened by its
// whole path down to the file's own. The files of a walk come folder after
// folder, each one mostly below the one before, so that the next folder
// opens by one name from their nearest common folder instead of by its
// whole path again.
class FolderChain {
public:
    // The open folder whose text is folder (the root's text is empty), or -1
    // when it cannot be opened.
    int Open(const std::string& folder);

private:
    struct Link {
        std::string text;
        FileHandle fd;
    };
    int Restart(const std::string& folder);

    std::vector<Link> chain_;  // each text is the one before, "/" and one name
};

}  // namespace quarvel
