// The lines a found file shows its hits on (the preview pane, --lines) and
// the hits counted per file (the Hits column, --json): known texts in each
// reading, and random and real-shaped files checked against plain counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/unicode_text.h"
#include "query/match_engine.h"
#include "search/hit_pass.h"
#include "tests/engine/differential_cases.h"
#include "tests/engine/match_oracle.h"
#include "tests/temp_folder.h"
#include "viewer/hit_lines.h"
#include "viewer/preview_scan.h"

namespace quarvel {
namespace {

const std::string kCut = "\xE2\x80\xA6";

struct Scanned {
    FileScan scan;
    std::string path;
};

Scanned ScanFile(const std::string& folder, const std::string& bytes, const std::string& expression,
                 std::uint32_t within, std::uint32_t code = kCodeBoth, std::uint32_t unicode = kUnicodeToo) {
    std::ofstream(folder + "/f.txt", std::ios::binary) << bytes;
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchWithin = within;
    cfg.SearchCode = code;
    cfg.SearchUnicode = unicode;
    std::string text = expression;
    const Tstr query(text, cfg);
    ScanObserver observer;
    const CancelFlag cancel;
    MatchEngine engine(cfg, query, observer, cancel);
    engine.SetCollectHits(true);
    engine.Scan(folder, "f.txt");
    return {engine.Result(), folder + "/f.txt"};
}

HitLines Lines(const Scanned& s, HitLinesLayout layout = {}) {
    ViewFile file(s.path);
    return ReadHitLines(file, s.scan, layout);
}

// The marked characters of a line, joined by "|".
std::string Marked(const HitLine& line) {
    const std::u32string chars = Utf8ToChars(line.text);
    std::string out;
    for (const TextMark& m : line.marks) {
        if (!out.empty()) out += "|";
        for (std::size_t i = m.from; i < m.from + m.length && i < chars.size(); ++i) AppendUtf8(out, chars[i]);
    }
    return out;
}

TEST(HitLines, ShowsEachLineInTheReadingThatFoundItsHits) {
    TempFolder folder("quarvel-hitlines");
    struct Known {
        const char* what;
        std::string bytes, expression;
        std::uint32_t code, unicode;
        std::vector<std::string> texts, marked;
        std::vector<std::uint64_t> numbers;
    };
    const std::vector<Known> known = {
        {"UTF-8, the line break and a tab left out", "x\r\ncaf\xC3\xA9\tau lait\r\nno\r\n", "café", kCodeBoth, kUnicodeToo,
         {"café au lait"}, {"café"}, {2}},
        {"Windows-1252 bytes found by an ASCII term", "caf\xE9 alpha\n", "alpha", kCodeBoth, kUnicodeToo, {"café alpha"}, {"alpha"}, {1}},
        {"OEM only", "\x82t\x82 alpha\n", "alpha", kCodeOem, kUnicodeOff, {"été alpha"}, {"alpha"}, {1}},
        {"UTF-16 after its mark, the mark no text",
         std::string("\xFF\xFE" "a\0=\0\xE9\0\n\0z\0", 12), "é", kCodeBoth, kUnicodeToo, {"a=é"}, {"é"}, {1}},
        {"two terms, one line", "one beta two alpha\nbeta\n", "alpha+beta", kCodeBoth, kUnicodeToo, {"one beta two alpha"},
         {"beta|alpha"}, {1}},
    };
    for (const Known& k : known) {
        const HitLines lines = Lines(ScanFile(folder.Path(), k.bytes, k.expression, kWithinLine, k.code, k.unicode));
        std::vector<std::string> texts, marked;
        std::vector<std::uint64_t> numbers;
        for (const HitLine& line : lines.lines) {
            texts.push_back(line.text);
            marked.push_back(Marked(line));
            numbers.push_back(line.line);
        }
        EXPECT_EQ(texts, k.texts) << k.what;
        EXPECT_EQ(marked, k.marked) << k.what;
        EXPECT_EQ(numbers, k.numbers) << k.what;
        EXPECT_EQ(lines.more, 0u) << k.what;
    }
}

TEST(HitLines, CutsLongLinesAroundTheirHitsAndCapsTheList) {
    TempFolder folder("quarvel-hitlines");
    const std::string filler(500, 'x');
    // One long line, hits far apart: each shown with its context, the gaps cut.
    const Scanned far = ScanFile(folder.Path(), filler + " alpha " + filler + " alpha " + filler + "\n", "alpha",
                                 kWithinLine);
    HitLinesLayout layout;
    layout.width = 200;
    layout.context = 10;
    const HitLines cut = Lines(far, layout);
    ASSERT_EQ(cut.lines.size(), 1u);
    const std::string piece = std::string(9, 'x') + " alpha " + std::string(9, 'x');
    EXPECT_EQ(cut.lines[0].text, kCut + piece + kCut + piece + kCut);
    EXPECT_EQ(Marked(cut.lines[0]), "alpha|alpha");
    EXPECT_EQ(cut.lines[0].marks[0].from, 11u);
    // The same line whole, for the command line.
    layout.width = kNoCut;
    EXPECT_EQ(Lines(far, layout).lines[0].text, filler + " alpha " + filler + " alpha " + filler);
    // Once the text is as long as the width, later hits are left out.
    std::string many;
    for (int i = 0; i < 400; ++i) many += "alpha ";
    layout.width = 60;
    const HitLine crowded = Lines(ScanFile(folder.Path(), many + "\n", "alpha", kWithinLine), layout).lines.at(0);
    EXPECT_LT(Utf8ToChars(crowded.text).size(), 60u + 2 * 10 + 8);
    EXPECT_EQ(crowded.text.substr(crowded.text.size() - kCut.size()), kCut);
    // A short line shows whole, however far from its hit.
    layout.width = 200;
    EXPECT_EQ(Lines(ScanFile(folder.Path(), std::string(150, 'y') + " alpha\n", "alpha", kWithinLine), layout)
                  .lines.at(0)
                  .text,
              std::string(150, 'y') + " alpha");
    // The cap: the first lines listed, the others counted.
    std::string lines;
    for (int i = 0; i < 25; ++i) lines += i % 2 ? "alpha\n" : "none\n";
    layout.cap = 5;
    const HitLines capped = Lines(ScanFile(folder.Path(), lines, "alpha", kWithinLine), layout);
    ASSERT_EQ(capped.lines.size(), 5u);
    EXPECT_EQ(capped.lines[4].line, 10u);
    EXPECT_EQ(capped.more, 7u);
}

// The line of an offset, counted plainly: line feeds before it (UTF-16 ones after its mark).
std::uint64_t LineOf(const std::string& bytes, std::uint64_t offset) {
    std::uint64_t line = 1;
    const bool le = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    const bool be = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
    if (le || be) {
        // A line feed's two bytes both belong to the line it closes.
        for (std::uint64_t i = 2; i + 2 <= offset && i + 1 < bytes.size(); i += 2)
            line += (le ? bytes[i] == '\n' && bytes[i + 1] == 0 : bytes[i] == 0 && bytes[i + 1] == '\n') ? 1 : 0;
        return line;
    }
    for (std::uint64_t i = 0; i < offset; ++i) line += bytes[i] == '\n';
    return line;
}

// Random and real-shaped files: the lines listed are exactly those that hold
// a hit of a satisfying unit; a cut line is pieces of the whole one, marked
// where it is; the hits counted are the oracle's occurrences.
TEST(HitLines, AgreeWithPlainCountsOverManyFiles) {
    const int cases = CasesFromEnvironment("QUARVEL_HITLINES_CASES", 3000);
    const std::uint32_t seed = SeedFromEnvironment("QUARVEL_HITLINES_SEED");
    TempFolder folder("quarvel-hitlines");
    CaseMaker maker(seed);
    int checked = 0;
    for (int i = 0; i < cases; ++i) {
        const Case c = i % 3 == 0 ? maker.Next() : i % 3 == 1 ? maker.NextShaped() : maker.NextUnicode();
        if (!CaseCompiles(c)) continue;
        std::ofstream(folder.Path() + "/f.txt", std::ios::binary) << c.bytes;
        TSearchCFG cfg = CaseCfg(c);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        ScanObserver observer;
        const CancelFlag cancel;
        MatchEngine engine(cfg, query, observer, cancel);
        engine.SetCollectHits(true);
        engine.Scan(folder.Path(), "f.txt");
        const Scanned s{engine.Result(), folder.Path() + "/f.txt"};

        std::set<std::uint64_t> expected;
        std::set<std::pair<std::uint64_t, std::uint32_t>> occurrences;
        for (const TSaveElem& h : s.scan.hits)
            if (h.satisfied) {
                expected.insert(LineOf(c.bytes, h.offset));
                occurrences.insert({h.offset, h.word});
            }
        HitLinesLayout whole;
        whole.width = kNoCut;
        whole.cap = kNoCap;
        const HitLines all = Lines(s, whole);
        std::set<std::uint64_t> listed;
        for (const HitLine& line : all.lines) {
            // A term that holds a line break may begin at a line's very end, which shows no mark.
            if (c.expression.find_first_of("\r\n") == std::string::npos) {
                EXPECT_FALSE(line.marks.empty()) << Describe(c);
            }
            EXPECT_TRUE(listed.insert(line.line).second) << "line listed twice\n" << Describe(c);
        }
        ASSERT_EQ(listed, expected) << "case " << i << "\n" << Describe(c);
        EXPECT_EQ(CountHits(s.scan.hits), occurrences.size()) << Describe(c);
        // The oracle's own hits, counted the same way, where it covers the case.
        if (!c.unicode) {
            TSearchCFG oracleCfg = CaseCfg(c);
            std::string again = c.expression;
            Tstr oracleQuery(again, oracleCfg);
            OracleScan(folder.Path() + "/f.txt", oracleCfg, oracleQuery, true);
            EXPECT_EQ(CountHits(oracleCfg.Hits), occurrences.size()) << Describe(c);
        }

        HitLinesLayout narrow;
        narrow.width = 12;
        narrow.context = 3;
        narrow.cap = 4;
        const HitLines cut = Lines(s, narrow);
        ASSERT_EQ(cut.lines.size(), std::min<std::size_t>(4, all.lines.size()));
        EXPECT_EQ(cut.more, all.lines.size() - cut.lines.size());
        for (std::size_t k = 0; k < cut.lines.size(); ++k) {
            const std::u32string full = Utf8ToChars(all.lines[k].text);
            std::vector<bool> fullMarked(full.size());
            for (const TextMark& m : all.lines[k].marks)
                for (std::size_t j = m.from; j < m.from + m.length; ++j) fullMarked[j] = true;
            const std::u32string shown = Utf8ToChars(cut.lines[k].text);
            std::vector<bool> shownMarked(shown.size());
            for (const TextMark& m : cut.lines[k].marks)
                for (std::size_t j = m.from; j < m.from + m.length; ++j) shownMarked[j] = true;
            // Each piece between cuts is found in the whole line with the same marks, in order.
            if (full.find(U'\u2026') != std::u32string::npos) continue;  // a text's own ellipsis is no cut
            std::size_t at = 0;
            for (std::size_t j = 0; j < shown.size();) {
                if (shown[j] == U'\u2026') {
                    ++j;
                    continue;
                }
                std::size_t end = j;
                while (end < shown.size() && shown[end] != U'\u2026') ++end;
                const std::u32string piece = shown.substr(j, end - j);
                std::size_t found = full.find(piece, at);
                while (found != std::u32string::npos &&
                       !std::equal(shownMarked.begin() + j, shownMarked.begin() + end, fullMarked.begin() + found))
                    found = full.find(piece, found + 1);
                ASSERT_NE(found, std::u32string::npos) << "case " << i << " line " << all.lines[k].line << "\nwhole: " << all.lines[k].text << "\ncut: " << cut.lines[k].text << "\n"
                                                        << Describe(c);
                at = found + piece.size();
                j = end;
            }
            EXPECT_EQ(cut.lines[k].line, all.lines[k].line);
        }
        ++checked;
    }
    EXPECT_GT(checked, cases / 2);
}

TEST(HitPass, CountsEveryFileInOrderOnAnyNumberOfThreads) {
    TempFolder folder("quarvel-hitpass");
    TSaveFileArray files;
    std::vector<std::uint64_t> expected;
    for (int i = 0; i < 600; ++i) {
        std::string text;
        for (int k = 0; k < i % 17; ++k) text += k % 3 ? "alpha beta\n" : "gamma alpha alpha\n";
        const std::string name = "f" + std::to_string(i) + ".txt";
        std::ofstream(folder.Path() + "/" + name) << text;
        TSaveFile f;
        f.folder = folder.Path();
        f.name = name;
        files.push_back(f);
        std::uint64_t hits = 0;
        for (int k = 0; k < i % 17; ++k) hits += k % 3 ? 1 : 2;
        expected.push_back(hits);
    }
    TSaveFile gone;
    gone.folder = folder.Path();
    gone.name = "gone.txt";
    files.insert(files.begin() + 300, gone);
    expected.insert(expected.begin() + 300, UINT64_MAX);

    TSearchCFG cfg;
    cfg.SearchWithin = kWithinLine;
    std::string expression = "alpha";
    const Tstr query(expression, cfg);
    for (unsigned threads : {1u, 3u}) {
        const CancelFlag cancel;
        HitPass pass(cfg, query, cancel, threads);
        pass.SetExtra([](const TSaveFile& f, const FileScan&) { return f.name.str(); });
        std::vector<std::uint64_t> got;
        const std::size_t told = pass.Run(files, [&](std::size_t index, FileHitCount& count) {
            ASSERT_EQ(index, got.size());
            EXPECT_EQ(count.extra, count.counted ? files[index].name.str() : std::string());
            got.push_back(count.counted ? count.hits : UINT64_MAX);
        });
        EXPECT_EQ(told, files.size());
        EXPECT_EQ(got, expected) << threads << " threads";
    }
    // Cancelled on the way: what was told is a beginning of the list, in order.
    CancelFlag cancel;
    HitPass pass(cfg, query, cancel, 2);
    std::size_t seen = 0;
    const std::size_t told = pass.Run(files, [&](std::size_t index, FileHitCount&) {
        EXPECT_EQ(index, seen++);
        if (index == 40) cancel.Set();
    });
    EXPECT_EQ(told, 41u);
}

}  // namespace
}  // namespace quarvel

namespace quarvel {
namespace {

// The preview reads a large file by pieces: what it tells at the end is the
// whole file's lines, and it tells its first lines before that.
TEST(PreviewScan, ListsWhatTheWholeScanListsAndTellsEarly) {
    TempFolder folder("quarvel-preview");
    std::mt19937 random(7);
    for (std::uint32_t within : {kWithinLine, kWithinSentence}) {
        std::string text;
        while (text.size() < 3 * PreviewScan::kFirstPiece + 12345) {
            const std::uint32_t kind = random() % 50;
            text += kind == 0 ? "alpha and beta. more alpha\n" : kind == 1 ? std::string(3000, 'x') + " alpha\r\n"
                                                                 : "filler words only here\n";
        }
        const std::string path = folder.Path() + "/big.txt";
        std::ofstream(path, std::ios::binary) << text;
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchWithin = within;
        std::string expression = "alpha";
        const Tstr query(expression, cfg);
        const CancelFlag cancel;
        HitLinesLayout layout;
        layout.cap = 300;

        ScanObserver observer;
        MatchEngine engine(cfg, query, observer, cancel);
        engine.SetCollectHits(true);
        engine.Scan(folder.Path(), "big.txt");
        ViewFile file(path);
        const HitLines expected = ReadHitLines(file, engine.Result(), layout);

        PreviewScan preview(cfg, query, cancel);
        int early = 0;
        HitLines last;
        ASSERT_TRUE(preview.Run(path, layout, [&](const HitLines& lines, bool done) {
            if (!done) ++early;
            last = lines;
        }));
        ASSERT_EQ(last.lines.size(), expected.lines.size());
        EXPECT_EQ(last.more, expected.more);
        for (std::size_t i = 0; i < expected.lines.size(); ++i) {
            EXPECT_EQ(last.lines[i].line, expected.lines[i].line);
            EXPECT_EQ(last.lines[i].text, expected.lines[i].text);
            EXPECT_EQ(last.lines[i].marks, expected.lines[i].marks);
            EXPECT_EQ(last.lines[i].firstHit, expected.lines[i].firstHit);
        }
        // By lines the first piece is told before the end; other units wait for the whole file.
        EXPECT_EQ(early > 0, within == kWithinLine);
    }
    const CancelFlag cancel;
    TSearchCFG cfg;
    cfg.SetDefaults();
    std::string expression = "alpha";
    const Tstr query(expression, cfg);
    EXPECT_FALSE(PreviewScan(cfg, query, cancel).Run(folder.Path() + "/missing.txt", {}, [](const HitLines&, bool) {}));
}

// The pieces made as small as they go, over random and real-shaped files
// searched by lines: what the preview tells at the end is the whole scan's list.
TEST(PreviewScan, PiecesOfAnySizeListWhatTheWholeScanLists) {
    const int cases = CasesFromEnvironment("QUARVEL_PREVIEW_CASES", 1500);
    const std::uint32_t seed = SeedFromEnvironment("QUARVEL_PREVIEW_SEED");
    TempFolder folder("quarvel-preview");
    CaseMaker maker(seed);
    std::mt19937 random(seed);
    const std::string path = folder.Path() + "/f.txt";
    int compared = 0;
    for (int i = 0; i < cases; ++i) {
        Case c = i % 3 == 0 ? maker.Next() : i % 3 == 1 ? maker.NextShaped() : maker.NextUnicode();
        c.within = kWithinLine;
        if (!CaseCompiles(c)) continue;
        std::ofstream(path, std::ios::binary) << c.bytes;
        const TSearchCFG cfg = CaseCfg(c);
        std::string expression = c.expression;
        const Tstr query(expression, cfg);
        const CancelFlag cancel;
        ScanObserver observer;
        MatchEngine whole(cfg, query, observer, cancel);
        whole.SetCollectHits(true);
        whole.Scan(folder.Path(), "f.txt");
        HitLinesLayout layout;
        layout.width = 1 + random() % 300;
        layout.context = random() % 50;
        layout.cap = 1 + random() % 40;
        ViewFile file(path);
        const HitLines expected = ReadHitLines(file, whole.Result(), layout);
        const std::uint64_t piece = 1 + random() % std::max<std::size_t>(1, c.bytes.size() / 3);
        HitLines got;
        ASSERT_TRUE(PreviewScan(cfg, query, cancel, piece).Run(path, layout, [&](const HitLines& lines, bool) {
            got = lines;
        }));
        ASSERT_EQ(got.lines.size(), expected.lines.size()) << "case " << i << ", piece " << piece << "\n" << Describe(c);
        EXPECT_EQ(got.more, expected.more) << Describe(c);
        for (std::size_t k = 0; k < expected.lines.size(); ++k) {
            ASSERT_EQ(got.lines[k].line, expected.lines[k].line) << "case " << i << "\n" << Describe(c);
            ASSERT_EQ(got.lines[k].text, expected.lines[k].text) << "case " << i << "\n" << Describe(c);
            ASSERT_EQ(got.lines[k].marks, expected.lines[k].marks) << "case " << i << "\n" << Describe(c);
        }
        ++compared;
    }
    std::printf("preview pieces: %d comparisons\n", compared);
    EXPECT_GT(compared, cases / 2);
}

}  // namespace
}  // namespace quarvel
