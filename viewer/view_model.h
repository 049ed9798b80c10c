#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "query/tstr.h"
#include "settings/search_cfg.h"
#include "viewer/view_file.h"
#include "viewer/view_reading.h"

namespace quarvel {

inline constexpr std::uint32_t kScrollRange = 65535;
inline constexpr std::uint32_t kUnwrappedRowWidth = 1000;

// One row as read from the file. A row holds whole characters: as many as
// its width in cells takes (at least one), never past the end of its line.
struct ViewRow {
    std::uint64_t start = 0;
    std::uint64_t end = 0;  // past the last byte taken (the line feed, when there was one)
    // As shown, in UTF-8: control characters as blanks, bytes that form no
    // character as U+FFFD, without the line feed; a closing carriage return dropped.
    std::string text;
    std::vector<ShownChar> chars;  // every character taken, the line feed too, with its column
    std::uint32_t Cells() const { return chars.empty() ? 0 : chars.back().column + chars.back().cells; }
};

// Columns (cells) of a row drawn in the hit colour.
struct HitMark {
    std::size_t column = 0;
    std::size_t length = 0;
};

// Columns of a visible row that the selection covers: [first, end).
struct SelectionSpan {
    int row = 0;
    std::uint64_t first = 0;
    std::uint64_t end = 0;
};

enum class ScrollStep { LineUp, LineDown, PageUp, PageDown, Thumb, Top, Bottom };

// The viewer's text: which rows show from which offset, the steps through the
// file and from hit to hit, the hits of a row, the selection and the caption.
// Offsets are whole 64-bit byte offsets; rows, columns and the selection go
// by characters of the reading shown. The scroll position runs 0..65535 as a
// fraction of the file size.
class ViewModel {
public:
    // cfg: the viewer's record (its first found file, line starts and hits);
    // query: the expression the hits were found with (its term lengths).
    ViewModel(const TSearchCFG& cfg, const Tstr* query, ByteSource& file);

    const TSearchCFG& Record() const { return cfg_; }
    std::uint64_t FileSize() const { return size_; }
    std::uint64_t TopOffset() const { return top_; }
    std::size_t TopLine() const { return topLine_; }
    std::uint32_t ScrollPosition() const { return position_; }
    std::uint32_t RowWidth() const { return rowWidth_; }
    int RowsPerWindow() const { return rowsPerWindow_; }

    // The window's size in characters: rows per window and, while wrapping, the row width.
    void SetWindowSize(std::uint32_t columns, int rows);

    // A step of the vertical scroll bar (thumb: where the thumb was let go).
    // True when the scroll position moved, so the window must repaint.
    bool Scroll(ScrollStep step, std::uint32_t thumb = 0);
    void RowUp();
    void RowDown();
    // Next and Prev: false ("Word(s) not found") leaves the view as it was.
    bool NextHit();
    bool PrevHit();
    // Steps to the hit at offset, as Next would: false when no hit that
    // counts is there, and the view stays as it was.
    bool ShowHitAt(std::uint64_t offset);
    // After a resize the top is re-aligned to the rows of the new width.
    void Realign();
    // The line, counted from 1, that Edit at line opens the file at: that of
    // the hit Next or Prev last stepped to while the window still shows it and
    // it is still marked, else that of the first marked hit the window shows,
    // else the top line.
    std::size_t LineForEdit() const;

    bool Wrap() const { return wrap_; }
    bool AllWords() const { return allWords_; }
    void SetWrap(bool on);
    void SetAllWords(bool on) { allWords_ = on; }

    // The reading chosen (Auto at first) and the one it shows the file in.
    ShownReading Reading() const { return chosen_; }
    ShownReading ShownAs() const { return form_.Reading(); }
    const ShownForm& Form() const { return form_; }
    // The top moves to a row start of the reading's rows.
    void SetReading(ShownReading reading);
    // F8: the OEM reading, and back to the reading chosen before it.
    bool Oem() const { return chosen_ == ShownReading::kOem; }
    void SetOem(bool on);

    // "path (line:N/P%)"
    std::string Caption() const;
    // The rows from the top offset, read from the file.
    std::vector<ViewRow> ReadRows(int count) const;
    // The parts of a row that show a hit.
    std::vector<HitMark> MarksFor(const ViewRow& row) const;

    // Selection: anchor and end are file offsets; it covers [min, max).
    std::uint64_t Anchor() const { return anchor_; }
    std::uint64_t SelectionEnd() const { return end_; }
    bool HasSelection() const { return anchor_ != end_; }
    void Select(std::uint64_t anchor, std::uint64_t end);
    void SelectAll() { Select(0, size_); }
    // The selection on the visible rows.
    std::vector<SelectionSpan> SelectionSpans(int rows) const;
    // The start of the character under a cell of the window (row and column
    // from the top left); past the end of a line's text, that end.
    std::uint64_t OffsetAt(std::uint64_t column, int row) const;
    // The selected bytes as they are in the file.
    std::string SelectedBytes() const;
    // The selected text in the reading shown, as UTF-8 (what Copy puts on the
    // clipboard): a valid UTF-8 selection shown in Unicode is its own bytes.
    std::string SelectedText() const;

private:
    struct Line {
        std::size_t index = 0;
        std::uint64_t start = 0, end = 0;
    };
    struct RowSpan {
        std::uint64_t start = 0, end = 0;
        std::size_t line = 0;
    };
    std::uint64_t LineStart(std::size_t line) const;  // at a character start of the reading shown
    std::uint64_t LineEnd(std::size_t line) const;    // where the next line starts, or the file size
    std::size_t LineOf(std::uint64_t offset) const;
    Line LineAt(std::uint64_t offset) const;
    // The piece of a long line that holds offset: rows restart at each piece
    // (see kPiece in the source). [start, end) of the piece.
    std::pair<std::uint64_t, std::uint64_t> PieceAround(const Line& line, std::uint64_t offset) const;
    std::uint64_t PieceStart(const Line& line, std::uint64_t k) const;
    // The row that holds the byte at offset.
    RowSpan RowAround(std::uint64_t offset) const;
    // The end of the row from start, whose bytes are bytes[at..): characters
    // while they fit the row width (at least one), never past limit. Into
    // row, when given, go the characters with their columns.
    std::uint64_t CutRow(std::uint64_t start, std::uint64_t limit, const std::string& bytes, std::size_t at,
                         ViewRow* row) const;
    void ChooseForm();
    TSaveElemArray::const_iterator FirstHitFrom(std::uint64_t offset) const;
    bool Counts(const TSaveElem& hit) const { return allWords_ || hit.satisfied != 0; }
    std::uint32_t TermLength(std::uint32_t word) const;
    std::uint32_t HitLength(const TSaveElem& hit) const;
    std::uint32_t PositionOfTop() const;
    void MoveRows(int rows, bool up);
    bool SetPositionFromTop();

    const TSearchCFG& cfg_;
    std::vector<std::uint32_t> termLengths_;
    std::uint64_t longestHit_ = 0;
    ByteSource& file_;
    std::string path_;
    std::uint64_t size_ = 0;
    std::uint64_t top_ = 0;
    std::size_t topLine_ = 0;
    std::uint32_t position_ = 0;
    std::uint32_t rowWidth_ = kUnwrappedRowWidth;
    std::uint32_t columns_ = kUnwrappedRowWidth;
    int rowsPerWindow_ = 1;
    bool wrap_ = false, allWords_ = false;
    FileForm fileForm_;
    bool autoUnicode_ = true;
    ShownReading chosen_ = ShownReading::kAuto, beforeOem_ = ShownReading::kAuto;
    ShownForm form_;
    std::uint64_t anchor_ = 0, end_ = 0;
    static constexpr std::size_t kNoHit = static_cast<std::size_t>(-1);
    std::size_t steppedHit_ = kNoHit;  // the index in the record's hits of the last one stepped to
};

}  // namespace quarvel
