#include "viewer/view_model.h"

#include <algorithm>

#include "platform/unicode_text.h"

namespace quarvel {

namespace {

// A line longer than this many bytes is laid out in pieces, each starting a
// row, so that finding the row that holds an offset decodes one piece and
// never the whole line: a file of gigabytes may be one line. One-byte
// readings need no pieces: their rows are counted, not decoded.
constexpr std::uint64_t kPiece = 16 * 1024;

// a * b / c without overflow for any 64-bit file size.
std::uint64_t MulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    return c == 0 ? 0 : static_cast<std::uint64_t>(static_cast<unsigned __int128>(a) * b / c);
}

}  // namespace

ViewModel::ViewModel(const TSearchCFG& cfg, const Tstr* query, ByteSource& file) : cfg_(cfg), file_(file) {
    if (query)
        for (std::uint32_t i = 0; i < query->TermCount(); ++i) termLengths_.push_back(query->TermLength(i));
    if (!cfg.FoundFiles.empty()) {
        path_ = cfg.FoundFiles[0].Path();
        size_ = cfg.FoundFiles[0].size;
    } else {
        path_ = cfg.SearchFilesMask;
    }
    for (const TSaveElem& hit : cfg.Hits) longestHit_ = std::max<std::uint64_t>(longestHit_, HitLength(hit));
    std::string head(kAutoSampleSize, '\0');
    head.resize(file_.ReadAt(0, head.data(), head.size()));
    const auto* p = reinterpret_cast<const std::uint8_t*>(head.data());
    fileForm_ = DetectForm(p, head.size());
    autoUnicode_ = AutoShowsUnicode(p, head.size(), head.size() < kAutoSampleSize || head.size() >= size_);
    ChooseForm();
}

void ViewModel::ChooseForm() {
    ShownReading shown = chosen_;
    if (shown == ShownReading::kAuto) shown = autoUnicode_ ? ShownReading::kUnicode : ShownReading::kAnsi;
    form_ = ShownForm(shown, fileForm_);
}

void ViewModel::SetReading(ShownReading reading) {
    if (reading == ShownReading::kOem && chosen_ != ShownReading::kOem) beforeOem_ = chosen_;
    chosen_ = reading;
    ChooseForm();
    // The selection and the top move to characters of the new reading.
    Select(anchor_, end_);
    Realign();
}

void ViewModel::SetOem(bool on) {
    if (on != Oem()) SetReading(on ? ShownReading::kOem : beforeOem_);
}

std::uint64_t ViewModel::LineStart(std::size_t line) const {
    const std::uint64_t start = line < cfg_.LineStarts.size() ? cfg_.LineStarts[line] : 0;
    // A line table made by a one-byte reading of a UTF-16 text starts lines
    // after the line feed's first byte: the line starts after the character.
    const FileForm& file = form_.File();
    if (!form_.OneByte() && file.Utf16() && start > file.textStart && (start - file.textStart) % 2 != 0)
        return form_.CharStartAtOrAfter(file_, start);
    return start;
}

std::uint64_t ViewModel::LineEnd(std::size_t line) const {
    return line + 1 < cfg_.LineStarts.size() ? LineStart(line + 1) : std::max(size_, LineStart(line));
}

std::size_t ViewModel::LineOf(std::uint64_t offset) const {
    const auto& starts = cfg_.LineStarts;
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    std::size_t line = after == starts.begin() ? 0 : static_cast<std::size_t>(after - starts.begin() - 1);
    while (line > 0 && LineStart(line) > offset) --line;  // moved to a character start past offset
    return line;
}

ViewModel::Line ViewModel::LineAt(std::uint64_t offset) const {
    const std::size_t line = LineOf(offset);
    return {line, LineStart(line), LineEnd(line)};
}

std::uint32_t ViewModel::TermLength(std::uint32_t word) const {
    return word < termLengths_.size() ? termLengths_[word] : 0;
}

void ViewModel::SetWindowSize(std::uint32_t columns, int rows) {
    columns_ = std::max<std::uint32_t>(1, columns);
    rowsPerWindow_ = std::max(1, rows);
    if (wrap_) rowWidth_ = columns_;
}

void ViewModel::SetWrap(bool on) {
    wrap_ = on;
    rowWidth_ = on ? columns_ : kUnwrappedRowWidth;
    // The top keeps its place; the next step or resize takes it to a row
    // start of the new width.
}

std::uint64_t ViewModel::PieceStart(const Line& line, std::uint64_t k) const {
    if (k == 0) return line.start;
    return std::max(line.start, form_.CharStartAtOrBefore(file_, line.start + k * kPiece));
}

std::pair<std::uint64_t, std::uint64_t> ViewModel::PieceAround(const Line& line, std::uint64_t offset) const {
    if (form_.OneByte()) return {line.start, line.end};
    const std::uint64_t k = (offset - line.start) / kPiece;
    auto endOf = [&](std::uint64_t piece) {
        return line.start + (piece + 1) * kPiece >= line.end ? line.end : PieceStart(line, piece + 1);
    };
    const std::uint64_t end = endOf(k);
    // The next piece's start may lie a few bytes before its nominal place, at a character start.
    if (end <= offset && end < line.end) return {end, endOf(k + 1)};
    return {PieceStart(line, k), end};
}

std::uint64_t ViewModel::CutRow(std::uint64_t start, std::uint64_t limit, const std::string& bytes, std::size_t at,
                                ViewRow* row) const {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::uint64_t offset = start;
    std::uint32_t used = 0;
    while (offset < limit && at < bytes.size()) {
        ShownChar ch = form_.Decode(offset, p + at, static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size() - at, limit - offset)));
        if (used > 0 && used + ch.cells > rowWidth_) break;  // a wide character that does not fit starts the next row
        ch.column = used;
        used += ch.cells;
        offset += ch.length;
        at += ch.length;
        if (row) row->chars.push_back(ch);
    }
    return offset;
}

ViewModel::RowSpan ViewModel::RowAround(std::uint64_t offset) const {
    const Line line = LineAt(offset);
    if (form_.OneByte() || offset >= line.end) {
        // One byte, one character, one cell: the rows are counted from the line's start.
        const std::uint64_t start = std::min(line.start, offset);
        const std::uint64_t rowStart = start + (offset - start) / rowWidth_ * rowWidth_;
        return {rowStart, std::max(rowStart, std::min(rowStart + rowWidth_, line.end)), line.index};
    }
    // The rows of the piece that holds offset, decoded from the piece's start.
    const auto [pieceStart, pieceEnd] = PieceAround(line, offset);
    const std::uint64_t want =
        std::min<std::uint64_t>(pieceEnd, offset + std::uint64_t{rowWidth_} * form_.MostBytesPerCell() + 8) - pieceStart;
    std::string bytes(static_cast<std::size_t>(want), '\0');
    // Bytes that can no longer be read (the file shrank) step as one-byte characters.
    bytes.resize(file_.ReadAt(pieceStart, bytes.data(), bytes.size()));
    bytes.resize(static_cast<std::size_t>(want), ' ');
    std::uint64_t rowStart = pieceStart;
    for (;;) {
        const std::uint64_t end = CutRow(rowStart, pieceEnd, bytes, static_cast<std::size_t>(rowStart - pieceStart), nullptr);
        if (end <= rowStart) return {rowStart, rowStart + 1, line.index};
        if (end > offset) return {rowStart, end, line.index};
        rowStart = end;
    }
}

void ViewModel::RowUp() {
    if (top_ == 0) return;
    const RowSpan row = RowAround(top_ - 1);
    top_ = row.start;
    topLine_ = row.line;
}

void ViewModel::RowDown() {
    const Line line = LineAt(top_);
    if (top_ < line.end) {
        const RowSpan row = RowAround(top_);
        if (row.end < line.end) {
            top_ = row.end;
            topLine_ = line.index;
            return;
        }
    }
    top_ = std::max(line.end, top_);
    topLine_ = line.index + 1 < cfg_.LineStarts.size() ? line.index + 1 : line.index;
}

void ViewModel::MoveRows(int rows, bool up) {
    for (int i = 0; i < rows; ++i) up ? RowUp() : RowDown();
}

std::uint32_t ViewModel::PositionOfTop() const {
    if (size_ == 0) return 0;
    std::uint64_t position = MulDiv(top_, kScrollRange, size_);
    if (position == 0 && top_ > 0) position = 1;
    if (position >= kScrollRange && top_ < size_) position = kScrollRange - 1;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(position, kScrollRange));
}

bool ViewModel::SetPositionFromTop() {
    const std::uint32_t position = PositionOfTop();
    const bool moved = position != position_;
    position_ = position;
    return moved;
}

bool ViewModel::Scroll(ScrollStep step, std::uint32_t thumb) {
    const std::uint64_t before = top_;
    const int page = std::max(1, rowsPerWindow_ - 2);
    switch (step) {
        case ScrollStep::LineUp: RowUp(); break;
        case ScrollStep::LineDown: RowDown(); break;
        case ScrollStep::PageUp: MoveRows(page, true); break;
        case ScrollStep::PageDown: MoveRows(page, false); break;
        case ScrollStep::Top: top_ = 0, topLine_ = 0; break;
        case ScrollStep::Bottom: thumb = kScrollRange; [[fallthrough]];
        case ScrollStep::Thumb:
            thumb = std::min(thumb, kScrollRange);
            if (thumb == 0) {
                top_ = 0, topLine_ = 0;
            } else if (thumb != position_ || step == ScrollStep::Bottom) {
                // The fraction of the file, then one row toward where the thumb went.
                const bool up = thumb < position_;
                top_ = MulDiv(size_, thumb, kScrollRange);
                topLine_ = LineOf(top_);
                up ? RowUp() : RowDown();
            }
            break;
    }
    const bool moved = SetPositionFromTop();
    return moved || top_ != before;
}

TSaveElemArray::const_iterator ViewModel::FirstHitFrom(std::uint64_t offset) const {
    return std::lower_bound(cfg_.Hits.begin(), cfg_.Hits.end(), offset,
                            [](const TSaveElem& hit, std::uint64_t at) { return hit.offset < at; });
}

bool ViewModel::NextHit() {
    const std::uint64_t savedTop = top_;
    const std::size_t savedLine = topLine_;
    RowDown();
    // The hits ascend by offset: the first that counts at or after the new top.
    const auto& hits = cfg_.Hits;
    const TSaveElem* best = nullptr;
    for (auto it = FirstHitFrom(top_); it != hits.end() && !best; ++it)
        if (Counts(*it)) best = &*it;
    if (!best || top_ == savedTop) {
        top_ = savedTop;
        topLine_ = savedLine;
        return false;
    }
    steppedHit_ = static_cast<std::size_t>(best - hits.data());
    top_ = best->offset + 1;
    RowUp();
    SetPositionFromTop();
    return true;
}

bool ViewModel::ShowHitAt(std::uint64_t offset) {
    const auto& hits = cfg_.Hits;
    const TSaveElem* best = nullptr;
    for (auto it = FirstHitFrom(offset); it != hits.end() && it->offset == offset && !best; ++it)
        if (Counts(*it)) best = &*it;
    if (!best) return false;
    steppedHit_ = static_cast<std::size_t>(best - hits.data());
    top_ = best->offset + 1;
    RowUp();
    SetPositionFromTop();
    return true;
}

bool ViewModel::PrevHit() {
    // The last that counts before the top: the greatest offset, the last of equal ones.
    const auto& hits = cfg_.Hits;
    const TSaveElem* best = nullptr;
    for (auto it = FirstHitFrom(top_); it != hits.begin() && !best;)
        if (Counts(*--it)) best = &*it;
    if (!best) return false;
    steppedHit_ = static_cast<std::size_t>(best - hits.data());
    top_ = best->offset + 1;
    RowUp();
    SetPositionFromTop();
    return true;
}

std::size_t ViewModel::LineForEdit() const {
    // What the window shows: from the top to the end of its last row, the
    // row the window cuts off at the bottom included.
    const std::vector<ViewRow> rows = ReadRows(rowsPerWindow_);
    const std::uint64_t shownEnd = rows.empty() ? top_ : rows.back().end;
    const auto& hits = cfg_.Hits;
    // A hit stepped to and then scrolled out of sight is no longer the one
    // the user is looking at.
    if (steppedHit_ < hits.size()) {
        const TSaveElem& hit = hits[steppedHit_];
        if (Counts(hit) && hit.offset >= top_ && hit.offset < shownEnd) return LineOf(hit.offset) + 1;
    }
    for (auto it = FirstHitFrom(top_); it != hits.end() && it->offset < shownEnd; ++it)
        if (Counts(*it)) return LineOf(it->offset) + 1;
    return topLine_ + 1;
}

void ViewModel::Realign() {
    if (wrap_) rowWidth_ = columns_;
    if (top_ != 0) {
        RowUp();
        RowDown();
    }
    SetPositionFromTop();
}

std::string ViewModel::Caption() const {
    return path_ + " (line:" + std::to_string(topLine_ + 1) + "/" + std::to_string(MulDiv(top_, 100, size_)) + "%)";
}

std::vector<ViewRow> ViewModel::ReadRows(int count) const {
    std::vector<ViewRow> rows;
    if (count <= 0) return rows;
    // Every row takes at most its width in cells, a line feed and a byte order mark.
    const std::size_t perRow = std::size_t{rowWidth_} * form_.MostBytesPerCell() + 4;
    std::string block(static_cast<std::size_t>(count) * perRow, '\0');
    block.resize(file_.ReadAt(top_, block.data(), block.size()));
    std::uint64_t start = top_;
    Line line = LineAt(top_);
    std::pair<std::uint64_t, std::uint64_t> piece = PieceAround(line, std::min(top_, std::max(line.start, line.end - 1)));
    for (int r = 0; r < count; ++r) {
        if (start >= line.end && line.index + 1 < cfg_.LineStarts.size()) line = LineAt(start);
        if (start >= piece.second && start < line.end) piece = PieceAround(line, start);
        ViewRow row;
        row.start = start;
        row.end = CutRow(start, std::min(line.end, piece.second), block, static_cast<std::size_t>(start - top_), &row);
        // The text: no line feed, and a closing carriage return dropped.
        std::size_t shown = row.chars.size();
        if (shown > 0 && row.chars[shown - 1].LineFeed()) --shown;
        if (shown > 0 && row.chars[shown - 1].c == '\r') --shown;
        for (std::size_t i = 0; i < shown; ++i)
            if (row.chars[i].cells != 0) AppendUtf8(row.text, row.chars[i].Drawn());
        start = row.end;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::uint32_t ViewModel::HitLength(const TSaveElem& hit) const {
    // A record written before hits kept their length: the term's length.
    return hit.length != 0 ? hit.length : TermLength(hit.word);
}

std::vector<HitMark> ViewModel::MarksFor(const ViewRow& row) const {
    std::vector<HitMark> marks;
    // A hit that starts before the row may still reach into it.
    const std::uint64_t from = row.start > longestHit_ ? row.start - longestHit_ : 0;
    for (auto it = FirstHitFrom(from); it != cfg_.Hits.end() && it->offset < row.end; ++it) {
        if (!Counts(*it)) continue;
        const std::uint64_t hitEnd = it->offset + HitLength(*it);
        if (hitEnd <= row.start) continue;
        // Every character whose bytes overlap the hit's, in whichever reading found it.
        std::size_t first = 0, end = 0;
        for (const ShownChar& ch : row.chars) {
            if (ch.cells == 0 || ch.offset >= hitEnd || ch.offset + ch.length <= it->offset) continue;
            if (end == 0) first = ch.column;
            end = ch.column + ch.cells;
        }
        // Several readings may have found the same occurrence: it is marked once.
        const HitMark mark{first, end - first};
        if (end > first && std::none_of(marks.begin(), marks.end(), [&](const HitMark& m) {
                return m.column == mark.column && m.length == mark.length;
            }))
            marks.push_back(mark);
    }
    return marks;
}

void ViewModel::Select(std::uint64_t anchor, std::uint64_t end) {
    // Whole characters: both ends at character starts.
    auto snap = [this](std::uint64_t at) { return at >= size_ ? size_ : form_.CharStartAtOrBefore(file_, at); };
    anchor_ = snap(anchor);
    end_ = snap(end);
}

std::vector<SelectionSpan> ViewModel::SelectionSpans(int rows) const {
    std::vector<SelectionSpan> spans;
    const std::uint64_t from = std::min(anchor_, end_), to = std::max(anchor_, end_);
    if (from == to) return spans;
    const std::vector<ViewRow> shown = ReadRows(rows);
    for (std::size_t r = 0; r < shown.size() && shown[r].start < to; ++r) {
        std::uint64_t first = 0, end = 0;
        for (const ShownChar& ch : shown[r].chars) {
            if (ch.cells == 0 || ch.offset >= to || ch.offset + ch.length <= from) continue;
            if (end == 0) first = ch.column;
            end = ch.column + ch.cells;
        }
        if (end > first) spans.push_back({static_cast<int>(r), first, end});
    }
    return spans;
}

std::uint64_t ViewModel::OffsetAt(std::uint64_t column, int row) const {
    const std::vector<ViewRow> rows = ReadRows(std::max(row, 0) + 1);
    std::size_t at = 0;
    while (at < rows.size() - 1 && rows[at].end < size_) ++at;  // the walk stays in the file's last line
    const ViewRow& chosen = rows[at];
    for (const ShownChar& ch : chosen.chars)
        if (ch.LineFeed() || (ch.cells == 0 ? column <= ch.column : column < ch.column + ch.cells))
            return std::min(ch.offset, size_);
    // Past the end of the row's text: a click past a line selects to its end.
    return std::min(chosen.end, size_);
}

std::string ViewModel::SelectedBytes() const {
    const std::uint64_t from = std::min(anchor_, end_), to = std::max(anchor_, end_);
    std::string bytes(static_cast<std::size_t>(to - from), '\0');
    bytes.resize(file_.ReadAt(from, bytes.data(), bytes.size()));
    return bytes;
}

std::string ViewModel::SelectedText() const {
    return form_.Text(std::min(anchor_, end_), SelectedBytes());
}

}  // namespace quarvel
