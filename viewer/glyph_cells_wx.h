#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/font.h>

#include "viewer/lru_cache.h"

namespace quarvel {

// Every character the viewer shows, drawn once into a bitmap of its cells
// (two for an East Asian wide character) per colour pair. A row is then
// painted with one blit per character instead of one text layout per
// character, which keeps the columns when the font's advance is not a whole
// number of pixels, or when the font lacks a glyph and the toolkit draws it
// from another font of another width. The cells used last are kept, at most
// kGlyphCellsKept of them: a file of many distinct characters cannot make
// them grow without bound.
inline constexpr std::size_t kGlyphCellsKept = 2048;

class GlyphCells {
public:
    // Drops what was drawn when the font, the cell or the scale changes.
    void Use(const wxFont& font, int width, int height, double scale);
    // c drawn in `cells` cells (1 or 2).
    const wxBitmap& Cell(char32_t c, int cells, const wxColour& text, const wxColour& back);
    std::size_t Kept() const { return cells_.Size(); }

private:
    struct KeyHash {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& key) const {
            return std::hash<std::uint64_t>()(key.first * 0x9E3779B97F4A7C15ull ^ key.second);
        }
    };
    wxFont font_;
    int width_ = 0, height_ = 0, ascent_ = 0;  // ascent: the viewer font's, in the cell
    double scale_ = 1;
    // (character and cells, colours) -> the drawn cells
    LruCache<std::pair<std::uint64_t, std::uint64_t>, wxBitmap, KeyHash> cells_{kGlyphCellsKept};
};

}  // namespace quarvel
