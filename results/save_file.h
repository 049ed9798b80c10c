#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarvel {

// An immutable, reference-counted text. Records copied from list to list share
// their name and folder texts (a folder walk makes one folder text for all the
// files of that folder); a text is released when the last record holding it
// goes, so emptying a list never leaves another list with a dangling text.
// A large search holds one text per file, so the handle is a single pointer to
// one block holding the count and the text. A run's threads hand records to
// each other, so the count is atomic.
class SharedText {
public:
    SharedText() = default;
    SharedText(std::string_view text) : block_(new Block{std::string(text), 1}) {}
    SharedText(const char* text) : SharedText(std::string_view(text)) {}
    SharedText(const std::string& text) : SharedText(std::string_view(text)) {}
    SharedText(const SharedText& other) noexcept : block_(other.block_) {
        if (block_) block_->holders.fetch_add(1, std::memory_order_relaxed);
    }
    SharedText(SharedText&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    SharedText& operator=(SharedText other) noexcept {
        std::swap(block_, other.block_);
        return *this;
    }
    ~SharedText() {
        if (block_ && block_->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete block_;
    }

    const std::string& str() const { return block_ ? block_->text : Empty(); }
    operator const std::string&() const { return str(); }
    std::size_t size() const { return str().size(); }
    bool empty() const { return str().empty(); }
    // A copy of the text that shares nothing with this one.
    SharedText Clone() const { return SharedText(str()); }
    bool SharesWith(const SharedText& other) const { return block_ && block_ == other.block_; }

private:
    struct Block {
        const std::string text;
        std::atomic<std::size_t> holders;
    };
    static const std::string& Empty() {
        static const std::string empty;
        return empty;
    }
    Block* block_ = nullptr;
};

// One file of a search. The texts come first so that the fields pack without padding.
struct TSaveFile {
    SharedText name;
    SharedText folder;  // without a trailing separator; the root folder is ""
    std::uint64_t size = 0;  // the whole size: files may pass 4 GiB
    std::uint32_t group = 0;
    std::uint16_t date = 0;
    std::uint16_t time = 0;
    std::uint32_t attributes = 0;

    // folder, "/", name
    std::string Path() const;
    // The same, into a string whose storage is kept from one file to the next.
    void PathInto(std::string& into) const;
    TSaveFile DeepCopy() const;
};

// One hit: the offset of the occurrence, the term's number, whether the
// unit that holds it satisfied the expression, the bytes the occurrence
// takes in the reading that found it, and that reading (its ReadingBit).
struct TSaveElem {
    std::uint64_t offset = 0;
    std::uint32_t word = 0;
    std::uint32_t satisfied = 0;
    std::uint32_t length = 0;
    std::uint32_t reading = 0;
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
// The number of term hits in the satisfying units of a file's hits (in
// ascending order of offset): an occurrence found in several readings counts once.
std::uint64_t CountHits(const TSaveElemArray& hits);

}  // namespace quarvel
