#include "results/cell_fit_wx.h"

#include <vector>

namespace quarvel {

namespace {

// Characters of the left-to-right scripts that draw the same alone, followed
// by dots or within a longer text: Latin, Greek, Cyrillic, kana, the Han
// ideographs and Hangul, less the controls, the soft hyphen and the combining
// marks.
bool LeftToRight(wxUint32 c) {
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x300 && c != 0xAD) || (c >= 0x370 && c < 0x483) ||
           (c >= 0x48A && c < 0x530) || (c >= 0x1E00 && c < 0x1FFF) || (c >= 0x3041 && c < 0x3099) ||
           (c >= 0x309B && c < 0x3100) || (c >= 0x3400 && c < 0x4DC0) || (c >= 0x4E00 && c < 0xA000) ||
           (c >= 0xAC00 && c < 0xD7A4);
}

struct Extents {
    wxCoord width = 0, height = 0, descent = 0;
};

Extents Measure(wxDC& dc, const wxString& text) {
    Extents extents;
    dc.GetTextExtent(text, &extents.width, &extents.height, &extents.descent);
    return extents;
}

int Width(wxDC& dc, const wxString& text) { return Measure(dc, text).width; }

}  // namespace

int TCellFit::CharWidth(wxDC& dc, wxUniChar c) {
    auto [at, added] = chars_.try_emplace(c.GetValue(), -1);
    if (added && LeftToRight(c.GetValue())) {
        // A character from another font than the dots' may stand higher or
        // lower: the dots drawn apart from the text sit as in a text of that
        // font alone, not as in one text with it.
        if (dotsHeight_ < 0) {
            const Extents dot = Measure(dc, ".");
            dotsHeight_ = dot.height;
            dotsDescent_ = dot.descent;
        }
        const Extents extents = Measure(dc, wxString(c));
        if (extents.height == dotsHeight_ && extents.descent == dotsDescent_) at->second = extents.width;
    }
    return at->second;
}

int TCellFit::DotsWidth(wxDC& dc, int dots) {
    if (dots_[dots] < 0) dots_[dots] = Width(dc, wxString(wxUniChar('.'), static_cast<std::size_t>(dots)));
    return dots_[dots];
}

int TCellFit::PairKerning(wxDC& dc, wxUniChar first, wxUniChar second) {
    const wxUint64 key = static_cast<wxUint64>(first.GetValue()) << 32 | second.GetValue();
    auto [at, added] = pairs_.try_emplace(key, 0);
    if (added) {
        wxString pair(first);
        pair += second;
        at->second = Width(dc, pair) - CharWidth(dc, first) - CharWidth(dc, second);
    }
    return at->second;
}

void TCellFit::Forget() {
    chars_.clear();
    pairs_.clear();
    dots_[1] = dots_[2] = dots_[3] = -1;
    dotsHeight_ = dotsDescent_ = -1;
}

wxString TCellFit::Fit(wxDC& dc, const wxString& text, int width) {
    // The list draws a line break as a space.
    wxString line(text);
    line.Replace("\n", " ");
    if (line.length() < 2) return text;
    int sum = 0;
    for (wxUniChar c : line) {
        const int charWidth = CharWidth(dc, c);
        if (charWidth < 0) return text;
        sum += charWidth;
    }
    // Its characters fit: so does the text, but for a rare wide pair (which
    // the list then cuts itself).
    if (sum <= width) return text;
    int w = Width(dc, line);
    if (w <= width) return text;

    // The list's cut: characters off the end until the rest and the dots fit,
    // then, with one character left, dots off until they fit.
    std::size_t length = line.length();
    while (length > 1) {
        w -= CharWidth(dc, line[length - 1]);
        --length;
        if (w + DotsWidth(dc, 3) <= width) break;
    }
    int dots = 3;
    while (dots > 0 && w + DotsWidth(dc, dots) > width) --dots;
    const int dotsWidth = DotsWidth(dc, dots);
    // Not even one character fits: the list draws it clipped, without dots.
    if (w + dotsWidth > width) return line.Left(length);

    // The list draws the rest, then the dots w pixels on (w being the text's
    // width less that of each character taken off, which kerning makes
    // differ from the rest's own). Drawn in one text, the dots come where the
    // rest and any kerning with them put them: w on when the text measures w
    // and the dots.
    const wxString rest = line.Left(length);
    wxString shown = rest;
    shown.append(static_cast<std::size_t>(dots), wxUniChar('.'));
    if (Width(dc, shown) == w + dotsWidth) return shown;

    // Else the list is left to cut, from the rest followed by characters it
    // takes off again. It never draws those, only subtracts their widths one
    // by one from the width of the whole it was handed: when that whole
    // measures w and their widths, as the text does, it comes to the same
    // rest, with the dots at the same place (the whole must not fit, or the
    // list would draw it). First the text's next character and the kerning
    // pairs after it: a few characters where the text may have dozens more.
    wxString after(line[length]);
    int afterWidth = CharWidth(dc, line[length]);
    for (std::size_t at = length, last = length; at + 1 < line.length(); ++at) {
        if (PairKerning(dc, line[at], line[at + 1]) == 0) continue;
        if (at != last) {
            after += line[at];
            afterWidth += CharWidth(dc, line[at]);
        }
        after += line[at + 1];
        afterWidth += CharWidth(dc, line[at + 1]);
        last = at + 1;
    }
    if (w + afterWidth > width && Width(dc, rest + after) == w + afterWidth) return rest + after;

    // Else the text's own start up to end, which measures so once past the
    // last kerning pair after the rest. The shortest such start is looked
    // for by halves, each one measured.
    std::vector<int> taken(1, 0);  // taken[i]: the widths of the i characters after the rest
    for (std::size_t end = length; end < line.length(); ++end)
        taken.push_back(taken.back() + CharWidth(dc, line[end]));
    std::size_t low = length + 1, high = line.length();  // the whole text is such a start
    while (low < high && w + taken[low - length] <= width) ++low;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (Width(dc, line.Left(middle)) == w + taken[middle - length])
            high = middle;
        else
            low = middle + 1;
    }
    return high < line.length() ? line.Left(high) : text;
}

const wxString* TShownCells::Find(int column, int width, const std::string& source) const {
    const Column& cells = columns_[column];
    if (cells.width != width) return nullptr;
    const auto at = cells.shown.find(source);
    return at == cells.shown.end() ? nullptr : &at->second;
}

void TShownCells::Keep(int column, int width, const std::string& source, const wxString& shown) {
    Column& cells = columns_[column];
    // Resized, or full: it starts again, and what is in sight is cut once more.
    if (cells.width != width || cells.shown.size() >= capacity_) {
        cells.shown.clear();
        cells.width = width;
    }
    cells.shown.emplace(source, shown);
}

void TShownCells::Clear() {
    for (Column& cells : columns_) {
        cells.shown.clear();
        cells.width = -1;
    }
}

}  // namespace quarvel
