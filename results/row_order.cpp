#include "results/row_order.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "platform/unicode_text.h"

namespace quarvel {

namespace {

// A name as it sorts: its characters folded to one case, so that "b" sorts
// with "B"; a stretch of bytes that is no UTF-8 sorts as U+FFFD.
std::u32string SortKey(const std::string& text) {
    std::u32string key = Utf8ToChars(text);
    for (char32_t& c : key) c = FoldCase(c);
    return key;
}

}  // namespace

void RowOrder::Click(SortColumn column) {
    if (column == SortColumn::Found || column != column_) {
        column_ = column;
        descending_ = false;
    } else if (!descending_) {
        descending_ = true;
    } else {
        column_ = SortColumn::Found;
        descending_ = false;
    }
}

void RowOrder::Arrange(const TSaveFileArray& files, const std::vector<std::optional<std::uint64_t>>& hits) {
    order_.resize(files.size());
    std::iota(order_.begin(), order_.end(), 0u);
    if (column_ == SortColumn::Found) return;
    // Less by the column, ties left to the stable sort: they keep the found order.
    auto sortBy = [&](auto key) {
        if (descending_)
            std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) { return key(b) < key(a); });
        else
            std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
    };
    switch (column_) {
        case SortColumn::Name:
        case SortColumn::Folder: {
            // The keys are made once, not at every comparison.
            std::vector<std::u32string> keys(files.size());
            for (std::size_t i = 0; i < files.size(); ++i)
                keys[i] = SortKey(column_ == SortColumn::Name ? files[i].name.str() : files[i].folder.str());
            sortBy([&](std::uint32_t i) -> const std::u32string& { return keys[i]; });
            break;
        }
        case SortColumn::Size: sortBy([&](std::uint32_t i) { return files[i].size; }); break;
        case SortColumn::Modified:
            sortBy([&](std::uint32_t i) { return std::uint32_t{files[i].date} << 16 | files[i].time; });
            break;
        case SortColumn::Hits:
            // Not counted yet sorts before every count.
            sortBy([&](std::uint32_t i) { return i < hits.size() && hits[i] ? *hits[i] + 1 : 0; });
            break;
        case SortColumn::Found: break;
    }
}

std::size_t RowOrder::RowOf(std::size_t found) const {
    const auto at = std::find(order_.begin(), order_.end(), found);
    return at == order_.end() ? found : static_cast<std::size_t>(at - order_.begin());
}

}  // namespace quarvel
