#include "platform/text_conv.h"

#include <cstdio>

#include "platform/unicode_text.h"

namespace quarvel {

namespace {

// The 0x80 row of Windows-1252. Its five unassigned bytes stand for the C1
// controls of the same number, so that every byte survives a round trip.
constexpr char32_t kRow80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// Whether the character can be shown inside a message: not a control, a
// surrogate or an invisible formatting character.
bool IsShowable(char32_t c) {
    if (!IsScalarValue(c) || c < 0xA0) return false;
    if (c == 0xAD || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
        (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFF))
        return false;
    return true;
}

std::string RefusalMessage(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string text = "The character ";
    text += code;
    if (!IsScalarValue(c)) {
        text += " is not a valid Unicode character.";
        return text;
    }
    if (IsShowable(c)) {
        text += " (";
        AppendUtf8(text, c);
        text += ')';
    }
    text += " cannot be used here: the text must be in the Windows-1252 character set.";
    return text;
}

}  // namespace

char32_t AnsiToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kRow80[c - 0x80];
    return c;
}

std::optional<unsigned char> UnicodeToAnsi(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    for (unsigned i = 0; i < 32; ++i)
        if (kRow80[i] == c) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

std::u32string AnsiToUtf32(std::string_view ansi) {
    std::u32string out;
    out.reserve(ansi.size());
    for (char ch : ansi) out += AnsiToUnicode(static_cast<unsigned char>(ch));
    return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char ch : ansi) AppendUtf8(out, AnsiToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

AnsiConversion Utf32ToAnsi(std::u32string_view text) {
    AnsiConversion result;
    result.text.reserve(text.size());
    for (char32_t c : text) {
        const auto byte = UnicodeToAnsi(c);
        if (!byte) {
            result.ok = false;
            result.refused = c;
            result.message = RefusalMessage(c);
            result.text.clear();
            return result;
        }
        result.text += static_cast<char>(*byte);
    }
    return result;
}

std::optional<std::u32string> DecodeUtf8(std::string_view utf8, std::size_t* badOffset) {
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length;
        char32_t c;
        char32_t minimum;
        if (lead < 0x80) {
            out += lead;
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        } else {
            if (badOffset) *badOffset = i;
            return std::nullopt;
        }
        if (utf8.size() - i < length) {
            if (badOffset) *badOffset = i;
            return std::nullopt;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                if (badOffset) *badOffset = i;
                return std::nullopt;
            }
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if (c < minimum || !IsScalarValue(c)) {
            if (badOffset) *badOffset = i;
            return std::nullopt;
        }
        out += c;
        i += length;
    }
    return out;
}

AnsiConversion Utf8ToAnsi(std::string_view utf8) {
    std::size_t bad = 0;
    const auto decoded = DecodeUtf8(utf8, &bad);
    if (!decoded) {
        AnsiConversion result;
        result.ok = false;
        result.message = "The text is not valid UTF-8: the bytes at position " +
                         std::to_string(bad + 1) + " do not form a character.";
        return result;
    }
    return Utf32ToAnsi(*decoded);
}

}  // namespace quarvel
