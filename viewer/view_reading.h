#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/reading.h"
#include "viewer/view_file.h"

// The reading the viewer shows a file in, and its characters one at a time.
namespace quarvel {

// The reading chosen in the viewer's Options menu. Auto shows a file in
// Unicode when it reads as Unicode text (see AutoShowsUnicode), else in ANSI.
enum class ShownReading : std::uint8_t { kAuto, kUnicode, kAnsi, kOem };

// How much of a file's start Auto looks at.
inline constexpr std::size_t kAutoSampleSize = 64 * 1024;

// Whether Auto shows a file in Unicode, from its first bytes: a byte order
// mark (UTF-8 or UTF-16), or a sample that is valid UTF-8. The viewer opens
// files of gigabytes at once and never reads them whole, so it judges by a
// bounded sample from the start; a character cut by the sample's end is
// allowed when the file goes on (wholeFile false). ASCII alone reads the same
// either way, and a Windows-1252 text with any accented letter is almost never
// valid UTF-8 by chance.
bool AutoShowsUnicode(const std::uint8_t* sample, std::size_t n, bool wholeFile);

// One character as the viewer lays it out in a row.
struct ShownChar {
    std::uint64_t offset = 0;
    std::uint32_t length = 1;  // bytes
    char32_t c = 0;            // as read: kInvalidChar for bytes that form no character
    std::uint8_t cells = 1;    // 0 for a leading byte order mark, 2 for an East Asian wide character
    std::uint32_t column = 0;  // its first cell in the row

    // As drawn: control characters as blanks, bytes that form no character as U+FFFD.
    char32_t Drawn() const;
    bool LineFeed() const { return c == '\n'; }
};

// The bytes of a file read as characters in one reading: Unicode in the
// file's form (UTF-8, or UTF-16 after its mark), ANSI or OEM.
class ShownForm {
public:
    ShownForm() = default;
    // shown: kUnicode, kAnsi or kOem; file: the form the file's first bytes give.
    ShownForm(ShownReading shown, FileForm file);

    ShownReading Reading() const { return shown_; }
    const FileForm& File() const { return file_; }
    // Every character is one byte (ANSI, OEM): offsets, characters and cells agree.
    bool OneByte() const { return shown_ != ShownReading::kUnicode; }
    // The most bytes one cell of a row can take, and the most a character can.
    std::uint32_t MostBytesPerCell() const { return OneByte() ? 1 : 4; }

    // The character at offset, whose bytes are p[0..n) (n > 0).
    ShownChar Decode(std::uint64_t offset, const std::uint8_t* p, std::size_t n) const;
    // The start of the character that holds the byte at offset, and the first
    // character start at or after it. A byte that cannot be read is its own character.
    std::uint64_t CharStartAtOrBefore(ByteSource& file, std::uint64_t offset) const;
    std::uint64_t CharStartAtOrAfter(ByteSource& file, std::uint64_t offset) const;
    // The text of bytes that start at a character start, as UTF-8: a
    // leading byte order mark left out, bytes that form no character as U+FFFD.
    std::string Text(std::uint64_t offset, const std::string& bytes) const;

private:
    ShownReading shown_ = ShownReading::kAnsi;
    FileForm file_;
};

}  // namespace quarvel
