#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The readings of a file's bytes as text. A search looks for its terms in a
// set of readings: Unicode (UTF-8, or UTF-16 after its byte order mark), ANSI
// (Windows-1252) and OEM (code page 437). The one-byte readings are each a
// table of 256 characters; another such reading is one more table here.
namespace quarvel {

enum ReadingBit : std::uint32_t { kReadingUnicode = 1, kReadingAnsi = 2, kReadingOem = 4 };
inline constexpr std::uint32_t kAllReadings = kReadingUnicode | kReadingAnsi | kReadingOem;

// A reading of one byte per character.
struct ByteReading {
    const char* name;  // as the program shows it: "ANSI"
    const char* key;   // as the command line takes it: "ansi"
    std::uint32_t bit;
    char32_t (*charOf)(std::uint8_t byte);
};
extern const ByteReading kAnsiReading;  // Windows-1252
extern const ByteReading kOemReading;   // code page 437, each character read as its Windows-1252 look-alike
inline constexpr std::size_t kByteReadingCount = 2;
extern const std::array<const ByteReading*, kByteReadingCount> kByteReadings;

inline constexpr const char* kUnicodeName = "Unicode";
inline constexpr const char* kUnicodeKey = "unicode";

// The set named by a comma-separated list of keys ("unicode,ansi"), with
// "both" for ANSI and OEM and "all" for the three; nothing when a name is unknown.
std::optional<std::uint32_t> ParseReadings(std::string_view list);
// "Unicode, ANSI, OEM" for the set, in that order.
std::string ReadingNames(std::uint32_t readings);

// How the Unicode reading takes a file, by its first bytes: UTF-8 (a byte
// order mark is skipped), or UTF-16 in the order its mark gives.
enum class TextForm : std::uint8_t { kUtf8, kUtf16Le, kUtf16Be };
struct FileForm {
    TextForm form = TextForm::kUtf8;
    std::uint32_t textStart = 0;  // the byte order mark's length
    bool Utf16() const { return form != TextForm::kUtf8; }
};
// head: the file's first n bytes (3 are enough).
FileForm DetectForm(const std::uint8_t* head, std::size_t n);
// The character at p in the form, and its length in bytes (n > 0).
std::size_t DecodeIn(TextForm form, const std::uint8_t* p, std::size_t n, char32_t& c);

// The characters that close a unit: a line feed a line, a form feed a page,
// a full stop, an exclamation or a question mark a sentence.
bool ClosesUnit(std::uint32_t within, char32_t c);

// A one-byte reading prepared for matching: each byte's code, compared with
// a term's codes; bytes whose characters are equal (ignoring case when asked)
// share a code, that of the byte of the lower-case character where there is one.
struct ByteCodes {
    std::uint8_t code[256];
    bool alpha[256];  // the byte's character makes words
    // The term's codes, or nothing when the reading cannot hold one of its characters.
    std::optional<std::string> Encode(std::u32string_view term) const;

    bool ignoreCase = false;
    const ByteReading* reading = nullptr;
    std::map<char32_t, std::uint8_t> byKey;  // a character (lower-cased when case is ignored) and its code
};
ByteCodes MakeByteCodes(const ByteReading& reading, bool ignoreCase);
// The same, made once for each reading of kByteReadings.
const ByteCodes& CodesOf(const ByteReading& reading, bool ignoreCase);

}  // namespace quarvel
