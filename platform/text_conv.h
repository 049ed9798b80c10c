#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The program's texts are Windows-1252 bytes; the toolkit and the terminal
// speak Unicode. These convert between the two.
namespace quarvel {

char32_t AnsiToUnicode(unsigned char c);
// The Windows-1252 byte for a character, or nothing when 1252 cannot hold it.
std::optional<unsigned char> UnicodeToAnsi(char32_t c);

std::u32string AnsiToUtf32(std::string_view ansi);
std::string AnsiToUtf8(std::string_view ansi);

struct AnsiConversion {
    std::string text;          // the converted bytes, valid when ok
    bool ok = true;
    char32_t refused = 0;      // the first character that 1252 cannot hold
    std::string message;       // ready to show where the text was typed
};
AnsiConversion Utf32ToAnsi(std::u32string_view text);
// Invalid UTF-8 is refused as well. The message itself is UTF-8.
AnsiConversion Utf8ToAnsi(std::string_view utf8);

// Strict UTF-8 decoding (no overlong forms, surrogates or code points past
// U+10FFFF); nothing on invalid input, with the offset of the offending
// sequence in *badOffset when given.
std::optional<std::u32string> DecodeUtf8(std::string_view utf8, std::size_t* badOffset = nullptr);

}  // namespace quarvel
