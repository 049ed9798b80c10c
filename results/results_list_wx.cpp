#include "results/results_list_wx.h"

#include <wx/dcclient.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include "platform/text_wx.h"
#include "results/cell_fit_wx.h"
#include "results/list_click.h"
#include "results/row_text.h"

namespace quarvel {

namespace {

struct Column {
    const char* header;
    int width;
};
constexpr Column kColumns[kResultColumns] = {{"File", 100}, {"Folder", 230}, {"Size", 80}, {"Date", 80}, {"Time", 80}};

// The room the report leaves a cell's text: the column less its margins.
constexpr int kCellMargins = 8;
// The shown texts kept a column: more than a page of the tallest screen.
constexpr std::size_t kShownCells = 1024;

wxString CellString(const std::string& text, long column) {
    return column <= 1 ? FromFileName(text) : wxString::FromAscii(text.c_str());
}

}  // namespace

TListWindow1::TListWindow1(wxWindow* parent, const TSearchCFG& cfg, ListCommands commands)
    : wxListCtrl(parent, kResultsListId, wxPoint(0, 0), wxSize(1000, 1000),
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL),
      cfg_(cfg),
      commands_(commands),
      fit_(std::make_unique<TCellFit>()),
      shown_(std::make_unique<TShownCells>(kResultColumns, kShownCells)) {
    for (int column = 0; column < kResultColumns; ++column)
        AppendColumn(kColumns[column].header, wxLIST_FORMAT_LEFT, kColumns[column].width);
#ifdef _WX_GENERIC_LISTCTRL_H_
    // The generic report cuts a long cell text at every paint, measuring it
    // again and again: its rows (the window it scrolls) paint with their
    // texts cut beforehand instead.
    GetTargetWindow()->Bind(wxEVT_PAINT, &TListWindow1::PaintRows, this);
#endif
    // The mouse goes to the inner window that draws the rows; the right press
    // is not passed on to the list's own handling.
    wxWindow* rows = RowsWindow();
    // The row rectangles are in the list's coordinates, which the inner
    // window's own do not map to on every toolkit: the pointer says where.
    rows->Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent&) { RightClickAt(ScreenToClient(wxGetMousePosition())); });
    rows->Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent&) { Issue(commands_.open); });
}

TListWindow1::~TListWindow1() = default;

wxWindow* TListWindow1::RowsWindow() {
    for (wxWindow* child : GetChildren())
        if (wxString(child->GetClassInfo()->GetClassName()) == "wxListMainWindow") return child;
    return this;
}

void TListWindow1::ShowRows(std::size_t count) {
    if (count > cfg_.FoundFiles.size()) count = cfg_.FoundFiles.size();
    if (count == rows_) return;
    if (count < rows_) DeleteAllItems();  // also forgets selection and focus
    rows_ = count;
    SetItemCount(static_cast<long>(count));  // repaints the rows in sight
}

wxString TListWindow1::OnGetItemText(long item, long column) const {
    if (item < 0 || static_cast<std::size_t>(item) >= cfg_.FoundFiles.size() || column < 0 ||
        column >= kResultColumns)
        return wxString();
    const std::string text = CellText(cfg_.FoundFiles[item], static_cast<int>(column));
    // Asked by anyone but the painting rows, a cell's text is whole.
    return painting_ ? ShownText(column, text) : CellString(text, column);
}

wxString TListWindow1::ShownText(long column, const std::string& text) const {
    const int width = GetColumnWidth(static_cast<int>(column)) - kCellMargins;
    if (const wxString* shown = shown_->Find(static_cast<int>(column), width, text)) return *shown;
    const wxString shown = fit_->Fit(*measuring_, CellString(text, column), width);
    shown_->Keep(static_cast<int>(column), width, text, shown);
    return shown;
}

void TListWindow1::PaintRows(wxPaintEvent& event) {
    // The paint is handed on to the rows once more: this time it goes to the
    // report's own painting, which asks for the cells' texts.
    if (painting_) return event.Skip();
    wxWindow* rows = static_cast<wxWindow*>(event.GetEventObject());
    // The report draws its cells in the list's font: widths measured in another are no use.
    if (!(fitFont_ == GetFont())) {
        fitFont_ = GetFont();
        fit_->Forget();
        shown_->Clear();
    }
    // The texts are measured as the report measures them: on the same paint.
    measuring_ = std::make_unique<wxPaintDC>(rows);
    measuring_->SetFont(fitFont_);
    painting_ = true;
    struct Done {
        TListWindow1* list;
        ~Done() {
            list->painting_ = false;
            list->measuring_.reset();
        }
    } done{this};
    rows->ProcessWindowEventLocally(event);
}

int TListWindow1::SelectedRow() const {
    return static_cast<int>(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

int TListWindow1::FocusedRow() const {
    return static_cast<int>(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED));
}

void TListWindow1::SelectRow(int row, bool on) {
    if (row >= 0 && static_cast<std::size_t>(row) < rows_)
        SetItemState(row, on ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
}

void TListWindow1::RightClickAt(wxPoint point) {
    const int row = quarvel::ClickedRow(point.x, point.y, [this](int candidate) -> std::optional<ListRect> {
        wxRect rect;
        if (candidate < 0 || static_cast<std::size_t>(candidate) >= rows_ ||
            !GetSubItemRect(candidate, 0, rect, wxLIST_RECT_LABEL))
            return std::nullopt;
        return ListRect{rect.GetLeft(), rect.GetTop(), rect.GetRight() + 1, rect.GetBottom() + 1};
    });
    if (row < 0) return;
    // Selecting a row here also makes it the focused one; the focus the
    // list had is what the selection goes back to.
    const int focused = FocusedRow();
    SelectRow(row, true);
    clickedRow_ = row;
    clickPoint_ = point;
    Issue(commands_.showContextMenu);
    const SelectionAfterMenu after = AfterContextMenu(focused, row);
    if (after.select >= 0) {
        SetItemState(after.select, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED,
                     wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED);
    }
    if (after.deselect >= 0) SetItemState(after.deselect, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
}

void TListWindow1::Issue(int command) {
    wxCommandEvent event(wxEVT_MENU, command);
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

TListDlg::TListDlg(wxWindow* parent, const TSearchCFG& cfg, ListCommands commands) : wxPanel(parent, wxID_ANY) {
    list_ = new TListWindow1(this, cfg, commands);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list_, 1, wxEXPAND);
    SetSizer(sizer);
}

}  // namespace quarvel
