#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Unicode characters: decoding a file's bytes, case, letters and widths.
// The character tables are GLib's.
namespace quarvel {

// What a decoder gives for bytes that form no character: it never equals a
// character a user can type, U+FFFD included.
inline constexpr char32_t kInvalidChar = 0xFFFFFFFFu;

// The character that starts at p (n > 0 bytes there) in UTF-8 and how many
// bytes it takes. Bytes that form no character give kInvalidChar, one
// maximal invalid stretch at a time (as a browser decodes), so a decoder that
// starts at any byte that is no continuation byte keeps step with one that
// started earlier.
std::size_t DecodeUtf8At(const std::uint8_t* p, std::size_t n, char32_t& c);
// The same in UTF-16: 2 bytes, or 4 for a surrogate pair; a lone surrogate or
// a last odd byte is invalid.
std::size_t DecodeUtf16At(const std::uint8_t* p, std::size_t n, bool bigEndian, char32_t& c);

void AppendUtf8(std::string& out, char32_t c);
std::size_t Utf8Length(char32_t c);
// Valid UTF-8 as characters; each invalid stretch becomes U+FFFD.
std::u32string Utf8ToChars(std::string_view utf8);
std::string CharsToUtf8(std::u32string_view chars);

// Unicode's simple case folding, one character to one: "ß" stays, "ς" and
// "Σ" fold to "σ", the Kelvin sign to "k". Comparing folded characters is
// how the Unicode reading ignores case.
char32_t FoldCase(char32_t c);
// Unicode's simple lower-case mapping: how a typed term is lower-cased.
char32_t LowerCase(char32_t c);
// Letters and the marks that combine with them make words.
bool IsWordChar(char32_t c);
// East Asian wide and full-width characters take two cells of a fixed-pitch row.
bool IsWideChar(char32_t c);

}  // namespace quarvel

namespace quarvel {
// The text's first maxChars characters (UTF-8; an invalid byte counts as one).
std::string CutToChars(std::string text, std::size_t maxChars);
}  // namespace quarvel
