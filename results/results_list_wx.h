#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
#include <string>

#include <wx/listctrl.h>
#include <wx/panel.h>

#include "results/row_order.h"
#include "settings/search_cfg.h"

namespace quarvel {

enum ResultsListId : int { kResultsListId = 301 };

// The commands the list issues to its window: a double click opens the row's
// file; a right click on a row asks for the context menu.
struct ListCommands {
    int open;
    int showContextMenu;
};

class TCellFit;
class TShownCells;

// The results list: a report of the first Rows() found files of the record,
// one row per file in the order found. It reads the record's found-file list
// whenever it paints, so it stays fast with any number of rows.
class TListWindow1 : public wxListCtrl {
public:
    TListWindow1(wxWindow* parent, const TSearchCFG& cfg, ListCommands commands);
    ~TListWindow1() override;

    // Shows the first count found files (the list's rows follow a run as it
    // finds them). An empty list returns to the found order.
    void ShowRows(std::size_t count);
    std::size_t Rows() const { return rows_; }
    int SelectedRow() const;
    // The found file a row shows (the record keeps the found order, the
    // list may show another), and the found file of the selected row, or -1.
    int FoundIndexOf(int row) const;
    int SelectedFile() const { return FoundIndexOf(SelectedRow()); }
    // The Hits column: each found file's count, none until it is counted.
    std::vector<std::optional<std::uint64_t>>& Hits() { return hits_; }
    // After the counts changed: the column is drawn again, and a list sorted
    // by it sorted again once all are in (done).
    void HitsChanged(bool done);
    // A click on a column's header: sorts by it, then reversed, then back to
    // the found order, the selected file staying selected and in sight.
    void SortBy(int column);
    const RowOrder& Order() const { return order_; }
    int FocusedRow() const;
    void SelectRow(int row, bool on);

    // The row and point (in the list's client coordinates) of the last right
    // click that hit a row's label.
    int ClickedRow() const { return clickedRow_; }
    wxPoint ClickPoint() const { return clickPoint_; }
    // The right-click sequence: pick the row, select it, issue the
    // show-context-menu command, then give the selection back to the focused row.
    void RightClickAt(wxPoint point);

protected:
    wxString OnGetItemText(long item, long column) const override;

    // The inner window that draws the rows and takes the mouse.
    wxWindow* RowsWindow();

private:
    void Issue(int command);
    // Paints the rows, their long cells cut to their columns beforehand.
    void PaintRows(wxPaintEvent& event);
    // The text handed the report for a cell it paints (TCellFit).
    wxString ShownText(long column, const std::string& text) const;

    const TSearchCFG& cfg_;
    ListCommands commands_;
    std::size_t rows_ = 0;
    // While the rows paint: a context on their paint to measure texts with,
    // in fitFont_.
    bool painting_ = false;
    std::unique_ptr<wxDC> measuring_;
    wxFont fitFont_;
    std::unique_ptr<TCellFit> fit_;
    std::unique_ptr<TShownCells> shown_;
    void Arrange();
    void ShowSortArrow();
    // After the rows were arranged again: the found file selected before
    // (-1: none) is selected and in sight again, and the rows repaint.
    void FollowSelection(int selected);

    int clickedRow_ = -1;
    wxPoint clickPoint_;
    RowOrder order_;
    int sortHeader_ = -1;  // the header that shows the arrow
    std::vector<std::optional<std::uint64_t>> hits_;
};

// The main window's client: holds the results list and keeps it filling its area.
class TListDlg : public wxPanel {
public:
    TListDlg(wxWindow* parent, const TSearchCFG& cfg, ListCommands commands);
    TListWindow1* List() const { return list_; }

private:
    TListWindow1* list_;
};

}  // namespace quarvel
