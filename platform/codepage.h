#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// Character services of the ANSI (Windows-1252) and OEM (code page 437) code pages.
namespace quarvel {

// OEM byte -> ANSI byte, lower-casing of ANSI bytes, and the ANSI letters.
extern const std::uint8_t kOemToAnsi[256];
extern const std::uint8_t kAnsiLower[256];
extern const bool kAnsiAlpha[256];

// Converts n OEM bytes to ANSI; src and dst may be the same buffer.
void OemToCharBuffA(const char* src, char* dst, std::size_t n);
// Lower-cases n ANSI bytes in place.
void CharLowerBuffA(char* text, std::size_t n);
bool IsCharAlphaA(unsigned char c);
// Case-insensitive comparison of two ANSI strings: <0, 0 or >0.
int lstrcmpiA(std::string_view a, std::string_view b);
// The equality the program uses for operators and file names: same length
// and equal ignoring case.
bool EqualIgnoreCase(std::string_view a, std::string_view b);

}  // namespace quarvel
