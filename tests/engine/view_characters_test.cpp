// The viewer over texts of many characters: rows, steps, clicks, selection,
// copy and hit marks go by whole characters of the reading shown. Random
// texts are checked against the plain account (view_text_support.h), which
// decodes each text once from its start; then the readings and the edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/engine/view_text_support.h"
#include "viewer/view_model.h"

namespace quarvel {
namespace {

struct Shown {
    explicit Shown(const std::string& text, std::vector<TSaveElem> hits = {}, bool utf16Lines = false)
        : cfg(ViewerRecord(text, utf16Lines)), file(text) {
        cfg.Hits = std::move(hits);
        std::string expression = "alpha|be";
        query = std::make_unique<Tstr>(expression, cfg);
        model = std::make_unique<ViewModel>(cfg, query.get(), file);
    }
    TSearchCFG cfg;
    TextSource file;
    std::unique_ptr<Tstr> query;
    std::unique_ptr<ViewModel> model;
};

// UTF-16 of characters (a lone surrogate stays a lone unit), after its mark.
std::string Utf16(const std::u32string& chars, bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    auto unit = [&](char32_t u) {
        const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        out += big ? std::string{high, low} : std::string{low, high};
    };
    for (char32_t c : chars) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

// Mixed texts: ASCII, accents, Cyrillic, CJK, emoji, controls, line ends,
// and in UTF-8 bytes that form no character.
std::string RandomUtf8(std::mt19937& random) {
    static const char* const pieces[] = {"a", "b", " ", "\xC3\xA9", "\xD0\xB6", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
                                         "\n", "\r\n", "\t", "\xE9", "\xC3", "\x80", "\xF0\x9F", "\xE4\xB8",
                                         "\xEF\xBC\xA1", "\xCC\x81"};
    std::string text = random() % 8 == 0 ? "\xEF\xBB\xBF" : "";
    for (int n = static_cast<int>(random() % 60); n > 0; --n) text += pieces[random() % std::size(pieces)];
    return text;
}

std::u32string RandomChars(std::mt19937& random) {
    static const char32_t chars[] = {U'a', U' ', U'\u00E9', U'\u0436', U'\u4E2D', U'\U0001F600', U'\n', U'\r',
                                     U'\t', 0xD800, 0xDC00, U'\u010A', U'\uFF21'};
    std::u32string text;
    for (int n = static_cast<int>(random() % 50); n > 0; --n) text += chars[random() % std::size(chars)];
    return text;
}

// Every property of the rows against the plain account, for one text, reading and width.
void CheckAgainstPlainAccount(const std::string& text, bool utf16Lines, ShownReading reading, std::uint32_t width,
                              std::mt19937& random) {
    SCOPED_TRACE(::testing::PrintToString(text) + " width " + std::to_string(width));
    std::vector<TSaveElem> hits;
    for (std::uint64_t at = random() % 5; at < text.size(); at += 1 + random() % 7)
        hits.push_back({at, static_cast<std::uint32_t>(random() % 2), 1, static_cast<std::uint32_t>(1 + random() % 6),
                        static_cast<std::uint32_t>(1u << (random() % 3))});
    Shown shown(text, hits, utf16Lines);
    ViewModel& model = *shown.model;
    model.SetReading(reading);
    model.SetWindowSize(width, 4);
    model.SetWrap(true);
    const PlainLayout plain(text, model.ShownAs() == ShownReading::kUnicode, width);
    const std::vector<std::uint64_t>& starts = plain.rowStarts;

    // Down through every row and back up.
    for (std::size_t i = 1; i < starts.size(); ++i) {
        model.RowDown();
        ASSERT_EQ(model.TopOffset(), starts[i]) << "row " << i;
    }
    for (std::size_t i = starts.size() - 1; i-- > 0;) {
        model.RowUp();
        ASSERT_EQ(model.TopOffset(), starts[i]) << "row " << i;
    }
    // Read from the top: the rows are the plain rows, character for
    // character, and together they cover the file exactly.
    const std::vector<ViewRow> rows = model.ReadRows(static_cast<int>(starts.size()));
    std::size_t next = 0;
    for (std::size_t r = 0; r + 1 < starts.size(); ++r) {
        ASSERT_EQ(rows[r].start, starts[r]);
        ASSERT_EQ(rows[r].end, starts[r + 1]);
        const auto drawn = std::count_if(rows[r].chars.begin(), rows[r].chars.end(), [](const ShownChar& ch) { return ch.cells > 0; });
        ASSERT_TRUE(rows[r].Cells() <= width || drawn == 1) << "only a wide character alone may overfill a row";
        for (const ShownChar& ch : rows[r].chars) {
            ASSERT_LT(next, plain.chars.size());
            ASSERT_EQ(ch.offset, plain.chars[next].offset);
            ASSERT_EQ(ch.length, plain.chars[next].length);
            ASSERT_EQ(ch.cells, plain.chars[next].cells);
            ++next;
        }
        ASSERT_EQ(model.OffsetAt(0, static_cast<int>(r)), starts[r]);
    }
    ASSERT_EQ(next, plain.chars.size());
    // A thumb let go anywhere, even inside a character, lands on a row start.
    for (int k = 0; k < 4; ++k) {
        model.Scroll(ScrollStep::Thumb, static_cast<std::uint32_t>(random() % (kScrollRange + 1)));
        ASSERT_TRUE(std::binary_search(starts.begin(), starts.end(), model.TopOffset())) << model.TopOffset();
    }
    model.Scroll(ScrollStep::Top);
    // Hits mark the characters their bytes overlap, whichever reading found them.
    for (std::size_t r = 0; r + 1 < starts.size(); ++r) {
        std::vector<bool> expected(rows[r].Cells() + 2, false), marked(expected.size(), false);
        for (const TSaveElem& hit : hits)
            for (const ShownChar& ch : rows[r].chars)
                if (ch.offset < hit.offset + hit.length && ch.offset + ch.length > hit.offset)
                    for (std::uint32_t c = ch.column; c < ch.column + ch.cells; ++c) expected[c] = true;
        for (const HitMark& mark : model.MarksFor(rows[r]))
            for (std::size_t c = mark.column; c < mark.column + mark.length; ++c) marked.at(c) = true;
        ASSERT_EQ(marked, expected) << "row " << r;
    }
    // A selection between any two offsets takes whole characters, and copies
    // as the text of those characters.
    const std::uint64_t a = random() % (text.size() + 1), b = random() % (text.size() + 1);
    model.Select(a, b);
    const std::uint64_t from = std::min(plain.CharStart(a), plain.CharStart(b)),
                        to = std::max(plain.CharStart(a), plain.CharStart(b));
    ASSERT_EQ(std::min(model.Anchor(), model.SelectionEnd()), from);
    ASSERT_EQ(std::max(model.Anchor(), model.SelectionEnd()), to);
    std::uint64_t covered = 0, cells = 0;
    for (const SelectionSpan& span : model.SelectionSpans(static_cast<int>(starts.size()))) covered += span.end - span.first;
    std::string copied;
    for (const PlainLayout::Char& ch : plain.Overlapping(from, to)) {
        cells += ch.cells;
        if (ch.cells == 0) continue;
        const char32_t c = model.ShownAs() == ShownReading::kUnicode
                               ? (ch.c == kInvalidChar ? U'\uFFFD' : ch.c)
                               : (model.ShownAs() == ShownReading::kOem ? kOemReading : kAnsiReading).charOf(ch.c);
        AppendUtf8(copied, c);
    }
    ASSERT_EQ(covered, cells);
    ASSERT_EQ(model.SelectedText(), copied);
}

TEST(ViewCharacters, RandomUtf8TextsAgreeWithThePlainAccountInEveryReading) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 1500; ++round) {
        const std::string text = RandomUtf8(random);
        const std::uint32_t width = 1 + random() % 9;
        for (ShownReading reading : {ShownReading::kAuto, ShownReading::kUnicode, ShownReading::kAnsi, ShownReading::kOem})
            CheckAgainstPlainAccount(text, false, reading, width, random);
        if (HasFatalFailure()) return;
    }
}

TEST(ViewCharacters, RandomUtf16TextsAgreeWithThePlainAccount) {
    std::mt19937 random(99);
    for (int round = 0; round < 1500; ++round) {
        std::string text = Utf16(RandomChars(random), random() % 2);
        if (random() % 6 == 0) text += 'x';  // a last odd byte
        CheckAgainstPlainAccount(text, true, ShownReading::kAuto, 1 + random() % 9, random);
        if (HasFatalFailure()) return;
    }
}

// The row that holds an offset is found without decoding its whole line: a
// line of megabytes is laid out in pieces, each starting a row at a character.
TEST(ViewCharacters, AVeryLongLineStepsByWholeCharactersBothWays) {
    std::string text;
    std::mt19937 random(5);
    while (text.size() < 100000) text += random() % 3 ? "\xE4\xB8\xAD" : random() % 2 ? "\xC3\xA9" : "a";
    Shown shown(text);
    ViewModel& model = *shown.model;
    ASSERT_EQ(model.ShownAs(), ShownReading::kUnicode);
    model.SetWindowSize(37, 10);
    model.SetWrap(true);
    const PlainLayout plain(text, true, 1000);
    std::vector<std::uint64_t> down{0};
    while (model.TopOffset() < text.size()) {
        model.RowDown();
        ASSERT_GT(model.TopOffset(), down.back());
        down.push_back(model.TopOffset());
    }
    for (std::size_t i = down.size() - 1; i-- > 0;) {
        model.RowUp();
        ASSERT_EQ(model.TopOffset(), down[i]);
    }
    for (std::size_t i = 0; i + 1 < down.size(); ++i) {
        ASSERT_EQ(plain.CharStart(down[i]), down[i]) << "a row inside a character";
        ASSERT_LE(down[i + 1] - down[i], 37u * 3);
    }
    // Reading from any of them gives the same rows the steps gave.
    model.Scroll(ScrollStep::Thumb, kScrollRange / 2);
    const auto at = std::find(down.begin(), down.end(), model.TopOffset());
    ASSERT_NE(at, down.end());
    const std::vector<ViewRow> rows = model.ReadRows(5);
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].start, at[static_cast<std::ptrdiff_t>(i)]);
}

TEST(ViewCharacters, Utf8TextShowsAccentsCyrillicCjkAndEmojiInTheirCells) {
    const std::string text = "caf\xC3\xA9 \xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80!\n";
    Shown shown(text);
    ViewModel& model = *shown.model;
    EXPECT_EQ(model.ShownAs(), ShownReading::kUnicode);
    const ViewRow row = model.ReadRows(1)[0];
    EXPECT_EQ(row.text, "café привет 中文 😀!");
    std::vector<std::uint32_t> columns, cells;
    for (const ShownChar& ch : row.chars) columns.push_back(ch.column), cells.push_back(ch.cells);
    // c a f é _ п р и в е т _ 中 文 _ 😀 ! \n
    EXPECT_EQ(cells, (std::vector<std::uint32_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 1, 2, 1, 1}));
    EXPECT_EQ(columns[13], 14u);
    EXPECT_EQ(columns[15], 17u);
    // A click on either cell of 中 lands on its start; one past the text, before the line feed.
    EXPECT_EQ(model.OffsetAt(12, 0), 19u);
    EXPECT_EQ(model.OffsetAt(13, 0), 19u);
    EXPECT_EQ(model.OffsetAt(200, 0), text.size() - 1);
    // Wrapped at 13 cells, 中 (two cells) does not fit after 12 and starts the next row.
    model.SetWindowSize(13, 5);
    model.SetWrap(true);
    const std::vector<ViewRow> rows = model.ReadRows(3);
    EXPECT_EQ(rows[0].text, "café привет ");
    EXPECT_EQ(rows[1].text, "中文 😀!");
}

TEST(ViewCharacters, Utf16LittleAndBigEndianWithCrLfShowAsText) {
    for (bool big : {false, true}) {
        const std::string text = Utf16(U"first \u00E9\r\nsecond hello \u4E2D\r\n", big);
        Shown shown(text, {{20 + 2 * 7, 0, 1, 10, kReadingUnicode}}, true);
        ViewModel& model = *shown.model;
        EXPECT_EQ(model.ShownAs(), ShownReading::kUnicode);
        const std::vector<ViewRow> rows = model.ReadRows(3);
        EXPECT_EQ(rows[0].text, "first é");  // the mark takes no cell, the closing CR is dropped
        EXPECT_EQ(rows[0].chars[1].column, 0u);
        EXPECT_EQ(rows[1].text, "second hello 中");
        EXPECT_EQ(rows[1].start, 20u);
        const std::vector<HitMark> marks = model.MarksFor(rows[1]);
        ASSERT_EQ(marks.size(), 1u);
        EXPECT_EQ(marks[0].column, 7u);  // "hello", five characters of two bytes
        EXPECT_EQ(marks[0].length, 5u);
        model.SelectAll();
        EXPECT_EQ(model.SelectedText(), "first é\r\nsecond hello 中\r\n");  // the mark is not copied
        model.RowDown();
        EXPECT_EQ(model.TopOffset(), 20u);
        EXPECT_EQ(model.TopLine(), 1u);
    }
}

// A line table made by the ANSI reading of a UTF-16 text starts each line
// after the line feed's first byte; shown in Unicode, the lines start after
// the whole character.
TEST(ViewCharacters, AUtf16TextWithTheLineTableOfAOneByteReadingKeepsItsCharacters) {
    const std::string text = Utf16(U"ab\ncd\nef", false);
    Shown shown(text);  // the byte table: after 0x0A, inside "\n\0"
    ViewModel& model = *shown.model;
    const std::vector<ViewRow> rows = model.ReadRows(4);
    EXPECT_EQ(rows[0].text, "ab");
    EXPECT_EQ(rows[1].text, "cd");
    EXPECT_EQ(rows[1].start, 8u);
    EXPECT_EQ(rows[2].text, "ef");
    model.RowDown();
    EXPECT_EQ(model.TopOffset(), 8u);
    model.RowDown();
    EXPECT_EQ(model.TopOffset(), 14u);
    model.RowUp();
    EXPECT_EQ(model.TopOffset(), 8u);
}

TEST(ViewCharacters, InvalidBytesShowAsOneReplacementCharacterPerStretch) {
    // "caf" + E9 (Windows-1252's é, no UTF-8), a cut 3-byte character, a lone continuation byte.
    const std::string text = "ok \xE2\x82\xAC \xE2\x82 \x80 caf\xE9";
    Shown shown(text);
    ViewModel& model = *shown.model;
    EXPECT_EQ(model.ShownAs(), ShownReading::kAnsi) << "not valid UTF-8: Auto shows ANSI";
    model.SetReading(ShownReading::kUnicode);
    EXPECT_EQ(model.ReadRows(1)[0].text, "ok € \uFFFD \uFFFD caf\uFFFD");
    model.SelectAll();
    EXPECT_EQ(model.SelectedText(), "ok € \uFFFD \uFFFD caf\uFFFD");
    model.SetReading(ShownReading::kAnsi);
    EXPECT_EQ(model.ReadRows(1)[0].text, "ok \u00E2\u201A\u00AC \u00E2\u201A \u20AC caf\u00E9");
}

// Bytes meant as Windows-1252 that happen to be valid UTF-8: Auto shows
// them in Unicode, and the Options menu's reading shows them as meant.
TEST(ViewCharacters, ATextValidAsUtf8ButMeantAsAnsiCanBeShownInAnsi) {
    const std::string text = "Preis: 10\xC2\xA3 f\xC3\xBCr alle\n";  // "10Â£ fÃ¼r" in Windows-1252
    Shown shown(text, {{11, 0, 1, 3, kReadingAnsi}});
    ViewModel& model = *shown.model;
    EXPECT_EQ(model.Reading(), ShownReading::kAuto);
    EXPECT_EQ(model.ShownAs(), ShownReading::kUnicode);
    EXPECT_EQ(model.ReadRows(1)[0].text, "Preis: 10£ für alle");
    ViewRow row = model.ReadRows(1)[0];
    ASSERT_EQ(model.MarksFor(row).size(), 1u);
    EXPECT_EQ(model.MarksFor(row)[0].column, 10u);  // " f" and ü: three bytes, three characters here
    EXPECT_EQ(model.MarksFor(row)[0].length, 3u);
    model.SetReading(ShownReading::kAnsi);
    row = model.ReadRows(1)[0];
    EXPECT_EQ(row.text, "Preis: 10\u00C2\u00A3 f\u00C3\u00BCr alle");
    EXPECT_EQ(model.MarksFor(row)[0].column, 11u);  // " fÃ": one byte a character
    EXPECT_EQ(model.MarksFor(row)[0].length, 3u);
    // F8 shows OEM and goes back to the reading chosen before.
    model.SetOem(true);
    EXPECT_EQ(model.ShownAs(), ShownReading::kOem);
    model.SetOem(false);
    EXPECT_EQ(model.Reading(), ShownReading::kAnsi);
}

TEST(ViewCharacters, AutoJudgesByAByteOrderMarkOrABoundedSampleFromTheStart) {
    const std::string cjk = "\xE4\xB8\xAD";
    std::string longText;
    while (longText.size() < kAutoSampleSize + 10) longText += cjk;
    const struct {
        const char* what;
        std::string text;
        ShownReading shown;
    } cases[] = {
        {"ASCII alone", "plain text\n", ShownReading::kUnicode},
        {"empty", "", ShownReading::kUnicode},
        {"UTF-8 mark before invalid bytes", "\xEF\xBB\xBF\xE9t\xE9", ShownReading::kUnicode},
        {"UTF-16 marks", "\xFF\xFE" "a\0", ShownReading::kUnicode},
        {"Windows-1252", "caf\xE9", ShownReading::kAnsi},
        {"a character cut by the file's end", "ok" + cjk.substr(0, 2), ShownReading::kAnsi},
        {"a character cut by the sample's end", longText, ShownReading::kUnicode},
        {"invalid beyond the sample", longText + "\xE9", ShownReading::kUnicode},
        {"invalid inside the sample", "\xE9" + longText, ShownReading::kAnsi},
    };
    for (const auto& c : cases) {
        Shown shown(c.text);
        EXPECT_EQ(shown.model->ShownAs(), c.shown) << c.what;
    }
    EXPECT_EQ(kAutoSampleSize % 3, 1u) << "the long text's sample must end inside a character";
}

TEST(ViewCharacters, HitsOfEveryReadingMarkTheCharactersTheyFound) {
    // "Café" in UTF-8: the Unicode reading finds "café" (5 bytes); the OEM
    // reading found "Caf" and the first byte of é (4 bytes), which marks the
    // same characters, once; a hit of an old record has no length and takes
    // the term's ("be", 2 bytes).
    const std::string text = "A Caf\xC3\xA9 be\n";
    Shown shown(text, {{2, 0, 1, 5, kReadingUnicode}, {2, 0, 1, 4, kReadingOem}, {6, 0, 1, 1, kReadingAnsi},
                       {8, 1, 1, 0, 0}});
    ViewModel& model = *shown.model;
    const ViewRow row = model.ReadRows(1)[0];
    const std::vector<HitMark> marks = model.MarksFor(row);
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].column, 2u);
    EXPECT_EQ(marks[0].length, 4u);  // C a f é
    EXPECT_EQ(marks[1].column, 5u);  // the last byte of é alone marks é
    EXPECT_EQ(marks[1].length, 1u);
    EXPECT_EQ(marks[2].column, 7u);
    EXPECT_EQ(marks[2].length, 2u);
}

TEST(ViewCharacters, CopyOfAValidUtf8SelectionIsItsBytesAndSelectAllTheFilesText) {
    std::mt19937 random(3);
    static const char* const pieces[] = {"a", "\xC3\xA9", "\xD0\xB6", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\n", "\t", "\r\n"};
    for (int round = 0; round < 500; ++round) {
        std::string text;
        for (int n = 1 + static_cast<int>(random() % 40); n > 0; --n) text += pieces[random() % std::size(pieces)];
        Shown shown(text);
        ViewModel& model = *shown.model;
        ASSERT_EQ(model.ShownAs(), ShownReading::kUnicode);
        model.SelectAll();
        ASSERT_EQ(model.SelectedText(), text);
        // Any selection made by clicks: whole characters, their bytes unchanged.
        model.SetWindowSize(1 + random() % 8, 10);
        model.SetWrap(true);
        const std::uint64_t a = model.OffsetAt(random() % 10, static_cast<int>(random() % 8));
        const std::uint64_t b = model.OffsetAt(random() % 10, static_cast<int>(random() % 8));
        model.Select(a, b);
        ASSERT_EQ(model.SelectedText(), text.substr(std::min(a, b), std::max(a, b) - std::min(a, b)));
    }
    // With a UTF-8 mark, the text without it.
    Shown marked("\xEF\xBB\xBFhello");
    marked.model->SelectAll();
    EXPECT_EQ(marked.model->SelectedText(), "hello");
}

}  // namespace
}  // namespace quarvel
