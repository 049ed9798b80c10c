#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "search/folder_chain.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// Whatever the order of the folders asked for, each one opened is the folder
// its path names, and one that does not exist is not opened.
TEST(FolderChainTest, OpensTheFolderEachPathNames) {
    const fs::path root = fs::temp_directory_path() / ("quarvel-chain-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "a/b/c");
    fs::create_directories(root / "a/d");
    fs::create_directories(root / "x");
    fs::create_directory_symlink(root / "a/b", root / "l");
    const std::string r = root.string();
    const std::string order[] = {r + "/a/b/c", r + "/a/d", r + "/a/d", r + "/x", r + "/l/c", r, r + "/a/./d",
                                 r + "/a/../x", r + "/q", r + "/q/z", r + "/a", r + "/a/b/c", "", r + "/ab"};
    FolderChain chain;
    for (const std::string& folder : order) {
        const int fd = chain.Open(folder);
        struct stat want {};
        if (::stat(folder.empty() ? "/" : folder.c_str(), &want) != 0) {
            EXPECT_LT(fd, 0) << folder;
            continue;
        }
        ASSERT_GE(fd, 0) << folder;
        struct stat got {};
        ASSERT_EQ(::fstat(fd, &got), 0);
        EXPECT_EQ(got.st_ino, want.st_ino) << folder;
        EXPECT_EQ(got.st_dev, want.st_dev) << folder;
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace quarvel
