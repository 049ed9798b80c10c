#pragma once

#include <cstdint>
#include <unordered_map>

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/font.h>

namespace quarvel {

// Every character the viewer shows, drawn once into a bitmap of one cell per
// colour pair. A row is then painted with one blit per cell instead of one
// text layout per character, which the columns need when the font's advance
// is not a whole number of pixels.
class GlyphCells {
public:
    // Drops what was drawn when the font, the cell or the scale changes.
    void Use(const wxFont& font, int width, int height, double scale);
    const wxBitmap& Cell(unsigned char ansi, const wxColour& text, const wxColour& back);

private:
    wxFont font_;
    int width_ = 0, height_ = 0;
    double scale_ = 1;
    std::unordered_map<std::uint64_t, wxBitmap> cells_;
};

}  // namespace quarvel
