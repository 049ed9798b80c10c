#pragma once
#include "settings/search_cfg.h"

namespace quarvel {

// The row that View, Open and Open with act on: the row of the last right
// click if there is one (it is used up), else the selected row. -1 when there
// is none, or it lies beyond the found files; fileMissing when its file is no
// longer a file on disk.
struct CurrentRow {
    int row = -1;
    bool fileMissing = false;
};
CurrentRow ResolveCurrentRow(int selectedRow, int& contextMenuRow, const TSaveFileArray& found);

}  // namespace quarvel
