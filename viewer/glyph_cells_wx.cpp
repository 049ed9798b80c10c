#include "viewer/glyph_cells_wx.h"

#include <glib.h>
#include <wx/dcmemory.h>

namespace quarvel {

void GlyphCells::Use(const wxFont& font, int width, int height, double scale) {
    if (font == font_ && width == width_ && height == height_ && scale == scale_) return;
    font_ = font, width_ = width, height_ = height, scale_ = scale;
    cells_.Clear();
    wxBitmap probe(1, 1);
    wxMemoryDC dc(probe);
    dc.SetFont(font_);
    wxCoord w = 0, h = 0, descent = 0;
    dc.GetTextExtent("M", &w, &h, &descent);
    ascent_ = h - descent;
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
        // A combining mark has a cell of its own, where the toolkit draws it
        // over a dotted circle: it shows, and the columns stay.
        const wxString glyph(wxUniChar(static_cast<wxUint32>(c)));
        const bool mark = g_unichar_ismark(static_cast<gunichar>(c));
        // A glyph the toolkit took from another font sits on the viewer
        // font's baseline, and is centred in its cells when narrower.
        wxCoord drawn = 0, high = 0, descent = 0;
        dc.GetTextExtent(glyph, &drawn, &high, &descent);
        dc.DrawText(glyph, drawn < width ? (width - drawn) / 2 : 0, mark ? 0 : ascent_ - (high - descent));
    }
    return cells_.Put(key, cell);
}

}  // namespace quarvel
