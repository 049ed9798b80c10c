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
// The record's five columns, then the hits counted after the run.
constexpr int kListColumns = kResultColumns + 1;
constexpr int kHitsColumn = kResultColumns;
constexpr Column kColumns[kListColumns] = {{"File", 100}, {"Folder", 230}, {"Size", 80}, {"Date", 80},
                                           {"Time", 80},  {"Hits", 70}};
// What each column's header sorts by.
constexpr SortColumn kSortOf[kListColumns] = {SortColumn::Name,     SortColumn::Folder,   SortColumn::Size,
                                              SortColumn::Modified, SortColumn::Modified, SortColumn::Hits};

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
      shown_(std::make_unique<TShownCells>(kListColumns, kShownCells)) {
    for (int column = 0; column < kListColumns; ++column)
        AppendColumn(kColumns[column].header, column == kHitsColumn ? wxLIST_FORMAT_RIGHT : wxLIST_FORMAT_LEFT,
                     kColumns[column].width);
    Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& event) {
        if (event.GetColumn() >= 0) SortBy(event.GetColumn());
    });
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
    if (count < rows_) {
        DeleteAllItems();  // also forgets selection and focus
        if (count == 0) {
            order_ = RowOrder();
            hits_.clear();
            ShowSortArrow();
        }
    }
    const int selected = SelectedFile();
    rows_ = count;
    Arrange();
    SetItemCount(static_cast<long>(count));  // repaints the rows in sight
    if (order_.Column() != SortColumn::Found) FollowSelection(selected);
}

int TListWindow1::FoundIndexOf(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_) return -1;
    if (order_.Column() == SortColumn::Found || static_cast<std::size_t>(row) >= order_.Rows()) return row;
    return static_cast<int>(order_.FoundIndex(static_cast<std::size_t>(row)));
}

void TListWindow1::Arrange() {
    if (order_.Column() == SortColumn::Found) return;
    // Only the rows shown are arranged: a run may still be adding to the record.
    TSaveFileArray shown(cfg_.FoundFiles.begin(), cfg_.FoundFiles.begin() + static_cast<std::ptrdiff_t>(rows_));
    std::vector<std::optional<std::uint64_t>> hits(hits_.begin(), hits_.begin() + std::min(hits_.size(), rows_));
    hits.resize(rows_);
    order_.Arrange(shown, hits);
}

void TListWindow1::SortBy(int column) {
    if (column < 0 || column >= kListColumns) return;
    const int selected = SelectedFile();
    // Date and Time are one column to sort by: a click on the other starts afresh.
    if (order_.Column() != kSortOf[column] || sortHeader_ != column) order_.Click(SortColumn::Found);
    sortHeader_ = column;
    order_.Click(kSortOf[column]);
    Arrange();
    ShowSortArrow();
    FollowSelection(selected);
}

void TListWindow1::FollowSelection(int selected) {
    if (selected >= 0 && static_cast<std::size_t>(selected) < rows_) {
        const long row = order_.Column() == SortColumn::Found ? selected : static_cast<long>(order_.RowOf(selected));
        if (row != SelectedRow()) {
            SetItemState(row, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED,
                         wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED);
            EnsureVisible(row);
        }
    }
    if (rows_ > 0) RefreshItems(0, static_cast<long>(rows_) - 1);
}

void TListWindow1::ShowSortArrow() {
    if (order_.Column() == SortColumn::Found)
        RemoveSortIndicator();
    else
        ShowSortIndicator(sortHeader_, !order_.Descending());
}

void TListWindow1::HitsChanged(bool done) {
    if (done && order_.Column() == SortColumn::Hits) {
        const int selected = SelectedFile();
        Arrange();
        return FollowSelection(selected);
    }
    if (rows_ > 0) RefreshItems(GetTopItem(), std::min<long>(static_cast<long>(rows_) - 1, GetTopItem() + GetCountPerPage()));
}

wxString TListWindow1::OnGetItemText(long item, long column) const {
    const int found = FoundIndexOf(static_cast<int>(item));
    if (found < 0 || static_cast<std::size_t>(found) >= cfg_.FoundFiles.size() || column < 0 || column >= kListColumns)
        return wxString();
    if (column == kHitsColumn) {
        const auto index = static_cast<std::size_t>(found);
        return index < hits_.size() && hits_[index] ? wxString::Format("%llu", static_cast<unsigned long long>(*hits_[index]))
                                                    : wxString();
    }
    const std::string text = CellText(cfg_.FoundFiles[static_cast<std::size_t>(found)], static_cast<int>(column));
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
