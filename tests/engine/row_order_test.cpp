// The results list's order against a plain one: every column, both ways,
// over random lists full of ties, with the found order breaking every tie
// and coming back at the third click.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/unicode_text.h"
#include "results/row_order.h"

namespace quarvel {
namespace {

TEST(RowOrder, AClickSortsASecondReversesAThirdReturnsToTheFoundOrder) {
    RowOrder order;
    order.Click(SortColumn::Name);
    EXPECT_EQ(std::tuple(order.Column(), order.Descending()), std::tuple(SortColumn::Name, false));
    order.Click(SortColumn::Name);
    EXPECT_EQ(std::tuple(order.Column(), order.Descending()), std::tuple(SortColumn::Name, true));
    order.Click(SortColumn::Size);
    EXPECT_EQ(std::tuple(order.Column(), order.Descending()), std::tuple(SortColumn::Size, false)) << "another column starts rising";
    order.Click(SortColumn::Size);
    order.Click(SortColumn::Size);
    EXPECT_EQ(std::tuple(order.Column(), order.Descending()), std::tuple(SortColumn::Found, false));
}

TEST(RowOrder, SortsAsAPlainSortWithTheFoundOrderBreakingTies) {
    std::mt19937 random(20261210);
    const char* const names[] = {"a", "B", "b", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", "z", "", "A1", "\xFF"};
    for (int list = 0; list < 200; ++list) {
        TSaveFileArray files(random() % 60);
        std::vector<std::optional<std::uint64_t>> hits(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            files[i].name = names[random() % 9];
            files[i].folder = names[random() % 9];
            files[i].size = random() % 4;
            files[i].date = static_cast<std::uint16_t>(random() % 3);
            files[i].time = static_cast<std::uint16_t>(random() % 3);
            if (random() % 4) hits[i] = random() % 3;
        }
        for (const SortColumn column : {SortColumn::Name, SortColumn::Folder, SortColumn::Size, SortColumn::Modified,
                                        SortColumn::Hits}) {
            RowOrder order;
            for (const bool descending : {false, true}) {
                order.Click(column);
                order.Arrange(files, hits);
                // The plain sort: a key per file, compared whole, then the found index.
                auto key = [&](std::size_t i) -> std::tuple<std::u32string, std::uint64_t, std::uint64_t> {
                    std::u32string text;
                    if (column == SortColumn::Name || column == SortColumn::Folder)
                        for (char32_t c : Utf8ToChars(column == SortColumn::Name ? files[i].name.str() : files[i].folder.str()))
                            text += FoldCase(c);
                    const std::uint64_t number = column == SortColumn::Size     ? files[i].size
                                                 : column == SortColumn::Modified ? files[i].date * 65536u + files[i].time
                                                 : column == SortColumn::Hits     ? (hits[i] ? *hits[i] + 1 : 0)
                                                                                  : 0;
                    return {text, number, 0};
                };
                std::vector<std::size_t> expected(files.size());
                for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = i;
                std::sort(expected.begin(), expected.end(), [&](std::size_t a, std::size_t b) {
                    const auto ka = key(a), kb = key(b);
                    if (ka != kb) return descending ? kb < ka : ka < kb;
                    return a < b;
                });
                ASSERT_EQ(order.Rows(), files.size());
                for (std::size_t row = 0; row < files.size(); ++row) {
                    ASSERT_EQ(order.FoundIndex(row), expected[row]) << "list " << list << ", row " << row;
                    ASSERT_EQ(order.RowOf(expected[row]), row);
                }
            }
            order.Click(column);
            order.Arrange(files, hits);
            for (std::size_t row = 0; row < files.size(); ++row) ASSERT_EQ(order.FoundIndex(row), row);
        }
    }
}

}  // namespace
}  // namespace quarvel
