#include "results/save_file.h"

#include <algorithm>

#include "platform/codepage.h"

namespace quarvel {

std::string TSaveFile::Path() const {
    std::string path;
    PathInto(path);
    return path;
}

void TSaveFile::PathInto(std::string& into) const {
    into.reserve(folder.size() + 1 + name.size());
    into.assign(folder.str()).append(1, '/').append(name.str());
}

TSaveFile TSaveFile::DeepCopy() const {
    TSaveFile copy = *this;
    copy.name = name.Clone();
    copy.folder = folder.Clone();
    return copy;
}

bool SameFile(const TSaveFile& a, const TSaveFile& b) {
    return a.group != b.group && EqualIgnoreCase(a.name.str(), b.name.str()) &&
           EqualIgnoreCase(a.folder.str(), b.folder.str());
}

int FindSameFile(const TSaveFileArray& list, const TSaveFile& record) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (SameFile(list[i], record)) return static_cast<int>(i);
    return -1;
}

void RemoveAt(TSaveFileArray& list, std::size_t index) {
    if (index < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

void SortedInsert(TSaveElemArray& list, const TSaveElem& elem) {
    // Hits mostly arrive in ascending order: test the end first.
    if (list.empty() || list.back().offset <= elem.offset) {
        list.push_back(elem);
        return;
    }
    auto at = std::upper_bound(list.begin(), list.end(), elem.offset,
                               [](std::uint64_t off, const TSaveElem& e) { return off < e.offset; });
    list.insert(at, elem);
}

std::uint64_t CountHits(const TSaveElemArray& hits) {
    // Hits are in ascending order of offset; the readings that found one
    // occurrence of a term sit next to each other.
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (hits[i].satisfied == 0) continue;
        bool seen = false;
        for (std::size_t j = i; j-- > 0 && hits[j].offset == hits[i].offset;)
            if (hits[j].word == hits[i].word && hits[j].satisfied != 0) seen = true;
        if (!seen) ++count;
    }
    return count;
}

}  // namespace quarvel
