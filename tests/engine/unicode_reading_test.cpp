// The Unicode reading's edge cases, each decided by the full scan, the
// deciding scan and the rules oracle, which must give the expected outcome.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "query/match_engine.h"
#include "settings/search_cfg.h"
#include "tests/engine/differential_cases.h"
#include "tests/engine/rules_oracle.h"

namespace quarvel {
namespace {

std::string Utf16(const std::u16string& text, bool big, bool mark = true) {
    std::string out = mark ? (big ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (char16_t unit : text) {
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += big ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

struct Row {
    const char* what;
    std::string bytes;
    std::string expression;
    int expected;
    std::uint32_t within = kWithinFile;
    std::uint32_t ignoreCase = 0, wholeWord = 0;
    std::uint32_t unicode = kUnicodeToo, code = kCodeBoth;
};

class UnicodeReading : public ::testing::Test {
protected:
    void SetUp() override { fd_ = ::memfd_create("quarvel-unicode", 0); ASSERT_GE(fd_, 0); }
    void TearDown() override { ::close(fd_); }

    // Every way of deciding, which must agree with the expected outcome.
    void Check(const Row& row) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(::ftruncate(fd_, 0), 0);
        ASSERT_EQ(::pwrite(fd_, row.bytes.data(), row.bytes.size(), 0), static_cast<ssize_t>(row.bytes.size()));
        Case c{row.bytes, row.expression, row.within, row.code, row.ignoreCase, row.wholeWord, row.unicode};
        TSearchCFG cfg = CaseCfg(c);
        std::string expression = row.expression;
        Tstr query(expression, cfg);
        EXPECT_EQ(RulesDecide(row.bytes, cfg, query), row.expected) << "the rules oracle";
        ScanObserver observer;
        const CancelFlag cancel;
        MatchEngine full(cfg, query, observer, cancel);
        full.SetCollectHits(true);
        EXPECT_EQ(full.Scan("/proc/self/fd", std::to_string(fd_)), row.expected) << "the full scan";
        MatchEngine deciding(cfg, query, observer, cancel);
        ::lseek(fd_, 0, SEEK_SET);
        EXPECT_EQ(deciding.Decide(fd_, "case"), row.expected) << "the deciding scan";
    }

    int fd_ = -1;
};

TEST_F(UnicodeReading, EdgeCasesOfTheReading) {
    const std::string cafe = "caf\xC3\xA9", bom = "\xEF\xBB\xBF";
    const std::string cut = std::string(1995, 'x') + " ";  // "é" after it: its first byte is the piece's 2000th
    const Row rows[] = {
        {"a UTF-8 file is found by its text", "The " + cafe + " is open.", cafe, 1},
        {"the ANSI reading of its bytes is no caf\xC3\xA9", "The " + cafe + " is open.", cafe, 0, kWithinFile, 0, 0, kUnicodeOff},
        {"Windows-1252 bytes are no UTF-8", "caf\xE9", cafe, 0, kWithinFile, 0, 0, kUnicodeAlone},
        {"... and the ANSI reading finds them", "caf\xE9", cafe, 1},
        {"a byte order mark is no text", bom + cafe, cafe, 1, kWithinLine, 0, 1, kUnicodeAlone},
        {"a term of the mark itself is not found", bom + "x", "\xEF\xBB\xBF", 0, kWithinFile, 0, 0, kUnicodeAlone},
        {"UTF-16 LE with CR LF", Utf16(u"first\r\nsecond hello\r\n", false), "second+hello", 1, kWithinLine},
        {"UTF-16 BE with CR LF", Utf16(u"first\r\nsecond hello\r\n", true), "second+hello", 1, kWithinLine},
        {"UTF-16 lines are characters", Utf16(u"first\r\nhello", false), "first+hello", 0, kWithinLine},
        {"a byte 0A inside a UTF-16 character closes no line", Utf16(u"a\u010Ab", false), "a\xC4\x8A" "b", 1, kWithinLine},
        {"without its mark UTF-16 is read as UTF-8", Utf16(u"hello", false, false), "hello", 0},
        {"a term across the piece cut, inside a character", cut + cafe + "!", cafe, 1, kWithinLine, 0, 1},
        {"a whole word across the cut", cut + cafe + "s", cafe, 0, kWithinLine, 0, 1},
        {"a term across the cut, ignoring case", cut + "CAF\xC3\x89!", cafe, 1, kWithinLine, 1, 1},
        {"\xC3\x9F is not SS", "STRASSE", "stra\xC3\x9F" "e", 0, kWithinFile, 1},
        {"\xCE\xA3 finds the final \xCF\x82", "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82", "\xCE\x9B\xCE\x8C\xCE\x93\xCE\x9F\xCE\xA3", 1, kWithinFile, 1},
        {"\xCF\x83 finds \xCE\xA3", "\xCE\xA3", "\xCF\x83", 1, kWithinFile, 1},
        {"ignoring case, Cyrillic", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2", 1, kWithinFile, 1},
        {"keeping case, Cyrillic", "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2", 0},
        {"the Kelvin sign is a k", "\xE2\x84\xAA" "elvin", "kelvin", 1, kWithinFile, 1, 0, kUnicodeAlone},
        {"valid UTF-8 meant as Windows-1252", "\xC3\xA9t\xC3\xA9", "\xC3\x83\xC2\xA9t", 1, kWithinFile, 0, 0, kUnicodeToo, kCodeAnsi},
        {"whole word: a letter after", cafe + "s", cafe, 0, kWithinFile, 0, 1},
        {"whole word: a digit after", cafe + "2", cafe, 1, kWithinFile, 0, 1},
        {"whole word: punctuation around", "(" + cafe + ").", cafe, 1, kWithinFile, 0, 1},
        {"whole word: a Cyrillic letter before", "\xD0\xB6" + cafe, cafe, 0, kWithinFile, 0, 1},
        {"whole word: a combining accent after", "cafe\xCC\x81", "cafe", 0, kWithinFile, 0, 1, kUnicodeAlone},
        {"whole word: an invalid byte is no letter", "caf\xFF", "caf", 1, kWithinFile, 0, 1, kUnicodeAlone},
        {"a CJK word", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE6\x9C\xAC", 1},
        {"an emoji", "go \xF0\x9F\x9A\x80!", "\xF0\x9F\x9A\x80", 1, kWithinSentence},
        // Found by the fuzz target: a term of bytes that are no UTF-8 is U+FFFD to the Unicode
        // reading, which the same bytes in a file never are.
        {"a term that is no UTF-8", std::string(82, '\x8E') + " b c! ok?", std::string(34, '\x8E'), 0, kWithinSentence, 0, 1,
         kUnicodeToo, kCodeAnsi},
        {"U+FFFD typed finds U+FFFD", "a\xEF\xBF\xBD" "b \xFF", "\xEF\xBF\xBD", 1, kWithinFile, 0, 0, kUnicodeAlone},
    };
    for (const Row& row : rows) Check(row);
}

}  // namespace
}  // namespace quarvel

#include "platform/codepage.h"
#include "platform/reading.h"

namespace quarvel {
namespace {

// The one-byte readings come from their tables of characters alone, and read
// every byte as the code-page tables always did: the same lower case, the
// same letters, the same bytes alike.
TEST(ByteReadings, TheTablesOfCharactersReadAsTheCodePagesDid) {
    for (bool ignoreCase : {false, true}) {
        const ByteCodes& ansi = CodesOf(kAnsiReading, ignoreCase);
        const ByteCodes& oem = CodesOf(kOemReading, ignoreCase);
        for (int b = 0; b < 256; ++b) {
            EXPECT_EQ(ansi.code[b], ignoreCase ? kAnsiLower[b] : b) << b;
            EXPECT_EQ(ansi.alpha[b], kAnsiAlpha[b]) << b;
            EXPECT_EQ(oem.alpha[b], kAnsiAlpha[kOemToAnsi[b]]) << b;
            for (int o = 0; o < 256; ++o) {
                auto old = [&](int x) { return ignoreCase ? kAnsiLower[kOemToAnsi[x]] : kOemToAnsi[x]; };
                ASSERT_EQ(oem.code[b] == oem.code[o], old(b) == old(o)) << b << " " << o;
            }
        }
        EXPECT_FALSE(ansi.Encode(U"\u043f")) << "Windows-1252 holds no Cyrillic";
        EXPECT_EQ(ansi.Encode(U"caf\u00e9"), std::optional<std::string>("caf\xE9"));
        EXPECT_TRUE(oem.Encode(U"\u00fc").has_value());
    }
}

}  // namespace
}  // namespace quarvel
