#include <gtest/gtest.h>

#include "search/search_info.h"

namespace quarvel {
namespace {

TEST(SearchInfo, LinesOfTheInformationDialog) {
    TSearchCFG cfg;
    cfg.FoundFiles.resize(3);
    cfg.GFiles = 120;
    cfg.SearchFilesMask = "*.txt";
    cfg.SearchString = "cat+dog";
    cfg.timeStart = 1000;
    cfg.timeEnd = 1004;
    cfg.GSizeFilesCurrent = 3000000;
    auto lines = SearchInfoLines(cfg);
    EXPECT_EQ(lines, (std::vector<std::string>{"Hits in 3 file(s) out of 120", "*.txt", "String(s) to find", "cat+dog",
                                               "Search duration 0:0:4", "Read 3000000 byte(s)",
                                               "Rate of search 750.00 KB/sec"}));
    EXPECT_EQ(cfg.timeSum, 4.0);
    EXPECT_EQ(lines[kInfoExpressionLine], cfg.SearchString);
    cfg.timeEnd = 1000 + 3600 + 125;
    EXPECT_EQ(SearchInfoLines(cfg)[4], "Search duration 1:2:5");
    cfg.timeEnd = 1000;
    lines = SearchInfoLines(cfg);
    EXPECT_EQ(lines.size(), 6u) << "no rate within the same second";
    EXPECT_EQ(lines[4], "Search duration 0:0:0");
}

TEST(SearchInfo, EmptyFilesGiveNoRate) {
    TSearchCFG cfg;
    cfg.GFiles = 7;
    cfg.timeStart = 5000;
    cfg.timeEnd = 5009;
    cfg.timeSum = 123;  // left from an earlier opening
    cfg.GSizeFilesCurrent = 0;
    const auto lines = SearchInfoLines(cfg);
    EXPECT_EQ(cfg.timeSum, 9.0);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Hits in 0 file(s) out of 7");
    EXPECT_EQ(lines[4], "Search duration 0:0:9");
    EXPECT_EQ(lines[5], "Read 0 byte(s)");
}

}  // namespace
}  // namespace quarvel
