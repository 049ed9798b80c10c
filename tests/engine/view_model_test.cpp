// The viewer's text model against a plain account of rows: every row start
// reached by stepping, read from the file or hit-tested must be the one that
// cutting each line into row-width pieces gives; then the edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/codepage.h"
#include "tests/engine/view_text_support.h"
#include "viewer/view_model.h"

namespace quarvel {
namespace {

// A viewer's record for a text: its line starts as the scan makes them, and hits.
struct Shown {
    explicit Shown(const std::string& text, std::vector<TSaveElem> hits = {})
        : cfg(ViewerRecord(text)), file(text) {
        cfg.Hits = std::move(hits);
        std::string expression = "alpha|be";
        query = std::make_unique<Tstr>(expression, cfg);  // terms 0 "alpha" (5), 1 "be" (2)
        model = std::make_unique<ViewModel>(cfg, query.get(), file);
    }
    TSearchCFG cfg;
    TextSource file;
    std::unique_ptr<Tstr> query;
    std::unique_ptr<ViewModel> model;
};

std::string RandomText(std::mt19937& random) {
    static const char alphabet[] = "ab \n\n\r\t\x01\xe9x";
    std::string text(random() % 120, ' ');
    for (char& c : text) c = alphabet[random() % (sizeof alphabet - 1)];
    return text;
}

TEST(ViewRows, SteppingReadingAndHitTestingAgreeWithTheRowsOfEveryLine) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random);
        Shown shown(text);
        ViewModel& model = *shown.model;
        const std::uint32_t width = 1 + random() % 7;
        model.SetWindowSize(width, 4);
        model.SetWrap(true);
        const std::vector<std::uint64_t> starts = RowStarts(text, width);
        // Down through every row to the file size, and back up again.
        for (std::size_t i = 1; i < starts.size(); ++i) {
            model.RowDown();
            ASSERT_EQ(model.TopOffset(), starts[i]) << "text " << ::testing::PrintToString(text) << " width " << width;
        }
        model.RowDown();
        ASSERT_EQ(model.TopOffset(), text.size());
        for (std::size_t i = starts.size() - 1; i-- > 0;) {
            model.RowUp();
            ASSERT_EQ(model.TopOffset(), starts[i]);
            ASSERT_EQ(model.TopLine() + 1, 1 + std::count(text.begin(), text.begin() + starts[i], '\n'));
        }
        // The rows read from the top start where the rows of the lines start,
        // and a click in column 0 of a row lands on its start.
        const std::vector<ViewRow> rows = model.ReadRows(static_cast<int>(starts.size()));
        for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
            ASSERT_EQ(rows[i].start, starts[i]) << ::testing::PrintToString(text) << " width " << width;
            ASSERT_LE(rows[i].Cells(), width);
            ASSERT_EQ(model.OffsetAt(0, static_cast<int>(i)), starts[i]);
        }
        // Wherever the selection lies, its spans stay on the rows and inside them.
        const std::uint64_t a = random() % (text.size() + 1), b = random() % (text.size() + 1);
        model.Select(a, b);
        std::uint64_t covered = 0;
        for (const SelectionSpan& span : model.SelectionSpans(static_cast<int>(starts.size()))) {
            ASSERT_LT(span.first, span.end);
            ASSERT_LE(span.end, width);
            covered += span.end - span.first;
        }
        ASSERT_EQ(covered, std::max(a, b) - std::min(a, b));
    }
}

TEST(ViewHits, NextAndPrevLandOnTheRowOfTheHitThatTheLinearRuleChooses) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = RandomText(random) + "end";
        std::vector<TSaveElem> hits;
        for (std::uint64_t at = 0; at < text.size(); at += 1 + random() % 9)
            hits.push_back({at, static_cast<std::uint32_t>(random() % 2), static_cast<std::uint32_t>(random() % 2)});
        Shown shown(text, hits);
        ViewModel& model = *shown.model;
        const std::uint32_t width = 1 + random() % 6;
        model.SetWindowSize(width, 4);
        model.SetWrap(true);
        model.SetAllWords(random() % 2);
        const std::vector<std::uint64_t> starts = RowStarts(text, width);
        for (int step = 0; step < 12; ++step) {
            const bool next = random() % 3 != 0;
            const std::uint64_t top = model.TopOffset();
            // The linear rule over the whole list.
            const TSaveElem* chosen = nullptr;
            const std::uint64_t from = next ? *std::upper_bound(starts.begin(), starts.end(), top) : top;
            for (const TSaveElem& hit : hits) {
                if (!model.AllWords() && !hit.satisfied) continue;
                if (next ? hit.offset >= from && (!chosen || hit.offset < chosen->offset)
                         : hit.offset < top && (!chosen || hit.offset >= chosen->offset))
                    chosen = &hit;
            }
            const bool moved = next ? model.NextHit() : model.PrevHit();
            ASSERT_EQ(moved, chosen != nullptr && !(next && from == top)) << ::testing::PrintToString(text);
            ASSERT_EQ(model.TopOffset(), moved ? RowOf(starts, chosen->offset) : top);
        }
    }
}

TEST(ViewRows, LinesWithoutLineFeedsAndLinesOfExactlyTheRowWidth) {
    Shown noFeed(std::string(2500, 'x'));
    ViewModel& model = *noFeed.model;
    model.RowDown();
    EXPECT_EQ(model.TopOffset(), 1000u);  // unwrapped rows are 1000 wide
    model.SetWindowSize(80, 10);
    model.SetWrap(true);
    model.Scroll(ScrollStep::Top);
    model.Scroll(ScrollStep::PageDown);
    EXPECT_EQ(model.TopOffset(), 8u * 80);  // rows per window minus 2
    EXPECT_EQ(model.TopLine(), 0u);

    Shown exact("abcd\nef");
    exact.model->SetWindowSize(4, 5);
    exact.model->SetWrap(true);
    const std::vector<ViewRow> rows = exact.model->ReadRows(3);
    EXPECT_EQ(rows[0].text, "abcd");
    EXPECT_EQ(rows[1].text, "");  // the line feed alone: an empty row
    EXPECT_EQ(rows[1].end, 5u);
    EXPECT_EQ(rows[2].text, "ef");  // the last line, without a line feed, ends at the file size
    EXPECT_EQ(rows[2].end, 7u);
}

TEST(ViewRows, ControlBytesShowAsBlanksAndOemConvertsWhileCopyKeepsTheBytes) {
    // Not UTF-8 (0x80 is no character there): shown in ANSI.
    std::string text = "a\tb";
    text += '\0';
    text += "c\r\n\x80\xC9\xFF";
    Shown shown(text);
    ViewModel& model = *shown.model;
    std::vector<ViewRow> rows = model.ReadRows(2);
    EXPECT_EQ(rows[0].text, std::string("a b c"));  // the closing carriage return is dropped
    EXPECT_EQ(model.ShownAs(), ShownReading::kAnsi);
    EXPECT_EQ(rows[1].text, "\u20AC\u00C9\u00FF");  // the Windows-1252 characters, as UTF-8
    model.SetOem(true);
    rows = model.ReadRows(2);
    EXPECT_EQ(rows[1].text, "\u00C7+\u00A0");  // code page 437 as its Windows-1252 look-alikes
    model.SelectAll();
    EXPECT_EQ(model.SelectedBytes(), text);  // raw: no conversion, line breaks and NUL as in the file
    EXPECT_EQ(model.SelectedText(), std::string("a\tb") + '\0' + "c\r\n\u00C7+\u00A0");
    model.SetOem(false);
    EXPECT_EQ(model.SelectedText(), std::string("a\tb") + '\0' + "c\r\n\u20AC\u00C9\u00FF");
}

TEST(ViewHits, NextAndPrevFollowTheAllWordsRule) {
    // "alpha" at 0 (satisfied), 20 (not), 40 (satisfied); one row per line of 10.
    std::string text;
    for (int i = 0; i < 6; ++i) text += "alpha....\n";
    Shown shown(text, {{0, 0, 1}, {20, 0, 0}, {40, 0, 1}});
    ViewModel& model = *shown.model;
    EXPECT_TRUE(model.NextHit());
    EXPECT_EQ(model.TopOffset(), 40u);  // the top row's own hit is passed over, so is the unsatisfied one
    EXPECT_TRUE(model.PrevHit());
    EXPECT_EQ(model.TopOffset(), 0u);
    model.SetAllWords(true);
    EXPECT_TRUE(model.NextHit());
    EXPECT_EQ(model.TopOffset(), 20u);
    EXPECT_TRUE(model.NextHit());
    EXPECT_EQ(model.TopOffset(), 40u);
    EXPECT_FALSE(model.NextHit());  // nothing beyond: the view stays
    EXPECT_EQ(model.TopOffset(), 40u);
    model.Scroll(ScrollStep::Bottom);
    model.RowUp();
    EXPECT_EQ(model.TopOffset(), 50u);
    EXPECT_FALSE(model.NextHit());  // Next from the last row
    EXPECT_EQ(model.TopOffset(), 50u);
}

TEST(ViewHits, EditAtLineTakesTheSteppedHitInSightThenTheFirstShownThenTheTopLine) {
    // Thirty lines of 10 bytes; "alpha" on lines 4 (satisfied), 5 (not), 13, 14 and 26.
    std::string text;
    for (int i = 0; i < 30; ++i) text += "alpha....\n";
    Shown shown(text, {{30, 0, 1}, {40, 0, 0}, {120, 0, 1}, {130, 0, 1}, {250, 0, 1}});
    ViewModel& model = *shown.model;
    const auto down = [&model](int rows) {
        for (int i = 0; i < rows; ++i) model.RowDown();
    };
    model.SetWindowSize(80, 5);  // lines 1 to 5 in sight
    EXPECT_EQ(model.LineForEdit(), 4u) << "the first marked hit shown";
    down(5);
    EXPECT_EQ(model.LineForEdit(), 6u) << "no hit in sight: the top line";
    ASSERT_TRUE(model.NextHit());
    ASSERT_TRUE(model.NextHit());
    EXPECT_EQ(model.TopLine(), 13u);
    model.RowUp();  // the hit of line 13 is now the first shown, the one stepped to is still in sight
    EXPECT_EQ(model.LineForEdit(), 14u);
    down(2);  // the one stepped to has gone out of sight
    EXPECT_EQ(model.LineForEdit(), 15u);
    down(7);
    EXPECT_EQ(model.LineForEdit(), 26u) << "the window's last line holds a hit";
    ASSERT_TRUE(model.PrevHit());
    EXPECT_EQ(model.LineForEdit(), 14u);

    // A hit stepped to that All words alone marked counts no more once it is off.
    model.Scroll(ScrollStep::Top);
    model.SetAllWords(true);
    ASSERT_TRUE(model.NextHit());
    ASSERT_TRUE(model.NextHit());
    model.RowUp();  // lines 4 to 8 in sight, the line 5 hit stepped to
    EXPECT_EQ(model.LineForEdit(), 5u);
    model.SetAllWords(false);
    EXPECT_EQ(model.LineForEdit(), 4u);
}

TEST(ViewHits, MarksCoverTheWordAndRunOverRowBoundaries) {
    // "alpha" at 3 crosses the boundary of rows of 5; "be" at 7 lies inside the second row.
    Shown shown("xx alphabet\n", {{3, 0, 1}, {7, 1, 0}});
    ViewModel& model = *shown.model;
    model.SetWindowSize(5, 4);
    model.SetWrap(true);
    const std::vector<ViewRow> rows = model.ReadRows(2);
    std::vector<HitMark> first = model.MarksFor(rows[0]), second = model.MarksFor(rows[1]);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].column, 3u);
    EXPECT_EQ(first[0].length, 2u);
    ASSERT_EQ(second.size(), 1u);  // the unsatisfied "be" is not drawn
    EXPECT_EQ(second[0].column, 0u);
    EXPECT_EQ(second[0].length, 3u);
    model.SetAllWords(true);
    second = model.MarksFor(rows[1]);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[1].column, 2u);
    EXPECT_EQ(second[1].length, 2u);
}

TEST(ViewScroll, EndPutsTheTopAtTheFileSizeAndTheCaptionAt100) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\n";
    text += "last";
    Shown shown(text);
    ViewModel& model = *shown.model;
    EXPECT_EQ(model.Caption(), "/data/f.txt (line:1/0%)");
    model.Scroll(ScrollStep::Bottom);
    EXPECT_EQ(model.TopOffset(), text.size());
    EXPECT_EQ(model.ScrollPosition(), kScrollRange);
    EXPECT_EQ(model.Caption(), "/data/f.txt (line:101/100%)");
    model.Scroll(ScrollStep::LineUp);
    EXPECT_EQ(model.ReadRows(1)[0].text, "last");
    EXPECT_LT(model.ScrollPosition(), kScrollRange);  // below the end, never the last position
    // A thumb let go halfway moves to a row start near half the file.
    model.Scroll(ScrollStep::Thumb, kScrollRange / 2);
    const std::uint64_t top = model.TopOffset();
    EXPECT_TRUE(top == 0 || text[top - 1] == '\n');
    EXPECT_NEAR(static_cast<double>(top), text.size() / 2.0, 10.0);
    // A line step on a file this short moves one row and the thumb with it.
    const std::uint32_t before = model.ScrollPosition();
    model.Scroll(ScrollStep::LineDown);
    EXPECT_GT(model.ScrollPosition(), before);
}

TEST(ViewSelection, AClickPastAShortLineEndsAtTheLineAndSelectAllTakesTheFile) {
    Shown shown("short\na much longer line\n");
    ViewModel& model = *shown.model;
    EXPECT_EQ(model.OffsetAt(40, 0), 5u);  // the end of "short", before its line feed
    EXPECT_EQ(model.OffsetAt(3, 1), 9u);
    EXPECT_EQ(model.OffsetAt(2, 9), 6u + 2);  // below the last line: the walk stops in it
    model.SelectAll();
    EXPECT_EQ(model.SelectedBytes().size(), 25u);
    model.Select(7, 7);
    EXPECT_FALSE(model.HasSelection());
    model.Select(3, 100);  // never beyond the file
    EXPECT_EQ(model.SelectionEnd(), 25u);
}

}  // namespace
}  // namespace quarvel
