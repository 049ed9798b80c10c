#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <clocale>
#include <cstring>
#include <cwctype>
#include <optional>
#include <random>
#include <string>

namespace quarvel {
namespace {

// Converts one byte with iconv; nothing when iconv refuses it.
std::optional<std::string> IconvByte(iconv_t cd, unsigned char byte) {
    char in = static_cast<char>(byte);
    char out[8];
    char* inPtr = &in;
    char* outPtr = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (rc == static_cast<std::size_t>(-1)) return std::nullopt;
    return std::string(out, sizeof out - outLeft);
}

// The Unicode character of a byte in the given code page, by iconv.
std::optional<char32_t> IconvToUnicode(iconv_t cd, unsigned char byte) {
    const auto bytes = IconvByte(cd, byte);
    if (!bytes || bytes->size() != 4) return std::nullopt;
    char32_t c;
    std::memcpy(&c, bytes->data(), 4);
    return c;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

TEST(PlatformCodepageOem, EveryCharacterBothPagesHoldMatchesIconv) {
    Iconv cd("CP1252", "IBM437");
    ASSERT_TRUE(cd.ok());
    int exact = 0;
    for (int b = 0; b < 256; ++b) {
        const auto converted = IconvByte(cd.get(), static_cast<unsigned char>(b));
        if (!converted) continue;
        ASSERT_EQ(converted->size(), 1u) << "byte " << b;
        EXPECT_EQ(kOemToAnsi[b], static_cast<unsigned char>((*converted)[0])) << "OEM byte 0x" << std::hex << b;
        ++exact;
    }
    // 0x00-0x7F and most of the accented letters and signs are shared.
    EXPECT_GT(exact, 128 + 40);
}

TEST(PlatformCodepageOem, AsciiMapsToItself) {
    for (int b = 0; b < 0x80; ++b) EXPECT_EQ(kOemToAnsi[b], b);
}

TEST(PlatformCodepageOem, BestFitEntriesArePrintableLookAlikes) {
    Iconv toAnsi("CP1252", "IBM437");
    Iconv toUnicode("UTF-32LE", "IBM437");
    ASSERT_TRUE(toAnsi.ok());
    ASSERT_TRUE(toUnicode.ok());
    int bestFit = 0;
    for (int b = 0x80; b < 256; ++b) {
        if (IconvByte(toAnsi.get(), static_cast<unsigned char>(b))) continue;
        ++bestFit;
        const unsigned char ansi = kOemToAnsi[b];
        const auto u = IconvToUnicode(toUnicode.get(), static_cast<unsigned char>(b));
        ASSERT_TRUE(u.has_value());
        // Never a control byte or one of the holes of 1252.
        EXPECT_TRUE(ansi >= 0x20 && ansi != 0x7F && ansi != 0x81 && ansi != 0x8D && ansi != 0x8F &&
                    ansi != 0x90 && ansi != 0x9D)
            << std::hex << b;
        if (*u >= 0x2500 && *u <= 0x257F) {
            char expected = '+';
            if (*u == 0x2500) expected = '-';
            if (*u == 0x2550) expected = '=';
            if (*u == 0x2502 || *u == 0x2551) expected = '|';
            EXPECT_EQ(ansi, static_cast<unsigned char>(expected)) << "box drawing U+" << std::hex << static_cast<unsigned>(*u);
        } else if (*u >= 0x0391 && *u <= 0x03C9) {
            // A Greek letter becomes a Latin letter of the same case.
            ASSERT_TRUE((ansi >= 'a' && ansi <= 'z') || (ansi >= 'A' && ansi <= 'Z')) << std::hex << static_cast<unsigned>(*u);
            EXPECT_EQ(*u <= 0x03A9, ansi <= 'Z') << std::hex << static_cast<unsigned>(*u);
        }
    }
    EXPECT_GT(bestFit, 60);
}

TEST(PlatformCodepageOem, BufferConversion) {
    const char oem[] = "\x81\x9A\x84 ok \xC4\xB3";  // u-umlaut, U-umlaut, a-umlaut, box lines
    char out[sizeof oem];
    OemToCharBuffA(oem, out, sizeof oem);
    EXPECT_EQ(std::string(out), "\xFC\xDC\xE4 ok -|");

    char inPlace[] = "\x82t\x82";
    OemToCharBuffA(inPlace, inPlace, 3);
    EXPECT_EQ(std::string(inPlace), "\xE9t\xE9");

    OemToCharBuffA(nullptr, nullptr, 0);  // nothing to do, nothing touched
}

// The oracle for lower-casing and letters: the C library in a UTF-8 locale,
// when it classifies Latin-1 properly.
class LocaleGuard {
public:
    LocaleGuard() : saved_(std::setlocale(LC_CTYPE, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_CTYPE, saved_.c_str()); }

private:
    std::string saved_;
};

bool UsableUtf8Locale() {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8") && !std::setlocale(LC_CTYPE, "C.utf8")) return false;
    return std::towlower(0xC0) == 0xE0 && std::towlower(0x178) == 0xFF && std::iswalpha(0xAA) &&
           !std::iswalpha(0xD7);
}

TEST(PlatformCodepageAnsi, LowerAndLettersMatchTheCLibrary) {
    Iconv toUnicode("UTF-32LE", "CP1252");
    Iconv fromUnicode("CP1252", "UTF-32LE");
    ASSERT_TRUE(toUnicode.ok());
    ASSERT_TRUE(fromUnicode.ok());
    LocaleGuard guard;
    if (!UsableUtf8Locale()) GTEST_SKIP() << "no UTF-8 locale that knows Latin-1; see ExplicitLists";

    for (int b = 0; b < 256; ++b) {
        const auto u = IconvToUnicode(toUnicode.get(), static_cast<unsigned char>(b));
        if (!u) {  // the five holes of 1252
            EXPECT_EQ(kAnsiLower[b], b);
            EXPECT_FALSE(kAnsiAlpha[b]);
            continue;
        }
        const auto lower = static_cast<char32_t>(std::towlower(static_cast<wint_t>(*u)));
        unsigned char expected = static_cast<unsigned char>(b);
        if (lower != *u) {
            char buf[4];
            std::memcpy(buf, &lower, 4);
            char* in = buf;
            char out[4];
            char* outPtr = out;
            std::size_t inLeft = 4, outLeft = 4;
            if (iconv(fromUnicode.get(), &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
                outLeft == 3)
                expected = static_cast<unsigned char>(out[0]);
            iconv(fromUnicode.get(), nullptr, nullptr, nullptr, nullptr);
        }
        EXPECT_EQ(kAnsiLower[b], expected) << "byte 0x" << std::hex << b;
        EXPECT_EQ(kAnsiAlpha[b], std::iswalpha(static_cast<wint_t>(*u)) != 0) << "byte 0x" << std::hex << b;
    }
}

TEST(PlatformCodepageAnsi, ExplicitLists) {
    // Capitals and their small letters outside ASCII.
    const unsigned char pairs[][2] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF},
                                      {0xC0, 0xE0}, {0xC9, 0xE9}, {0xD6, 0xF6}, {0xD8, 0xF8}, {0xDE, 0xFE}};
    for (const auto& p : pairs) {
        EXPECT_EQ(kAnsiLower[p[0]], p[1]);
        EXPECT_EQ(kAnsiLower[p[1]], p[1]);
        EXPECT_TRUE(IsCharAlphaA(p[0]) && IsCharAlphaA(p[1]));
    }
    for (unsigned char c : {0xD7, 0xF7, 0xDF, 0xB5, 0xAA, 0xBA, 0x83, 0x80, 0x9D})
        EXPECT_EQ(kAnsiLower[c], c) << std::hex << int(c);
    for (unsigned char c : {0x83, 0xAA, 0xB5, 0xBA, 0xDF, 0xFF}) EXPECT_TRUE(IsCharAlphaA(c)) << std::hex << int(c);
    for (unsigned char c : {0x30, 0x5F, 0x20, 0x80, 0xA9, 0xD7, 0xF7, 0xB2, 0x81})
        EXPECT_FALSE(IsCharAlphaA(c)) << std::hex << int(c);

    char text[] = "Hello \xC4\x8A\x9F World \xD7";
    CharLowerBuffA(text, std::strlen(text));
    EXPECT_EQ(std::string(text), "hello \xE4\x9A\xFF world \xD7");
}

TEST(PlatformCodepageCompare, IgnoresCaseAndOrdersByLowerCase) {
    EXPECT_EQ(lstrcmpiA("\xC4pfel", "\xE4PFEL"), 0);
    EXPECT_LT(lstrcmpiA("a", "B"), 0);  // a plain byte comparison would say 'a' > 'B'
    EXPECT_GT(lstrcmpiA("b", "A"), 0);
    EXPECT_LT(lstrcmpiA("abc", "ABCD"), 0);
    EXPECT_GT(lstrcmpiA("abcd", "ABC"), 0);
    EXPECT_EQ(lstrcmpiA("", ""), 0);
    EXPECT_LT(lstrcmpiA("z", "\xE0"), 0);  // bytes compare unsigned

    EXPECT_TRUE(EqualIgnoreCase("AND", "and"));
    EXPECT_TRUE(EqualIgnoreCase("\x8A\xC9", "\x9A\xE9"));
    EXPECT_FALSE(EqualIgnoreCase("and", "and "));
    EXPECT_FALSE(EqualIgnoreCase("\xD7", "\xF7"));  // not a case pair
    EXPECT_FALSE(EqualIgnoreCase(std::string_view("a\0b", 3), std::string_view("a\0c", 3)));
}

TEST(PlatformCodepageCompare, RandomStringsAreConsistent) {
    std::mt19937 rng(1234);
    const std::string alphabet = "aAbB\xC4\xE4\x8A\x9A\xD7\xF7z0";
    auto randomString = [&] {
        std::string s(rng() % 5, ' ');
        for (char& c : s) c = alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int i = 0; i < 5000; ++i) {
        const std::string a = randomString(), b = randomString();
        const int ab = lstrcmpiA(a, b), ba = lstrcmpiA(b, a);
        EXPECT_EQ(ab < 0, ba > 0);
        EXPECT_EQ(ab == 0, ba == 0);
        std::string la = a, lb = b;
        CharLowerBuffA(la.data(), la.size());
        CharLowerBuffA(lb.data(), lb.size());
        EXPECT_EQ(ab == 0, la == lb);
        EXPECT_EQ(EqualIgnoreCase(a, b), la == lb);
    }
}

}  // namespace
}  // namespace quarvel
