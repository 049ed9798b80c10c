#include "platform/unicode_text.h"

#include <glib.h>

#include <array>
#include <memory>

namespace quarvel {

namespace {

bool IsContinuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }

// The folding of every character of the first plane, computed once: the
// scan folds each character of a text it reads this way.
struct FoldTable {
    std::array<char16_t, 0x10000> folded{};
    FoldTable() {
        for (char32_t c = 0; c < 0x10000; ++c) folded[c] = static_cast<char16_t>(Compute(c));
    }
    static char32_t Compute(char32_t c) {
        if (c >= 0xD800 && c <= 0xDFFF) return c;
        // The dotted capital I and the dotless small i have no simple folding;
        // upper- then lower-casing would make both an "i".
        if (c == 0x130 || c == 0x131) return c;
        return static_cast<char32_t>(g_unichar_tolower(g_unichar_toupper(static_cast<gunichar>(c))));
    }
};

const FoldTable& Folds() {
    static const auto table = std::make_unique<FoldTable>();
    return *table;
}

}  // namespace

std::size_t DecodeUtf8At(const std::uint8_t* p, std::size_t n, char32_t& c) {
    const std::uint8_t lead = p[0];
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    std::size_t length;
    std::uint8_t low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        c = kInvalidChar;
        return 1;
    }
    char32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (k >= n) {
            c = kInvalidChar;
            return k;
        }
        const std::uint8_t b = p[k];
        const bool fits = k == 1 ? b >= low && b <= high : IsContinuation(b);
        if (!fits) {
            c = kInvalidChar;
            return k;
        }
        value = (value << 6) | (b & 0x3F);
    }
    c = value;
    return length;
}

std::size_t DecodeUtf16At(const std::uint8_t* p, std::size_t n, bool bigEndian, char32_t& c) {
    auto unit = [&](std::size_t at) {
        return bigEndian ? static_cast<char32_t>(p[at] << 8 | p[at + 1]) : static_cast<char32_t>(p[at + 1] << 8 | p[at]);
    };
    if (n < 2) {
        c = kInvalidChar;
        return n;
    }
    const char32_t first = unit(0);
    if (first < 0xD800 || first > 0xDFFF) {
        c = first;
        return 2;
    }
    if (first <= 0xDBFF && n >= 4) {
        const char32_t second = unit(2);
        if (second >= 0xDC00 && second <= 0xDFFF) {
            c = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
            return 4;
        }
    }
    c = kInvalidChar;
    return 2;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::size_t Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

std::u32string Utf8ToChars(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const std::uint8_t*>(utf8.data());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c;
        i += DecodeUtf8At(p + i, utf8.size() - i, c);
        out += c == kInvalidChar ? char32_t{0xFFFD} : c;
    }
    return out;
}

std::string CharsToUtf8(std::u32string_view chars) {
    std::string out;
    out.reserve(chars.size());
    for (char32_t c : chars) AppendUtf8(out, c);
    return out;
}

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c < 0x10000) return Folds().folded[c];
    if (c > 0x10FFFF) return c;
    return FoldTable::Compute(c);
}

char32_t LowerCase(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
    return static_cast<char32_t>(g_unichar_tolower(static_cast<gunichar>(c)));
}

bool IsWordChar(char32_t c) {
    if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    if (c > 0x10FFFF) return false;
    return g_unichar_isalpha(static_cast<gunichar>(c)) || g_unichar_ismark(static_cast<gunichar>(c));
}

bool IsWideChar(char32_t c) {
    if (c < 0x1100 || c > 0x10FFFF) return false;
    return g_unichar_iswide(static_cast<gunichar>(c));
}

}  // namespace quarvel

namespace quarvel {
std::string CutToChars(std::string text, std::size_t maxChars) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
    std::size_t i = 0;
    for (std::size_t count = 0; i < text.size() && count < maxChars; ++count) {
        char32_t c;
        i += DecodeUtf8At(p + i, text.size() - i, c);
    }
    text.resize(i);
    return text;
}
}  // namespace quarvel
