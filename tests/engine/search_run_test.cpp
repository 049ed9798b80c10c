#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "search/search_run.h"
#include "search/status_path.h"
#include "tests/engine/run_test_support.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

class SearchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("quarvel-run-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        cfg_.SetDefaults();
        cfg_.SearchDefaultPath = root_.string();
        cfg_.SearchFilesMask = "*.txt";
        cfg_.DeriveWindows(TodayDosDate());
        for (int i = 0; i < 6; ++i) Write("f" + std::to_string(i) + ".txt", i % 2 ? "cat and dog\n" : "cat only\n");
    }
    void TearDown() override { fs::remove_all(root_); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(root_ / name, std::ios::binary) << text;
    }
    RunResult Run(const std::string& expression, RunMode mode = RunMode::Search) {
        cfg_.SearchString = expression;
        observer_.messages.clear();
        observer_.kinds.clear();
        SearchRun run(cfg_, query_, observer_, mode);
        return run.Run();
    }
    std::vector<std::string> Found() const {
        std::vector<std::string> names;
        for (const TSaveFile& f : cfg_.FoundFiles) names.push_back(f.name.str());
        return names;
    }

    fs::path root_;
    TSearchCFG cfg_;
    std::unique_ptr<Tstr> query_;
    RecordingObserver observer_;
};

TEST_F(SearchRunTest, FoundFilesGetRowsInScanOrder) {
    EXPECT_EQ(Run("cat+dog"), RunResult::Ok);
    EXPECT_EQ(cfg_.GFiles, 6u);
    EXPECT_EQ(Found().size(), 3u);
    EXPECT_EQ(observer_.rows, Found());
    EXPECT_TRUE(observer_.messages.empty());
    EXPECT_LE(cfg_.timeStart, cfg_.timeEnd);
    EXPECT_NE(query_, nullptr);
    EXPECT_DOUBLE_EQ(cfg_.GSizeFilesCurrent, cfg_.GSizeFiles) << "every scanned file counts its size once";
}

TEST_F(SearchRunTest, NothingFoundAndNothingSelected) {
    EXPECT_EQ(Run("zebra"), RunResult::Cancel);
    EXPECT_EQ(observer_.messages, std::vector<std::string>{"String(s) not found"});
    EXPECT_TRUE(observer_.rows.empty());
    cfg_.SearchFilesMask = "*.none";
    EXPECT_EQ(Run("cat"), RunResult::Cancel);
    EXPECT_EQ(observer_.messages,
              (std::vector<std::string>{"File(s) not found:\n" + root_.string() + "/*.none", "File(s) not found"}));
}

TEST_F(SearchRunTest, CompileErrorStopsBeforeSelectingAndKeepsThePreviousResult) {
    ASSERT_EQ(Run("dog"), RunResult::Ok);
    const auto previous = Found();
    EXPECT_EQ(Run("a++b"), RunResult::Cancel);
    EXPECT_EQ(observer_.messages, std::vector<std::string>{"Invalid String(s):\nDouble Boolean"});
    EXPECT_EQ(query_, nullptr);
    EXPECT_EQ(Found(), previous);
    EXPECT_EQ(cfg_.GFiles, 0u);
}

TEST_F(SearchRunTest, RefinedSearchNarrowsInOrderAndChecksTheDisk) {
    ASSERT_EQ(Run("cat"), RunResult::Ok);
    const auto before = Found();
    ASSERT_EQ(before.size(), 6u);
    cfg_.SearchRefined = 1;
    cfg_.SearchFilesMask = "nothing-here";  // the file list plays no part in a refined run
    fs::remove(root_ / "f5.txt");
    Write("f3.txt", "cat and dog, edited\n");
    struct stat st {};
    ::stat((root_ / "f3.txt").c_str(), &st);
    ASSERT_EQ(Run("dog"), RunResult::Ok);
    std::vector<std::string> expected;  // the old order, narrowed
    for (const std::string& name : before)
        if (name == "f1.txt" || name == "f3.txt") expected.push_back(name);
    EXPECT_EQ(Found(), expected);
    auto messages = observer_.messages;
    std::sort(messages.begin(), messages.end());
    EXPECT_EQ(messages, (std::vector<std::string>{"File is changed:\n" + (root_ / "f3.txt").string(),
                                                  "File not found:\n" + (root_ / "f5.txt").string()}));
    for (const TSaveFile& f : cfg_.FoundFiles) {
        if (f.name.str() == "f3.txt") {
            EXPECT_NE(f.size, static_cast<std::uint64_t>(st.st_size)) << "the record keeps its old values";
        }
    }
    ASSERT_EQ(Run("zebra"), RunResult::Cancel);
    EXPECT_EQ(Run("cat"), RunResult::Cancel);
    EXPECT_EQ(observer_.messages, std::vector<std::string>{"File(s) not found"})
        << "a refined run after an empty result selects nothing";
}

TEST_F(SearchRunTest, CancelDuringSelectionScansNothing) {
    cfg_.SearchString = "cat";
    SearchRun run(cfg_, query_, observer_, RunMode::Search);
    observer_.onPump = [&run] { run.RequestCancel(); };
    EXPECT_EQ(run.Run(), RunResult::Cancel);
    EXPECT_TRUE(cfg_.FoundFiles.empty());
    EXPECT_EQ(observer_.messages, std::vector<std::string>{"File(s) not found"})
        << "cancelled before any file passed the filters";
}

TEST_F(SearchRunTest, RefiningWithDatesThatExcludeEveryResultSelectsNothing) {
    ASSERT_EQ(Run("cat"), RunResult::Ok);
    cfg_.SearchRefined = 1;
    cfg_.SearchDateId = 1;
    cfg_.SearchDateFrom = cfg_.SearchDateBefore = PackDosDate(1, 1, 1990);
    cfg_.DeriveWindows(TodayDosDate());
    EXPECT_EQ(Run("cat"), RunResult::Cancel);
    EXPECT_EQ(observer_.messages, std::vector<std::string>{"File(s) not found"});
}

TEST_F(SearchRunTest, MessagesTellErrorsFromNotices) {
    Run("a++b");
    EXPECT_EQ(observer_.kinds, std::vector<MessageKind>{MessageKind::ExpressionError});
    Run("zebra");
    EXPECT_EQ(observer_.kinds, std::vector<MessageKind>{MessageKind::Notice}) << "String(s) not found";
    ASSERT_EQ(Run("cat"), RunResult::Ok);
    cfg_.SearchRefined = 1;
    fs::remove(root_ / "f5.txt");
    Write("f3.txt", "cat, edited again\n");
    Run("cat");
    ASSERT_EQ(observer_.messages.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(observer_.kinds[i], observer_.messages[i].rfind("File not found:\n", 0) == 0 ? MessageKind::Error
                                                                                               : MessageKind::Notice)
            << observer_.messages[i] << ": a vanished file is an error, a changed one is scanned all the same";
}

TEST_F(SearchRunTest, AFileThatCannotBeOpenedIsAskedAboutWithItsPathAndTheReason) {
    const std::string locked = (root_ / "locked.txt").string();
    Write("locked.txt", "cat\n");
    ::chmod(locked.c_str(), 0);
    for (RunMode mode : {RunMode::Search, RunMode::Open}) {
        cfg_.SearchFilesMask = mode == RunMode::Search ? "*.txt" : locked;
        observer_.failures.clear();
        {
            AsUnprivilegedUser user;
            if (Readable(locked)) GTEST_SKIP() << "no user here for whom the file is unreadable";
            Run("cat", mode);
        }
        EXPECT_EQ(observer_.failures,
                  std::vector<std::string>{"Error open file|locked.txt|" + locked + "|Permission denied"})
            << "the box shows the caption and the name; the path and the reason go with them";
        const auto found = Found();
        EXPECT_EQ(std::count(found.begin(), found.end(), "locked.txt"), 0);
    }
    EXPECT_EQ(observer_.messages, std::vector<std::string>{"String(s) not found"}) << "the View command's run";
}

TEST_F(SearchRunTest, OpenModeCollectsTheHitsOfItsOneFile) {
    cfg_.SearchFilesMask = (root_ / "f1.txt").string();
    cfg_.SearchRefined = 1;  // ignored in Open mode
    ASSERT_EQ(Run("dog", RunMode::Open), RunResult::Ok);
    EXPECT_TRUE(observer_.rows.empty()) << "Open mode never touches the results list";
    EXPECT_EQ(observer_.cleared, 0);
    ASSERT_EQ(cfg_.Hits.size(), 3u) << "found in the three readings";
    EXPECT_EQ(cfg_.Hits[0].offset, 8u);
    EXPECT_EQ(cfg_.LineStarts, (std::vector<std::uint64_t>{0, 12}));
}

TEST(StatusPath, ShortAndLongPaths) {
    const std::string path42 = "/aaaaaaaaaa/bbbbbbbbbb/cccc/dddddddd.txtxx";
    ASSERT_EQ(path42.size(), 42u);
    EXPECT_EQ(ShortenStatusPath(path42), "/aa.../cccc/dddddddd.txtxx");

    const std::string path30 = "/aaaaaaaaaa/bbbbbbbbbb/cc.txt";
    ASSERT_EQ(path30.size(), 29u);
    EXPECT_EQ(ShortenStatusPath(path30 + "x"), path30 + "x");
    EXPECT_EQ(ShortenStatusPath(path30 + "xy"), "/aa.../bbbbbbbbbb/cc.txtxy");

    // No "/" among the last 24: the last 24 characters.
    const std::string flat = "/folder/" + std::string(40, 'n');
    EXPECT_EQ(ShortenStatusPath(flat), "/fo..." + std::string(24, 'n'));
    // A "/" exactly 24 from the end starts the tail.
    const std::string edge = "/" + std::string(20, 'a') + "/" + std::string(23, 'b');
    EXPECT_EQ(ShortenStatusPath(edge), "/aa.../" + std::string(23, 'b'));
}

// The status line names each file scanned, shortened, after the wait of the selection.
TEST_F(SearchRunTest, TheStatusLineShowsEachFileShortened) {
    const fs::path deep = root_ / "a-folder-whose-name-is-long";
    fs::create_directories(deep);
    std::ofstream(deep / "found.txt") << "cat\n";
    cfg_.SearchDefaultPath = deep.string();
    observer_.statusTexts.clear();
    EXPECT_EQ(Run("cat"), RunResult::Ok);
    const std::string path = (deep / "found.txt").string();
    ASSERT_GT(path.size(), 30u);
    EXPECT_EQ(observer_.statusTexts, (std::vector<std::string>{"Please wait...", ShortenStatusPath(path)}));
}

}  // namespace
}  // namespace quarvel
