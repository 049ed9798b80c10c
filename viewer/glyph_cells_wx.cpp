#include "viewer/glyph_cells_wx.h"

#include <string_view>

#include <wx/dcmemory.h>

#include "platform/text_wx.h"

namespace quarvel {

void GlyphCells::Use(const wxFont& font, int width, int height, double scale) {
    if (font == font_ && width == width_ && height == height_ && scale == scale_) return;
    font_ = font, width_ = width, height_ = height, scale_ = scale;
    cells_.clear();
}

const wxBitmap& GlyphCells::Cell(unsigned char ansi, const wxColour& text, const wxColour& back) {
    const std::uint64_t key = (std::uint64_t{text.GetRGB() & 0xFFFFFFu} << 32) |
                              (std::uint64_t{back.GetRGB() & 0xFFFFFFu} << 8) | ansi;
    auto found = cells_.find(key);
    if (found != cells_.end()) return found->second;
    // A hit colour changed many times leaves pairs that are no longer shown.
    if (cells_.size() >= 4096) cells_.clear();
    wxBitmap cell;
    cell.CreateWithDIPSize(width_, height_, scale_);
    {
        wxMemoryDC dc(cell);
        dc.SetBackground(wxBrush(back));
        dc.Clear();
        dc.SetFont(font_);
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.SetTextForeground(text);
        const char c = static_cast<char>(ansi);
        dc.DrawText(FromAnsi(std::string_view(&c, 1)), 0, 0);
    }
    return cells_.emplace(key, cell).first->second;
}

}  // namespace quarvel
