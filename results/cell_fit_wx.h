#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include <wx/dc.h>
#include <wx/string.h>

namespace quarvel {

// A cell text too wide for its column is drawn cut by the list's report: it
// takes characters off the end one at a time, measuring each one alone, until
// the rest and "..." fit, and draws the dots where the text's width less those
// of the characters taken off puts them; with one character left it drops
// dots until they fit. Done at every paint, that is dozens of text measurings
// for each long cell.
//
// TCellFit makes the same cut with one measuring of the text (the widths of
// single characters, and of pairs, are remembered) and hands the list the
// rest with its dots in one text, which then fits and is drawn as it is: the
// very same pixels. Where kerning would put the dots elsewhere in one text, it
// hands the list the rest followed by a few characters for its own cut to
// take off again, which measure as the many the text has after the rest. The
// text goes whole when it fits, and when it holds a character that may draw
// otherwise alone than within a text: a control, a combining mark, a
// right-to-left script, a character of another font than the dots'.
class TCellFit {
public:
    // The text to hand the list for text in a cell whose text has room for
    // width pixels, measured with dc (the list's font set on it).
    wxString Fit(wxDC& dc, const wxString& text, int width);
    // Forgets the widths measured, as for another font.
    void Forget();

private:
    // The width of c alone, or -1 for a character the cut leaves to the list.
    int CharWidth(wxDC& dc, wxUniChar c);
    int DotsWidth(wxDC& dc, int dots);
    // How much narrower (or wider) the two characters are together than apart.
    int PairKerning(wxDC& dc, wxUniChar first, wxUniChar second);

    std::unordered_map<wxUint32, int> chars_;
    std::unordered_map<wxUint64, int> pairs_;
    int dots_[4] = {0, -1, -1, -1};  // "", ".", "..", "..."
    wxCoord dotsHeight_ = -1, dotsDescent_ = -1;
};

// The texts handed the list for the cells it painted lately, by column and
// cell text: the files of a folder, shown one after another, share their
// folder's cut. A column's texts are dropped when it is resized.
class TShownCells {
public:
    // Up to capacity texts a column.
    TShownCells(int columns, std::size_t capacity) : columns_(columns), capacity_(capacity) {}
    // What was handed the list for source in column with room for width
    // pixels, or null.
    const wxString* Find(int column, int width, const std::string& source) const;
    void Keep(int column, int width, const std::string& source, const wxString& shown);
    void Clear();

private:
    struct Column {
        int width = -1;
        std::unordered_map<std::string, wxString> shown;
    };
    std::vector<Column> columns_;
    std::size_t capacity_;
};

}  // namespace quarvel
