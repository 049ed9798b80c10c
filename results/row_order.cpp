#include "results/row_order.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/unicode_text.h"

namespace quarvel {

namespace {

// A name as it sorts: its characters folded to one case, so that "b" sorts
// with "B"; a stretch of bytes that is no UTF-8 sorts as U+FFFD. The key is
// the folded characters in UTF-8, whose bytes compare (memcmp) in the order
// of the characters they encode.
std::string SortKey(const std::string& text) {
    std::string key;
    key.reserve(text.size());
    std::size_t i = 0;
    // Most names are ASCII: their letters fold by themselves, byte by byte.
    for (; i < text.size() && static_cast<unsigned char>(text[i]) < 0x80; ++i)
        key += static_cast<char>(FoldCase(static_cast<unsigned char>(text[i])));
    if (i == text.size()) return key;
    for (char32_t c : Utf8ToChars(std::string_view(text).substr(i)))
        AppendUtf8(key, FoldCase(c == kInvalidChar ? 0xFFFD : c));
    return key;
}

// Each file's rank among the texts of a column: equal texts (after folding)
// share a rank. The files of one folder share one text, so a folder is
// folded once, not once per file; names are mostly each their own.
std::vector<std::uint32_t> TextRanks(const TSaveFileArray& files, bool names) {
    std::vector<std::uint32_t> textOf(files.size());
    std::vector<std::string> keys;
    if (names) {
        keys.reserve(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            keys.push_back(SortKey(files[i].name.str()));
            textOf[i] = static_cast<std::uint32_t>(i);
        }
    } else {
        std::unordered_map<const std::string*, std::uint32_t> distinct;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string& text = files[i].folder.str();
            const auto [at, added] = distinct.try_emplace(&text, static_cast<std::uint32_t>(keys.size()));
            if (added) keys.push_back(SortKey(text));
            textOf[i] = at->second;
        }
    }
    std::vector<std::uint32_t> byKey(keys.size());
    std::iota(byKey.begin(), byKey.end(), 0u);
    std::sort(byKey.begin(), byKey.end(), [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::vector<std::uint32_t> rankOf(keys.size());
    std::uint32_t rank = 0;
    for (std::size_t k = 0; k < byKey.size(); ++k) {
        if (k > 0 && keys[byKey[k]] != keys[byKey[k - 1]]) ++rank;
        rankOf[byKey[k]] = rank;
    }
    for (std::uint32_t& t : textOf) t = rankOf[t];
    return textOf;
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
            const std::vector<std::uint32_t> ranks = TextRanks(files, column_ == SortColumn::Name);
            sortBy([&](std::uint32_t i) { return ranks[i]; });
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
