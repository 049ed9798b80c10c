#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "results/save_file.h"

namespace quarvel {

// The columns the results list sorts by. Found is the order the run found
// the files in, which the record keeps whatever the list shows.
enum class SortColumn { Found, Name, Folder, Size, Modified, Hits };

// The order the results list shows its rows in: a permutation of the found
// files. A click on a column's header sorts by it, a second click on it
// reverses that, a third returns to the found order. Files that compare
// equal keep their found order either way.
class RowOrder {
public:
    // A click on a column's header (Found: back to the found order at once).
    void Click(SortColumn column);
    SortColumn Column() const { return column_; }
    bool Descending() const { return descending_; }

    // Arranges the rows of files by the current column; hits: the count of
    // each file (by its found index), or none where it is not known yet,
    // which sorts before every count.
    void Arrange(const TSaveFileArray& files, const std::vector<std::optional<std::uint64_t>>& hits);

    std::size_t Rows() const { return order_.size(); }
    // The found file that row shows.
    std::size_t FoundIndex(std::size_t row) const { return order_[row]; }
    // The row that shows the found file, for the selection to follow a sort.
    std::size_t RowOf(std::size_t found) const;

private:
    SortColumn column_ = SortColumn::Found;
    bool descending_ = false;
    std::vector<std::uint32_t> order_;
};

}  // namespace quarvel
