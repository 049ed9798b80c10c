#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_handle.h"
#include "platform/reading.h"
#include "platform/text_conv.h"
#include "query/match_engine.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"
#include "tests/engine/match_oracle.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

struct Options {
    std::uint32_t within = kWithinFile;
    std::uint32_t code = kCodeAnsi;
    std::uint32_t ignoreCase = 0;
    std::uint32_t wholeWord = 0;
    bool collect = true;
};

struct Outcome {
    int result = -1;
    std::vector<std::uint64_t> lineStarts;
    std::uint32_t lineCount = 0;
    std::uint32_t longestLine = 0;
    TSaveElemArray hits;
};

class RecordingObserver : public ScanObserver {
public:
    void ScanStarted(const std::string& path) override { scanned.push_back(path); }
    void FileProgress(std::uint64_t bytes) override { progress.push_back(bytes); }
    std::vector<std::string> scanned;
    std::vector<std::uint64_t> progress;
};

enum class Scanner { Engine, Oracle };

// Every edge case runs against the engine and against the test oracle, so a
// disagreement shows which of the two departs from the hand-worked answer.
class MatchEngineEdgeTest : public ::testing::TestWithParam<Scanner> {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quarvel-match-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& name, const std::string& bytes) {
        std::FILE* f = std::fopen((dir_ + "/" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
    }

    TSearchCFG MakeCfg(const Options& o) {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchWithin = o.within;
        cfg.SearchCode = o.code;
        cfg.SearchIgnoreCase = o.ignoreCase;
        cfg.SearchWholeWord = o.wholeWord;
        cfg.SearchUnicode = 0;  // the one-byte readings' rules; the Unicode reading has tests of its own
        return cfg;
    }

    int ScanWith(TSearchCFG& cfg, Tstr& query, const std::string& name, bool collect, ScanObserver& observer) {
        if (GetParam() == Scanner::Oracle) return OracleScan(dir_ + "/" + name, cfg, query, collect);
        MatchEngine engine(cfg, query, observer, cancel_);
        engine.SetCollectHits(collect);
        try {
            return Stored(engine, engine.Scan(dir_, name), cfg);
        } catch (const QuarvelError&) {
            Stored(engine, 0, cfg);
            throw;
        }
    }

    Outcome Run(const std::string& bytes, std::string expression, const Options& o = {}) {
        Write("f.txt", bytes);
        TSearchCFG cfg = MakeCfg(o);
        cfg.CurrentFileSize = static_cast<double>(bytes.size());
        expression = AnsiToUtf8(expression);  // typed as Windows-1252 here
        Tstr query(expression, cfg);
        RecordingObserver observer;
        Outcome out;
        out.result = ScanWith(cfg, query, "f.txt", o.collect, observer);
        out.lineStarts = cfg.LineStarts;
        out.lineCount = cfg.LineCount;
        out.longestLine = cfg.LongestLine;
        out.hits = cfg.Hits;
        for (TSaveElem& hit : out.hits) hit.length = hit.reading = 0;  // compared by offset, term and unit here
        EXPECT_TRUE(cfg.UnitHits.empty());
        return out;
    }

    int Result(const std::string& bytes, const std::string& expression, const Options& o = {}) {
        return Run(bytes, expression, o).result;
    }

    std::string dir_;
    const CancelFlag cancel_;
};

using Hits = TSaveElemArray;
using Starts = std::vector<std::uint64_t>;

Options Within(std::uint32_t within) {
    Options o;
    o.within = within;
    return o;
}
Options Code(std::uint32_t code) {
    Options o;
    o.code = code;
    return o;
}
Options WholeWord(std::uint32_t within = kWithinFile, std::uint32_t code = kCodeAnsi) {
    Options o;
    o.within = within;
    o.code = code;
    o.wholeWord = 1;
    return o;
}

TEST_P(MatchEngineEdgeTest, EmptyFileIsOneEmptyUnit) {
    EXPECT_EQ(Result("", "-a"), 1);
    EXPECT_EQ(Result("", "a"), 0);
    EXPECT_EQ(Result("", "-a", Within(kWithinLine)), 1);
    const Outcome out = Run("", "a|-b");
    EXPECT_EQ(out.lineStarts, Starts{0});
    EXPECT_EQ(out.lineCount, 0u);
    EXPECT_EQ(out.longestLine, 0u);
    EXPECT_TRUE(out.hits.empty());
}

TEST_P(MatchEngineEdgeTest, UnitsCloseOnTheirClosingByte) {
    // "-x" holds only in a unit without x: the empty unit after the final line feed.
    EXPECT_EQ(Result("x\n", "-x", Within(kWithinLine)), 1);
    EXPECT_EQ(Result("x", "-x", Within(kWithinLine)), 0);
    EXPECT_EQ(Result("x\n", "-x", Within(kWithinFile)), 0);
    EXPECT_EQ(Result("x\nx", "-x", Within(kWithinLine)), 0);

    EXPECT_EQ(Result("a\nzzz\nb", "a+b", Within(kWithinFile)), 1);
    EXPECT_EQ(Result("a\nzzz\nb", "a+b", Within(kWithinLine)), 0);
    EXPECT_EQ(Result("a.b", "a+b", Within(kWithinSentence)), 0);
    EXPECT_EQ(Result("a!b", "a+b", Within(kWithinSentence)), 0);
    EXPECT_EQ(Result("a?b", "a+b", Within(kWithinSentence)), 0);
    EXPECT_EQ(Result("a\nb", "a+b", Within(kWithinSentence)), 1);
    EXPECT_EQ(Result("a\fb", "a+b", Within(kWithinPage)), 0);
    EXPECT_EQ(Result("a\nb", "a+b", Within(kWithinPage)), 1);
    // The closing byte belongs to the unit it closes.
    EXPECT_EQ(Result("a.b", "a.", Within(kWithinSentence)), 1);
    EXPECT_EQ(Result("a.b", ".b", Within(kWithinSentence)), 0);
}

TEST_P(MatchEngineEdgeTest, HitsCarryTheOutcomeOfTheirUnit) {
    const Outcome out = Run("a b\na", "a+-b", Within(kWithinLine));
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.hits, (Hits{{0, 0, 0}, {2, 1, 0}, {4, 0, 1}}));

    // Hits are ordered by offset, equal offsets in the order they were found:
    // each reading runs every term in turn, ANSI before OEM.
    EXPECT_EQ(Run("ab", "b|a").hits, (Hits{{0, 1, 1}, {1, 0, 1}}));
    EXPECT_EQ(Run("ab", "ab|a", Code(kCodeBoth)).hits, (Hits{{0, 0, 1}, {0, 1, 1}, {0, 0, 1}, {0, 1, 1}}));
    // Occurrences of one term never overlap.
    EXPECT_EQ(Run("aaaaa", "aa").hits, (Hits{{0, 0, 1}, {2, 0, 1}}));
}

TEST_P(MatchEngineEdgeTest, LineTableAndLongestLine) {
    Outcome out = Run("ab\ncd", "a");
    EXPECT_EQ(out.lineStarts, (Starts{0, 3}));
    EXPECT_EQ(out.lineCount, 1u);
    EXPECT_EQ(out.longestLine, 2u);

    out = Run("ab\ncd\n", "a", Within(kWithinLine));
    EXPECT_EQ(out.lineStarts, (Starts{0, 3, 6}));
    EXPECT_EQ(out.lineCount, 2u);
    EXPECT_EQ(out.longestLine, 2u);

    out = Run("a\nbcdef", "q");
    EXPECT_EQ(out.longestLine, 5u);

    // Without terms the table is built only when hits are collected.
    out = Run("ab\ncd", "");
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.lineStarts, (Starts{0, 3}));
    Options off;
    off.collect = false;
    out = Run("ab\ncd", "", off);
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.lineStarts, Starts{0});
    EXPECT_EQ(out.lineCount, 0u);
}

TEST_P(MatchEngineEdgeTest, LongFilesAreCountedOnceDespiteOverlaps) {
    std::string noFeed(4500, 'z');
    for (std::size_t i = 0; i < noFeed.size(); i += 7) noFeed[i] = ' ';
    for (const Options& o : {Options{}, WholeWord()}) {
        const Outcome out = Run(noFeed, "zzzzzz|q", o);
        EXPECT_EQ(out.lineStarts, Starts{0});
        EXPECT_EQ(out.lineCount, 0u);
        EXPECT_EQ(out.longestLine, 4500u);
    }

    // Line feeds inside the overlap of a cut piece are counted once.
    std::string lines(6100, 'z');
    Starts expected{0};
    for (std::size_t i = 3; i < lines.size(); i += 3) {
        lines[i] = '\n';
        expected.push_back(i + 1);
    }
    for (const Options& o : {Options{}, WholeWord()}) {
        const Outcome out = Run(lines, "zzzzzzzzzzzz|q", o);
        EXPECT_EQ(out.lineStarts, expected);
        EXPECT_EQ(out.lineCount, expected.size() - 1);
        EXPECT_EQ(out.longestLine, 3u);
    }
}

TEST_P(MatchEngineEdgeTest, OverlapFindsTermsAcrossCuts) {
    // "abcd" covers bytes 1998-2001, across the cut at 2000.
    const std::string straddle = std::string(1998, 'z') + "abcd" + std::string(100, 'z');
    for (const Options& o : {Options{}, WholeWord()}) {
        const std::string text = o.wholeWord ? std::string(1998, ' ') + "abcd" + std::string(100, ' ') : straddle;
        const Outcome out = Run(text, "abcd", o);
        EXPECT_EQ(out.result, 1);
        EXPECT_EQ(out.hits, (Hits{{1998, 0, 1}}));
    }

    // Longest term 6, overlap 5: "xy" at 1996 lies in bytes 1995-1999, seen by both pieces.
    std::string inside = std::string(2100, 'z');
    inside.replace(1996, 2, "xy");
    Outcome out = Run(inside, "abcdef|xy");
    EXPECT_EQ(out.hits, (Hits{{1996, 1, 1}, {1996, 1, 1}}));
    // Just before the overlap: found once.
    inside = std::string(2100, 'z');
    inside.replace(1993, 2, "xy");
    out = Run(inside, "abcdef|xy");
    EXPECT_EQ(out.hits, (Hits{{1993, 1, 1}}));

    // A Line unit longer than a piece is still decided as one unit.
    const std::string longLine = "a" + std::string(4500, 'z') + "b\nb";
    EXPECT_EQ(Result(longLine, "a+b", Within(kWithinLine)), 1);
    EXPECT_EQ(Result("a\n" + std::string(4500, 'z') + "b", "a+b", Within(kWithinLine)), 0);
}

TEST_P(MatchEngineEdgeTest, ExactPieceSizedUnits) {
    // A closing byte as the 2000th byte ends the unit without a cut.
    const std::string line = std::string(1999, 'z') + "\n";
    Outcome out = Run(line + "a", "-a", Within(kWithinLine));
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.lineStarts, (Starts{0, 2000}));
    EXPECT_EQ(out.longestLine, 1999u);

    // A File unit of exactly 2000 bytes: the last piece holds only the overlap.
    const std::string exact = std::string(1997, 'z') + "abc";
    out = Run(exact, "abc");
    EXPECT_EQ(out.hits, (Hits{{1997, 0, 1}}));
    out = Run(exact, "zab");
    EXPECT_EQ(out.hits, (Hits{{1996, 0, 1}}));
    EXPECT_EQ(Result(std::string(2000, 'z'), "-a"), 1);
}

TEST_P(MatchEngineEdgeTest, OemAndAnsiReadings) {
    // OEM 0x81 is u with diaeresis, ANSI 0xFC.
    EXPECT_EQ(Result("\x81", "\xFC", Code(kCodeOem)), 1);
    EXPECT_EQ(Result("\x81", "\xFC", Code(kCodeBoth)), 1);
    EXPECT_EQ(Result("\x81", "\xFC", Code(kCodeAnsi)), 0);
    EXPECT_EQ(Result("\xFC", "\xFC", Code(kCodeAnsi)), 1);
    EXPECT_EQ(Result("\xFC", "\xFC", Code(kCodeOem)), 0);

    // Case folding applies after the conversion: OEM 0x8E is A with diaeresis.
    Options o = Code(kCodeOem);
    o.ignoreCase = 1;
    EXPECT_EQ(Result("x\x8Ey", "\xE4", o), 1);
    EXPECT_EQ(Result("x\x8Ey", "\xE4", Code(kCodeOem)), 0);
    o.code = kCodeAnsi;
    EXPECT_EQ(Result("xCaTx", "cAt", o), 1);
    EXPECT_EQ(Result("xCaTx", "cat", Code(kCodeAnsi)), 0);

    // A byte that reads the same in both is recorded once per reading.
    EXPECT_EQ(Run("za", "a", Code(kCodeBoth)).hits, (Hits{{1, 0, 1}, {1, 0, 1}}));
    EXPECT_EQ(Run("z\x81", "\xFC", Code(kCodeBoth)).hits, (Hits{{1, 0, 1}}));
}

TEST_P(MatchEngineEdgeTest, WholeWords) {
    EXPECT_EQ(Result("cat2", "cat", WholeWord()), 1);
    EXPECT_EQ(Result("(cat)", "cat", WholeWord()), 1);
    EXPECT_EQ(Result("cats", "cat", WholeWord()), 0);
    EXPECT_EQ(Result("xcat", "cat", WholeWord()), 0);
    EXPECT_EQ(Result("cats", "cat", Options{}), 1);
    // At the first and last byte of a unit the unit's edge is the neighbour.
    EXPECT_EQ(Result("x\ncats\n", "cat", WholeWord(kWithinLine)), 0);
    EXPECT_EQ(Result("x\ncat s\n", "cat", WholeWord(kWithinLine)), 1);
    EXPECT_EQ(Result("a.cat", "cat", WholeWord(kWithinSentence)), 1);
    // Rejected once, the search goes on one byte further.
    EXPECT_EQ(Run("cats cat", "cat", WholeWord()).hits, (Hits{{5, 0, 1}}));

    // A cut between "cat" and "s" never makes a whole word of "cat".
    EXPECT_EQ(Result(std::string(1997, ' ') + "cats" + std::string(50, ' '), "cat", WholeWord()), 0);
    EXPECT_EQ(Result(std::string(1997, ' ') + "cats", "cat", WholeWord()), 0);
    // A cut between "x" and "cat": the left neighbour is still seen.
    EXPECT_EQ(Result(std::string(1999, ' ') + "xcat ", "cat", WholeWord()), 0);
    EXPECT_EQ(Run(std::string(1997, ' ') + "cat ", "cat", WholeWord()).hits, (Hits{{1997, 0, 1}}));
    EXPECT_EQ(Run(std::string(1997, ' ') + "cat", "cat", WholeWord()).hits, (Hits{{1997, 0, 1}}));
    EXPECT_EQ(Run(std::string(2000, ' ') + "cat", "cat", WholeWord()).hits, (Hits{{2000, 0, 1}}));
    // Longest term 6, overlap 7: "cat" at 1993 opens the second piece; it was
    // decided in the first piece, where its left neighbour was visible.
    const std::string tail(20, ' ');
    EXPECT_EQ(Run(std::string(1993, ' ') + "cat" + tail, "abcdef|cat", WholeWord()).hits, (Hits{{1993, 1, 1}}));
    EXPECT_TRUE(Run(std::string(1992, ' ') + "xcat" + tail, "abcdef|cat", WholeWord()).hits.empty());

    // Neighbours are judged in the reading's own bytes: 0xC4 is a letter in
    // ANSI but a line in OEM; 0x84 is a quote in ANSI but a letter in OEM.
    EXPECT_EQ(Result("cat\xC4", "cat", WholeWord(kWithinFile, kCodeAnsi)), 0);
    EXPECT_EQ(Result("cat\xC4", "cat", WholeWord(kWithinFile, kCodeOem)), 1);
    EXPECT_EQ(Result("\x84" "cat", "cat", WholeWord(kWithinFile, kCodeAnsi)), 1);
    EXPECT_EQ(Result("\x84" "cat", "cat", WholeWord(kWithinFile, kCodeOem)), 0);
}

TEST_P(MatchEngineEdgeTest, MissingFileIsAnError) {
    TSearchCFG cfg = MakeCfg({});
    std::string expression = "a";
    Tstr query(expression, cfg);
    RecordingObserver observer;
    try {
        ScanWith(cfg, query, "missing.txt", false, observer);
        FAIL() << "no error";
    } catch (const QuarvelError& e) {
        EXPECT_STREQ(e.what(), "Error open file");
    }
    EXPECT_EQ(cfg.LineStarts, Starts{0});

    // Without terms and without hit collection the file is never opened.
    std::string empty;
    Tstr none(empty, cfg);
    EXPECT_EQ(ScanWith(cfg, none, "missing.txt", false, observer), 1);
    EXPECT_THROW(ScanWith(cfg, none, "missing.txt", true, observer), QuarvelError);
}

TEST_P(MatchEngineEdgeTest, PerFileResetAndProgressTotal) {
    const std::string big(5000, 'z');
    Write("big.txt", big);
    TSearchCFG cfg = MakeCfg(WholeWord());
    std::string expression = "zzzz|q";
    Tstr query(expression, cfg);
    RecordingObserver observer;
    ASSERT_EQ(ScanWith(cfg, query, "big.txt", true, observer), 0);
    EXPECT_FALSE(cfg.LineStarts.empty());

    // Results of an earlier file do not leak into the next scan.
    Write("small.txt", "a\nq");
    cfg.GSizeFiles = 1234 + 3;
    cfg.GSizeFilesCurrent = 1234;
    cfg.CurrentFileSize = 3;
    observer.progress.clear();
    EXPECT_EQ(ScanWith(cfg, query, "small.txt", true, observer), 1);
    EXPECT_EQ(cfg.LineStarts, (Starts{0, 2}));
    EXPECT_EQ(cfg.Hits, (Hits{{2, 1, 1, 1, kReadingAnsi}}));
    EXPECT_EQ(cfg.GSizeFilesCurrent, 1237.0);

    cfg.GSizeFiles = 100 + 5000;
    cfg.GSizeFilesCurrent = 100;
    cfg.CurrentFileSize = 5000;
    observer.progress.clear();
    observer.scanned.clear();
    ScanWith(cfg, query, "big.txt", false, observer);
    EXPECT_EQ(cfg.GSizeFilesCurrent, 5100.0);
    if (GetParam() == Scanner::Engine) {
        // Told now and then, each time more, never past the file's end.
        for (std::size_t i = 0; i < observer.progress.size(); ++i)
            EXPECT_TRUE(observer.progress[i] <= 5000 && (i == 0 || observer.progress[i] > observer.progress[i - 1]));
        EXPECT_EQ(observer.scanned, std::vector<std::string>{dir_ + "/big.txt"});
    }
}

// Cancel stops a scan within its piece, even inside one long unit, in both
// ways of scanning: the unit it stopped in is not decided.
TEST(MatchEngineCancel, StopsInsideALongUnit) {
    TempFolder folder("quarvel-cancel");
    std::ofstream(folder.Path() + "/long.txt", std::ios::binary) << std::string(1 << 20, 'z') << "q";
    TSearchCFG cfg;
    cfg.SetDefaults();
    std::string expression = "q";
    Tstr query(expression, cfg);
    ScanObserver observer;
    for (const bool cancelled : {false, true}) {
        CancelFlag cancel;
        if (cancelled) cancel.Set();
        MatchEngine engine(cfg, query, observer, cancel);
        engine.SetCollectHits(true);
        EXPECT_EQ(engine.Scan(folder.Path(), "long.txt"), cancelled ? 0 : 1);
        EXPECT_EQ(engine.Result().hits.empty(), cancelled);
        MatchEngine deciding(cfg, query, observer, cancel);
        FileHandle file(::open((folder.Path() + "/long.txt").c_str(), O_RDONLY));
        EXPECT_EQ(deciding.Decide(file.get(), "long.txt"), cancelled ? 0 : 1);
    }
}

INSTANTIATE_TEST_SUITE_P(MatchEngine, MatchEngineEdgeTest, ::testing::Values(Scanner::Engine, Scanner::Oracle),
                         [](const ::testing::TestParamInfo<Scanner>& info) {
                             return info.param == Scanner::Engine ? "Engine" : "Oracle";
                         });

}  // namespace
}  // namespace quarvel
