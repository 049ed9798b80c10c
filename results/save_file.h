#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// An immutable, reference-counted text. Records copied from list to list share
// their name and folder texts (a folder walk makes one folder text for all the
// files of that folder); a text is released when the last record holding it
// goes, so emptying a list never leaves another list with a dangling text.
class SharedText {
public:
    SharedText() = default;
    SharedText(std::string_view text) : text_(std::make_shared<const std::string>(text)) {}
    SharedText(const char* text) : SharedText(std::string_view(text)) {}
    SharedText(const std::string& text) : SharedText(std::string_view(text)) {}

    const std::string& str() const { return text_ ? *text_ : Empty(); }
    operator const std::string&() const { return str(); }
    std::size_t size() const { return str().size(); }
    bool empty() const { return str().empty(); }
    // A copy of the text that shares nothing with this one.
    SharedText Clone() const { return SharedText(str()); }
    bool SharesWith(const SharedText& other) const { return text_ && text_ == other.text_; }

private:
    static const std::string& Empty() {
        static const std::string empty;
        return empty;
    }
    std::shared_ptr<const std::string> text_;
};

// One file of a search.
struct TSaveFile {
    std::uint32_t group = 0;
    SharedText name;
    SharedText folder;  // without a trailing separator; the root folder is ""
    std::uint32_t size = 0;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    std::uint32_t attributes = 0;

    // folder, "/", name
    std::string Path() const;
    TSaveFile DeepCopy() const;
};

// One hit: the offset of the occurrence, the term's number, and whether the
// unit that holds it satisfied the expression.
struct TSaveElem {
    std::uint32_t offset = 0;
    std::uint32_t word = 0;
    std::uint32_t satisfied = 0;
    bool operator==(const TSaveElem&) const = default;
};

using TSaveFileArray = std::vector<TSaveFile>;
using TSaveElemArray = std::vector<TSaveElem>;

// Two records denote the same file when their names and folders are equal
// ignoring case (same length) and their groups differ.
bool SameFile(const TSaveFile& a, const TSaveFile& b);
// Index of the first record of the list that denotes the same file, or -1.
int FindSameFile(const TSaveFileArray& list, const TSaveFile& record);
void RemoveAt(TSaveFileArray& list, std::size_t index);
// Inserts after every element whose offset is less than or equal to the new one's.
void SortedInsert(TSaveElemArray& list, const TSaveElem& elem);

}  // namespace quarvel
