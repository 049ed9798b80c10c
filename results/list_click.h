#pragma once
#include <functional>
#include <optional>

namespace quarvel {

struct ListRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Holds(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
};

// The row a right click at (x, y) picks: rows are tried from 0 upwards by the
// rectangle of their first column's label; the first that holds the point
// wins. -1 when a row's rectangle cannot be had (there is no such row) first.
int ClickedRow(int x, int y, const std::function<std::optional<ListRect>(int row)>& labelRect);

// After the context menu has closed the selection goes back to the focused
// row; without one the clicked row loses its selection.
struct SelectionAfterMenu {
    int select = -1;    // the row to select, or -1
    int deselect = -1;  // the row to deselect, or -1
};
SelectionAfterMenu AfterContextMenu(int focusedRow, int clickedRow);

}  // namespace quarvel
