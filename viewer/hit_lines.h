#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "query/match_engine.h"
#include "viewer/view_file.h"

namespace quarvel {

// The lines of a found file that hold hits of its satisfying units, as the
// main window's preview lists them and the command line prints them.
// A line unit is one such line; a longer unit shows as its lines with hits.

// Characters of a line's text drawn in the hit colour: [from, from + length),
// counted in characters (code points) of the text.
struct TextMark {
    std::size_t from = 0;
    std::size_t length = 0;
    bool operator==(const TextMark&) const = default;
};

struct HitLine {
    std::uint64_t line = 0;      // 1 for the file's first line
    std::uint64_t firstHit = 0;  // the offset of its first hit, where the viewer opens
    // As shown, in UTF-8, in the reading that found the line's hits:
    // control characters as blanks, bytes that form no character as U+FFFD,
    // without its line break; a long line cut around its hits, each cut
    // shown by an ellipsis.
    std::string text;
    std::vector<TextMark> marks;  // in ascending order, apart
};

struct HitLines {
    std::vector<HitLine> lines;  // the first ones, up to the cap
    std::uint64_t more = 0;      // the lines with hits past the cap
};

inline constexpr std::size_t kNoCut = 0;
inline constexpr std::size_t kNoCap = std::numeric_limits<std::size_t>::max();

struct HitLinesLayout {
    // Lines of at most this many bytes show whole; a longer line shows the
    // characters around its hits (kNoCut: every line whole).
    std::size_t width = 200;
    // The characters kept on either side of a hit in a cut line.
    std::size_t context = 40;
    // The lines listed; the rest are only counted.
    std::size_t cap = 1000;
};

// The lines of scan's file (read from file) that hold hits of its satisfying
// units; scan holds every hit and the line-start table (an Open-mode scan).
HitLines ReadHitLines(ByteSource& file, const FileScan& scan, const HitLinesLayout& layout);

}  // namespace quarvel
