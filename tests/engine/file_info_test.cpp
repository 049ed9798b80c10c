#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

#include "dialogs/file_info.h"
#include "platform/clock.h"

namespace quarvel {
namespace {

TSearchCFG RecordOf(TSaveFile file, TSaveElemArray hits) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchFilesMask = "/home/ann/notes.txt";
    cfg.SearchString = "cat+dog|bird";
    cfg.FoundFiles = {std::move(file)};
    cfg.Hits = std::move(hits);
    return cfg;
}

TEST(FileInfo, AHitAtTheOffsetOfItsWordsLastCountedHitIsNotCountedAgain) {
    const std::uint32_t cat = 0, dog = 1;
    // Hits as the list keeps them, ordered by offset.
    TSaveElemArray hits = {
        {0, cat, 0},   // the first hit counts, at offset 0 too
        {0, cat, 1},   // the same occurrence again: not counted, whatever its unit decided
        {0, dog, 0},
        {7, dog, 0},
        {7, cat, 0},
        {7, dog, 1},   // a cat in between: still dog's last counted offset
        {7, cat, 0},
    };
    EXPECT_EQ(CountWordHits(hits, cat), 2u);
    EXPECT_EQ(CountWordHits(hits, dog), 2u);
    EXPECT_EQ(CountWordHits(hits, 2), 0u);
    EXPECT_EQ(CountWordHits({}, cat), 0u);

    // Counting does not assume order: an offset seen again after another one counts again.
    TSaveElemArray back = {{5, cat, 0}, {9, cat, 0}, {5, cat, 0}, {5, cat, 0}};
    EXPECT_EQ(CountWordHits(back, cat), 3u);
}

TEST(FileInfo, RowsFollowTheCompiledQueryAndEveryWordHasOne) {
    TSearchCFG cfg = RecordOf({}, {{3, 2, 1}, {3, 2, 1}, {12, 0, 0}, {20, 2, 0}});
    std::string expression = cfg.SearchString;
    Tstr query(expression, cfg);
    ASSERT_EQ(query.TermCount(), 3u);
    FileInfo info(cfg, &query);
    EXPECT_EQ(info.path, "/home/ann/notes.txt");
    EXPECT_EQ(info.expression, "cat+dog|bird");
    EXPECT_EQ(info.words, (std::vector<FileInfoWordRow>{{"cat", "1"}, {"dog", "0"}, {"bird", "2"}}));

    EXPECT_TRUE(FileInfo(cfg, nullptr).words.empty()) << "no query, no rows";
}

TEST(FileInfo, SizeDateAndTimeLines) {
    // A file saved on 7 March 2024 at 09:05:59, local time.
    std::tm saved{};
    saved.tm_mday = 7, saved.tm_mon = 2, saved.tm_year = 124;
    saved.tm_hour = 9, saved.tm_min = 5, saved.tm_sec = 59;
    saved.tm_isdst = -1;
    const DosStamp stamp = DosStampFromTime(std::mktime(&saved));
    TSaveFile file;
    file.size = 0;
    file.date = stamp.date;
    file.time = stamp.time;
    FileInfo info(RecordOf(file, {}), nullptr);
    EXPECT_EQ(info.size, "Size 0 byte(s)");
    EXPECT_EQ(info.date, "Date 07/03/2024");
    EXPECT_EQ(info.time, "Time 09:05") << "no seconds, and minutes are not rounded";

    file.size = 5'000'000'123ull;  // past 4 GiB
    file.date = PackDosDate(31, 12, 2107);
    file.time = static_cast<std::uint16_t>((23 << 11) | (59 << 5));
    info = FileInfo(RecordOf(file, {}), nullptr);
    EXPECT_EQ(info.size, "Size 5000000123 byte(s)");
    EXPECT_EQ(info.date, "Date 31/12/2107");
    EXPECT_EQ(info.time, "Time 23:59");

    TSearchCFG none = RecordOf(file, {});
    none.FoundFiles.clear();
    info = FileInfo(none, nullptr);
    EXPECT_EQ(info.size, "Size 0 byte(s)") << "an empty record, without a found file";
    EXPECT_EQ(info.date, "Date 00/00/1980");
    EXPECT_EQ(info.time, "Time 00:00");
}

}  // namespace
}  // namespace quarvel

#include <sys/mman.h>
#include <unistd.h>

#include "query/match_engine.h"

namespace quarvel {
namespace {

// A word's occurrences in every reading the search used, each once: the
// Unicode reading's, the ANSI reading's, and one that both read alike.
TEST(FileInfo, AWordCountsItsOccurrencesInEveryReadingOnce) {
    const int fd = ::memfd_create("quarvel-info", 0);
    ASSERT_GE(fd, 0);
    const std::string text = "caf\xC3\xA9 CAF\xC3\x89 caf\xE9 cafe\n";
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    for (const auto& [unicode, cafe, plain] : {std::tuple{kUnicodeToo, "3", "1"}, std::tuple{kUnicodeOff, "1", "1"}}) {
        TSearchCFG cfg = RecordOf(TSaveFile{}, {});
        cfg.SearchString = "caf\xC3\xA9|cafe";
        cfg.SearchIgnoreCase = 1;
        cfg.SearchUnicode = unicode;
        std::string expression = cfg.SearchString;
        Tstr query(expression, cfg);
        ScanObserver observer;
        const CancelFlag cancel;
        MatchEngine engine(cfg, query, observer, cancel);
        engine.SetCollectHits(true);
        ASSERT_EQ(engine.Scan("/proc/self/fd", std::to_string(fd)), 1);
        engine.Result().StoreIn(cfg);
        const FileInfo info(cfg, &query);
        ASSERT_EQ(info.words.size(), 2u);
        EXPECT_EQ(info.words[0], (FileInfoWordRow{"caf\xC3\xA9", cafe})) << unicode;
        EXPECT_EQ(info.words[1], (FileInfoWordRow{"cafe", plain})) << "found by every reading at one offset";
    }
    ::close(fd);
}

}  // namespace
}  // namespace quarvel
