#include "viewer/glyph_cells_wx.h"

#include <wx/dcmemory.h>

namespace quarvel {

void GlyphCells::Use(const wxFont& font, int width, int height, double scale) {
    if (font == font_ && width == width_ && height == height_ && scale == scale_) return;
    font_ = font, width_ = width, height_ = height, scale_ = scale;
    cells_.Clear();
}

const wxBitmap& GlyphCells::Cell(char32_t c, int cells, const wxColour& text, const wxColour& back) {
    const std::pair<std::uint64_t, std::uint64_t> key{std::uint64_t{c} << 2 | static_cast<std::uint64_t>(cells),
                                                      std::uint64_t{text.GetRGB() & 0xFFFFFFu} << 24 |
                                                          (back.GetRGB() & 0xFFFFFFu)};
    if (const wxBitmap* found = cells_.Find(key)) return *found;
    wxBitmap cell;
    const int width = width_ * cells;
    cell.CreateWithDIPSize(width, height_, scale_);
    {
        wxMemoryDC dc(cell);
        dc.SetBackground(wxBrush(back));
        dc.Clear();
        dc.SetFont(font_);
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.SetTextForeground(text);
        const wxString glyph(wxUniChar(static_cast<wxUint32>(c)));
        // A glyph narrower than its cells (one the toolkit took from another
        // font) is centred in them; a wider one is cut at their edge.
        const int drawn = dc.GetTextExtent(glyph).GetWidth();
        dc.DrawText(glyph, drawn < width ? (width - drawn) / 2 : 0, 0);
    }
    return cells_.Put(key, cell);
}

}  // namespace quarvel
