#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "results/project_file.h"
#include "search/file_selection.h"
#include "tests/engine/run_test_support.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

class FileSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("quarvel-select-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        cfg_.SetDefaults();
        cfg_.SearchDefaultPath = root_.string();
        cfg_.DeriveWindows(TodayDosDate());
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& relative, std::size_t size = 3) {
        fs::path p = root_ / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << std::string(size, 'x');
    }
    // Names of the search list, each as its path below the root.
    std::vector<std::string> Select(const std::string& list) {
        cfg_.SearchFilesMask = list;
        cfg_.ResetForRun();
        FileSelection selection(cfg_, observer_, cancel_, true);
        selection.Gather();
        selection.Filter();
        std::vector<std::string> names;
        for (const TSaveFile& f : cfg_.SearchList) names.push_back(f.Path().substr(root_.string().size() + 1));
        return names;
    }

    fs::path root_;
    TSearchCFG cfg_;
    RecordingObserver observer_;
    CancelFlag cancel_;
};

TEST_F(FileSelectionTest, OwnFilesComeBeforeSubFoldersAndDotFoldersAreNotEntered) {
    Write("a.txt");
    Write("sub/b.txt");
    Write("sub/deeper/c.txt");
    Write(".git/d.txt");
    Write(".hidden.txt");
    cfg_.SearchIncludeSubDir = 1;
    auto names = Select("*.txt");
    ASSERT_EQ(names.size(), 4u);
    EXPECT_TRUE((names[0] == "a.txt" || names[0] == ".hidden.txt") && (names[1] == "a.txt" || names[1] == ".hidden.txt"));
    EXPECT_EQ(names[2], "sub/b.txt");
    EXPECT_EQ(names[3], "sub/deeper/c.txt");
    cfg_.SearchIncludeHidden = 0;
    EXPECT_EQ(Select("*.txt").size(), 3u) << "a hidden file is left out on request";
    cfg_.SearchIncludeSubDir = 0;
    EXPECT_EQ(Select("*.txt"), std::vector<std::string>{"a.txt"});
}

TEST_F(FileSelectionTest, ExcludeEntriesAndDuplicatesThroughTwoEntries) {
    Write("a.txt");
    Write("b.bak");
    EXPECT_EQ(Select("*.*,-*.bak"), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Select("a.txt," + root_.string() + "/A.TXT"), std::vector<std::string>{"a.txt"})
        << "the same file reached twice is scanned once";
    EXPECT_EQ(cfg_.SearchList[0].group, 0u) << "with the group of the first entry";
    EXPECT_EQ(cfg_.GFiles, 1u);
    EXPECT_EQ(cfg_.GSizeFiles, 3.0);
}

TEST_F(FileSelectionTest, EntriesThatFindNothingAreReported) {
    Write("a.txt");
    observer_.messages.clear();
    EXPECT_TRUE(Select("a.txt,,b.txt").size() == 1);
    ASSERT_EQ(observer_.messages.size(), 2u);
    EXPECT_EQ(observer_.messages[0], "File(s) not found:\n" + root_.string() + "/");
    EXPECT_EQ(observer_.messages[1], "File(s) not found:\n" + root_.string() + "/b.txt");
    observer_.messages.clear();
    Select("/no/such/folder/*.txt,a.txt,");
    ASSERT_EQ(observer_.messages.size(), 2u) << "a trailing separator makes no entry";
    EXPECT_EQ(observer_.messages[0], "Path not found:\n/no/such/folder/");
    EXPECT_EQ(observer_.messages[1], "File(s) not found:\n/no/such/folder/*.txt");
    EXPECT_EQ(observer_.kinds.back(), MessageKind::Notice) << "a mask that matches nothing is no error";
    EXPECT_EQ(observer_.kinds[observer_.kinds.size() - 2], MessageKind::Error);
}

TEST_F(FileSelectionTest, FoldersThatCannotBeEnteredOrListedAreReportedOnceEach) {
    Write("open/a.txt");
    Write("shut/b.txt");
    Write("blind/c.txt");
    Write("blind/deeper/d.txt");
    ::chmod((root_ / "shut").c_str(), 0);
    ::chmod((root_ / "blind").c_str(), 0744);  // listed, but nothing in it can be reached
    cfg_.SearchIncludeSubDir = 1;
    std::vector<std::string> names;
    std::vector<std::string> messages;
    {
        AsUnprivilegedUser user;
        if (Readable((root_ / "shut").string())) GTEST_SKIP() << "no user here for whom a folder is shut";
        names = Select("*.txt");
        cfg_.SearchDefaultPath = (root_ / "shut").string();
        Select("*.txt");
    }
    EXPECT_EQ(names, std::vector<std::string>{"open/a.txt"});
    std::sort(observer_.skipped.begin(), observer_.skipped.end());
    EXPECT_EQ(observer_.skipped, (std::vector<std::string>{(root_ / "blind").string() + ": Permission denied",
                                                           (root_ / "shut").string() + ": Permission denied"}));
    ASSERT_EQ(observer_.messages.size(), 2u) << "the entry's own folder cannot be entered";
    EXPECT_EQ(observer_.messages[0], "Path not found:\n" + (root_ / "shut").string());
    EXPECT_EQ(observer_.kinds[0], MessageKind::Error);
}

// A chain of folders named `name`, `levels` deep below top, made and removed
// relative to each other, so that its depth is not bounded by a path's length.
void MakeChain(const fs::path& top, const std::string& name, int levels) {
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < levels && fd >= 0; ++i) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    if (fd >= 0) ::close(::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644));
    if (fd >= 0) ::close(fd);
}
void RemoveChain(int parent, const std::string& name) {
    const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    RemoveChain(fd, name);
    ::unlinkat(fd, "bottom.txt", 0);
    ::close(fd);
    ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
}

TEST_F(FileSelectionTest, AFolderTooDeepToOpenByItsPathIsReportedOnce) {
    const std::string name(200, 'd');
    MakeChain(root_, name, 24);
    Write(name + "/low.txt");
    cfg_.SearchIncludeSubDir = 1;
    const auto names = Select("*.txt");
    const int top = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY);
    RemoveChain(top, name);
    ::close(top);
    EXPECT_EQ(names, std::vector<std::string>{name + "/low.txt"});
    ASSERT_EQ(observer_.skipped.size(), 1u);
    const std::string& skipped = observer_.skipped[0];
    EXPECT_GE(skipped.size() - std::string(": File name too long").size(), std::size_t{PATH_MAX});
    EXPECT_EQ(skipped.substr(skipped.size() - 20), ": File name too long");
}

TEST_F(FileSelectionTest, AWorkingFolderThatIsGoneIsNotTheRoot) {
    const fs::path before = fs::current_path();
    fs::create_directory(root_ / "gone");
    fs::current_path(root_ / "gone");
    fs::remove(root_ / "gone");
    cfg_.SearchDefaultPath.clear();
    const auto names = Select("*");
    fs::current_path(before);
    EXPECT_TRUE(names.empty());
    ASSERT_FALSE(observer_.messages.empty());
    EXPECT_EQ(observer_.messages[0], "Path not found:\n");
    EXPECT_EQ(observer_.kinds[0], MessageKind::Error);
}

TEST_F(FileSelectionTest, NoFolderAnywhereWalksTheWorkingFolder) {
    Write("a.txt");
    const fs::path before = fs::current_path();
    fs::current_path(root_);
    cfg_.SearchDefaultPath.clear();
    auto names = Select("a.txt");
    fs::current_path(before);
    EXPECT_EQ(names, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(FileSelectionTest, ADateWindowAndAHiddenFolderAreFiltered) {
    Write("old.txt");
    Write(".cache/new.txt");
    fs::last_write_time(root_ / "old.txt", fs::file_time_type::clock::now() - std::chrono::hours(24 * 40));
    cfg_.SearchDateId = 3;
    cfg_.SearchDateLastDay = 30;
    cfg_.SearchIncludeSubDir = 1;
    cfg_.DeriveWindows(TodayDosDate());
    EXPECT_TRUE(Select("*.txt").empty()) << "too old, and a dot folder is not entered";
    cfg_.SearchDateLastDay = 60;
    cfg_.DeriveWindows(TodayDosDate());
    EXPECT_EQ(Select("*.txt"), std::vector<std::string>{"old.txt"});
}

TEST_F(FileSelectionTest, SizeBoundsAndSpecialFiles) {
    Write("k1000", 1000);
    Write("k1001", 1001);
    ASSERT_EQ(::mkfifo((root_ / "pipe").c_str(), 0600), 0);
    fs::create_symlink(root_ / "missing", root_ / "broken");
    cfg_.SearchSizeId = 1;
    cfg_.SearchSizeMax = 1;
    cfg_.DeriveWindows(TodayDosDate());
    EXPECT_EQ(Select("*"), std::vector<std::string>{"k1000"});
}

// A sub-folder that cannot be entered is skipped silently, like one removed
// during the walk; the tests run as root, for whom no permission can make a
// folder unreadable, so that case is not made here.
TEST_F(FileSelectionTest, LinkLoopsEndAndLinkedFoldersKeepTheirWalkedPath) {
    Write("real/f.txt");
    fs::create_directory_symlink(root_ / "real", root_ / "link");
    fs::create_directory_symlink(root_, root_ / "real" / "up");  // a loop back to the top
    cfg_.SearchIncludeSubDir = 1;
    auto names = Select("*.txt");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link/f.txt", "real/f.txt"}));
}

TEST_F(FileSelectionTest, ProjectFilesAreReplacedByTheirFilesOnceEach) {
    Write("a.txt");
    Write("b.txt");
    TSearchCFG project;
    project.SetDefaults();
    project.SearchDateFrom = project.SearchDateBefore = PackDosDate(1, 1, 2020);
    TSaveFile a;
    a.folder = root_.string();
    a.name = "a.txt";
    project.FoundFiles.push_back(a);
    TSaveFile self;
    self.folder = root_.string();
    self.name = "self.QRV";
    project.FoundFiles.push_back(self);  // lists itself
    ASSERT_TRUE(SaveProject((root_ / "self.QRV").string(), project).empty());
    auto all = Select("*.*");
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"a.txt", "b.txt"})) << "*.* never yields project files";
    EXPECT_EQ(Select("*.qrv"), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Select("*.qrv,-self.qrv"), std::vector<std::string>{}) << "an excluded project is dropped unexpanded";
}

}  // namespace
}  // namespace quarvel
