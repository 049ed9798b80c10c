#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "results/save_file.h"

namespace quarvel {
namespace {

TSaveFile File(std::uint32_t group, const char* folder, const char* name) {
    TSaveFile f;
    f.group = group;
    f.folder = folder;
    f.name = name;
    return f;
}

TEST(ResultsStoreSortedInsert, EqualOffsetsKeepInsertionOrder) {
    TSaveElemArray hits;
    // word numbers tag the order of insertion
    for (auto [offset, word] : {std::pair{5u, 0u}, {3u, 1u}, {5u, 2u}, {3u, 3u}, {4u, 4u}, {5u, 5u}, {0u, 6u}})
        SortedInsert(hits, TSaveElem{offset, word, 0});
    const TSaveElemArray expected = {{0, 6, 0}, {3, 1, 0}, {3, 3, 0}, {4, 4, 0}, {5, 0, 0}, {5, 2, 0}, {5, 5, 0}};
    EXPECT_EQ(hits, expected);
}

TEST(ResultsStoreSortedInsert, EqualOffsetInTheMiddleGoesAfterItsEquals) {
    TSaveElemArray hits = {{1, 0, 0}, {5, 1, 1}, {9, 2, 0}};
    SortedInsert(hits, TSaveElem{5, 3, 0});
    const TSaveElemArray expected = {{1, 0, 0}, {5, 1, 1}, {5, 3, 0}, {9, 2, 0}};
    EXPECT_EQ(hits, expected);
}

TEST(ResultsStoreSortedInsert, RandomInsertionsMatchAStableSort) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 50; ++round) {
        TSaveElemArray hits, inserted;
        const int n = static_cast<int>(rng() % 200);
        for (int i = 0; i < n; ++i) {
            TSaveElem e{static_cast<std::uint32_t>(rng() % 20), static_cast<std::uint32_t>(i),
                        static_cast<std::uint32_t>(rng() % 2)};
            SortedInsert(hits, e);
            inserted.push_back(e);
        }
        std::stable_sort(inserted.begin(), inserted.end(),
                         [](const TSaveElem& a, const TSaveElem& b) { return a.offset < b.offset; });
        ASSERT_EQ(hits, inserted) << "round " << round;
    }
}

TEST(ResultsStoreSameFile, NameAndFolderIgnoreCaseGroupsMustDiffer) {
    const TSaveFile a = File(1, "/Data/Docs", "Report.TXT");
    EXPECT_TRUE(SameFile(a, File(2, "/data/docs", "report.txt")));
    EXPECT_FALSE(SameFile(a, File(1, "/data/docs", "report.txt"))) << "records of one group never match";
    EXPECT_FALSE(SameFile(a, File(2, "/data/docs", "report.txt2")));
    EXPECT_FALSE(SameFile(a, File(2, "/data/doc", "report.txt")));
    EXPECT_FALSE(SameFile(a, File(2, "/data/docs/report.txt", "")));
    EXPECT_TRUE(SameFile(File(0, "", "a"), File(3, "", "A"))) << "files in the root folder";
}

TEST(ResultsStoreSameFile, AnsiLettersFoldCase) {
    // E acute in Windows-1252: 0xC9 upper, 0xE9 lower
    EXPECT_TRUE(SameFile(File(1, "/x", "\xC9t\xC9"), File(2, "/X", "\xE9T\xE9")));
}

TEST(ResultsStoreFindSameFile, ReturnsTheFirstMatchOrMinusOne) {
    TSaveFileArray list = {File(1, "/a", "x"), File(2, "/a", "y"), File(3, "/A", "Y"), File(4, "/a", "y")};
    EXPECT_EQ(FindSameFile(list, File(9, "/a", "Y")), 1);
    // group 2 cannot match itself: the next one is the answer
    EXPECT_EQ(FindSameFile(list, File(2, "/a", "y")), 2);
    EXPECT_EQ(FindSameFile(list, File(9, "/a", "z")), -1);
    EXPECT_EQ(FindSameFile(TSaveFileArray{}, File(9, "/a", "x")), -1);
}

TEST(ResultsStoreRemoveAt, RemovesOneAndKeepsOrder) {
    TSaveFileArray list = {File(0, "/", "a"), File(0, "/", "b"), File(0, "/", "c")};
    RemoveAt(list, 1);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name.str(), "a");
    EXPECT_EQ(list[1].name.str(), "c");
    RemoveAt(list, 5);  // out of range: nothing happens
    EXPECT_EQ(list.size(), 2u);
    RemoveAt(list, 1);
    RemoveAt(list, 0);
    EXPECT_TRUE(list.empty());
    RemoveAt(list, 0);
    EXPECT_TRUE(list.empty());
}

TEST(ResultsStoreTexts, CopiesShareTextsDeepCopySharesNothing) {
    const TSaveFile original = File(4, "/home/u", "notes.txt");
    const TSaveFile copy = original;
    EXPECT_TRUE(copy.name.SharesWith(original.name));
    EXPECT_TRUE(copy.folder.SharesWith(original.folder));

    const TSaveFile deep = original.DeepCopy();
    EXPECT_FALSE(deep.name.SharesWith(original.name));
    EXPECT_FALSE(deep.folder.SharesWith(original.folder));
    EXPECT_EQ(deep.name.str(), "notes.txt");
    EXPECT_EQ(deep.folder.str(), "/home/u");
    EXPECT_EQ(deep.group, 4u);
}

TEST(ResultsStoreTexts, SharedTextOutlivesTheListItCameFrom) {
    TSaveFileArray found;
    {
        TSaveFileArray search = {File(1, "/tmp/deep/folder", "survivor.txt")};
        found.push_back(search[0]);
        search.clear();
        search.shrink_to_fit();
    }
    EXPECT_EQ(found[0].Path(), "/tmp/deep/folder/survivor.txt");
}

TEST(ResultsStoreTexts, PathJoinsFolderAndName) {
    EXPECT_EQ(File(0, "/usr/share", "a.txt").Path(), "/usr/share/a.txt");
    EXPECT_EQ(File(0, "", "a.txt").Path(), "/a.txt") << "the root folder's text is empty";
}

}  // namespace
}  // namespace quarvel
