#include "app/preview_pane_wx.h"

#include <wx/dc.h>
#include <wx/settings.h>

#include "platform/text_wx.h"

namespace quarvel {

TPreviewPane::TPreviewPane(wxWindow* parent, std::function<void(const HitLine&)> open)
    : wxVListBox(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLB_SINGLE), open_(std::move(open)) {
    SetFont(wxSystemSettings::GetFont(wxSYS_ANSI_FIXED_FONT));
    Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) {
        if (const HitLine* line = CurrentLine()) open_(*line);
    });
    Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
        if ((event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER) && !event.HasAnyModifiers()) {
            if (const HitLine* line = CurrentLine()) open_(*line);
            return;
        }
        event.Skip();
    });
    Refresh();
}

void TPreviewPane::Refresh() {
    const int selected = GetSelection();
    SetItemCount(model_.Rows());
    if (selected != wxNOT_FOUND && static_cast<size_t>(selected) < model_.Rows()) SetSelection(selected);
    wxVListBox::Refresh();
}

const HitLine* TPreviewPane::CurrentLine() const {
    const int selected = GetSelection();
    return model_.LineAt(selected == wxNOT_FOUND ? 0 : static_cast<size_t>(selected));
}

wxCoord TPreviewPane::OnMeasureItem(size_t) const { return GetCharHeight() + FromDIP(2); }

void TPreviewPane::OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const {
    const bool selected = IsSelected(n);
    const wxColour text = wxSystemSettings::GetColour(selected ? wxSYS_COLOUR_HIGHLIGHTTEXT : wxSYS_COLOUR_WINDOWTEXT);
    const wxColour grey = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    int x = rect.x + FromDIP(4);
    const int y = rect.y + FromDIP(1);
    dc.SetFont(GetFont());
    const HitLine* line = model_.LineAt(n);
    if (!line) {
        dc.SetTextForeground(selected ? text : grey);
        dc.DrawText(FromUtf8(model_.NoteText()), x, y);
        return;
    }
    // The numbers take a column as wide as the widest one shown.
    const HitLine* last = line;
    for (std::size_t row = model_.Rows(); row-- > 0;)
        if (const HitLine* shownLast = model_.LineAt(row)) {
            last = shownLast;
            break;
        }
    const wxString number = FromUtf8(PreviewModel::NumberText(*line));
    const int numberWidth = dc.GetTextExtent(FromUtf8(PreviewModel::NumberText(*last))).x;
    dc.SetTextForeground(selected ? text : grey);
    dc.DrawText(number, x + numberWidth - dc.GetTextExtent(number).x, y);
    x += numberWidth + dc.GetCharWidth();
    // The text in runs: each either marked or not.
    const wxString shown = FromUtf8(line->text);
    std::size_t at = 0;
    // Hits in the hit colour and bold, so that they stand out in any colour.
    const wxFont plain = GetFont();
    const wxFont bold = plain.Bold();
    auto draw = [&](std::size_t from, std::size_t to, bool marked) {
        if (to <= from) return;
        const wxString part = shown.Mid(from, to - from);
        dc.SetFont(marked ? bold : plain);
        dc.SetTextForeground(marked && !selected ? hit_ : text);
        dc.DrawText(part, x, y);
        x += dc.GetTextExtent(part).x;
    };
    for (const TextMark& mark : line->marks) {
        draw(at, mark.from, false);
        draw(mark.from, mark.from + mark.length, true);
        at = mark.from + mark.length;
    }
    draw(at, shown.length(), false);
}

}  // namespace quarvel
