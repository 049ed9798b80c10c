#include "results/list_click.h"

namespace quarvel {

int ClickedRow(int x, int y, const std::function<std::optional<ListRect>(int row)>& labelRect) {
    for (int row = 0;; ++row) {
        const std::optional<ListRect> rect = labelRect(row);
        if (!rect) return -1;
        if (rect->Holds(x, y)) return row;
    }
}

SelectionAfterMenu AfterContextMenu(int focusedRow, int clickedRow) {
    if (focusedRow >= 0) return {focusedRow, -1};
    return {-1, clickedRow};
}

}  // namespace quarvel
