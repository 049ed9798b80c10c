#include "platform/text_conv.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <random>

namespace quarvel {
namespace {

TEST(PlatformTextConv, EveryByteRoundTrips) {
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) {
        all[b] = static_cast<char>(b);
        const auto back = UnicodeToAnsi(AnsiToUnicode(static_cast<unsigned char>(b)));
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, b);
    }
    const AnsiConversion viaUtf8 = Utf8ToAnsi(AnsiToUtf8(all));
    ASSERT_TRUE(viaUtf8.ok) << viaUtf8.message;
    EXPECT_EQ(viaUtf8.text, all);
    const AnsiConversion viaUtf32 = Utf32ToAnsi(AnsiToUtf32(all));
    ASSERT_TRUE(viaUtf32.ok);
    EXPECT_EQ(viaUtf32.text, all);
}

TEST(PlatformTextConv, DefinedBytesMatchIconvAndHolesAreC1) {
    iconv_t cd = iconv_open("UTF-32LE", "CP1252");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[8];
        char* inPtr = &in;
        char* outPtr = out;
        std::size_t inLeft = 1, outLeft = sizeof out;
        const bool defined = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (defined) {
            char32_t expected;
            std::memcpy(&expected, out, 4);
            EXPECT_EQ(AnsiToUnicode(static_cast<unsigned char>(b)), expected) << "byte " << b;
        } else {
            EXPECT_EQ(AnsiToUnicode(static_cast<unsigned char>(b)), static_cast<char32_t>(b));
        }
    }
    iconv_close(cd);
}

TEST(PlatformTextConv, OnlyThe256CharactersHaveAByte) {
    int representable = 0;
    for (char32_t c = 0; c < 0x3000; ++c) {
        const auto byte = UnicodeToAnsi(c);
        if (!byte) continue;
        ++representable;
        EXPECT_EQ(AnsiToUnicode(*byte), c);
    }
    EXPECT_EQ(representable, 256);
    EXPECT_FALSE(UnicodeToAnsi(0x1F600).has_value());
    EXPECT_FALSE(UnicodeToAnsi(0x110000).has_value());
}

TEST(PlatformTextConv, EuroSign) {
    EXPECT_EQ(AnsiToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");
    const AnsiConversion r = Utf8ToAnsi("5 \xE2\x82\xAC");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.text, "5 \x80");
    EXPECT_TRUE(r.message.empty());
}

TEST(PlatformTextConv, RefusesCharactersOutside1252) {
    const AnsiConversion cyrillic = Utf8ToAnsi("ab\xD0\x96" "c");  // Zhe
    EXPECT_FALSE(cyrillic.ok);
    EXPECT_EQ(cyrillic.refused, U'\u0416');
    EXPECT_NE(cyrillic.message.find("U+0416"), std::string::npos) << cyrillic.message;
    EXPECT_NE(cyrillic.message.find("\xD0\x96"), std::string::npos) << cyrillic.message;
    EXPECT_NE(cyrillic.message.find("Windows-1252"), std::string::npos);

    const AnsiConversion emoji = Utf32ToAnsi(U"x\U0001F600");
    EXPECT_FALSE(emoji.ok);
    EXPECT_EQ(emoji.refused, U'\U0001F600');
    EXPECT_NE(emoji.message.find("U+1F600"), std::string::npos);

    // U+0080 is a control character 1252 has no place for (0x80 is the euro);
    // the message names it without putting the raw control into the text.
    const AnsiConversion control = Utf32ToAnsi(U"\u0080");
    EXPECT_FALSE(control.ok);
    EXPECT_EQ(control.refused, U'\u0080');
    EXPECT_NE(control.message.find("U+0080"), std::string::npos);
    EXPECT_EQ(control.message.find("\xC2\x80"), std::string::npos);

    const AnsiConversion surrogate = Utf32ToAnsi(std::u32string(1, char32_t(0xD800)));
    EXPECT_FALSE(surrogate.ok);
    EXPECT_NE(surrogate.message.find("U+D800"), std::string::npos);
}

TEST(PlatformTextConv, RefusesInvalidUtf8) {
    const char* const invalid[] = {
        "\x80",              // continuation without a lead
        "ab\xC3",            // cut short
        "\xC3(",             // lead without its continuation
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xFF",
        "\xF8\x88\x80\x80\x80",
    };
    for (const char* text : invalid) {
        const AnsiConversion r = Utf8ToAnsi(text);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_NE(r.message.find("UTF-8"), std::string::npos) << r.message;
        EXPECT_FALSE(DecodeUtf8(text).has_value());
    }
    std::size_t offset = 99;
    EXPECT_FALSE(DecodeUtf8("ok\xE2\x82", &offset).has_value());
    EXPECT_EQ(offset, 2u);
    EXPECT_NE(Utf8ToAnsi("ok\xE2\x82").message.find("position 3"), std::string::npos);
}

TEST(PlatformTextConv, DecodesWhatIconvEncodes) {
    iconv_t cd = iconv_open("UTF-8", "UTF-32LE");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::mt19937 rng(77);
    std::uniform_int_distribution<std::uint32_t> pick(0, 0x10FFFF);
    for (int round = 0; round < 200; ++round) {
        std::u32string text;
        while (text.size() < 40) {
            const char32_t c = pick(rng) >> (rng() % 12);  // favour small code points
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            text += c;
        }
        std::string in(reinterpret_cast<const char*>(text.data()), text.size() * 4);
        std::string out(text.size() * 4, '\0');
        char* inPtr = in.data();
        char* outPtr = out.data();
        std::size_t inLeft = in.size(), outLeft = out.size();
        ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
        out.resize(out.size() - outLeft);
        const auto decoded = DecodeUtf8(out);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(*decoded, text);
    }
    iconv_close(cd);
}

}  // namespace
}  // namespace quarvel
