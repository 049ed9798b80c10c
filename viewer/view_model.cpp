#include "viewer/view_model.h"

#include <algorithm>

#include "platform/codepage.h"

namespace quarvel {

namespace {

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
}

std::uint64_t ViewModel::LineStart(std::size_t line) const {
    return line < cfg_.LineStarts.size() ? cfg_.LineStarts[line] : 0;
}

std::uint64_t ViewModel::LineEnd(std::size_t line) const {
    return line + 1 < cfg_.LineStarts.size() ? cfg_.LineStarts[line + 1] : std::max(size_, LineStart(line));
}

std::size_t ViewModel::LineOf(std::uint64_t offset) const {
    const auto& starts = cfg_.LineStarts;
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    return after == starts.begin() ? 0 : static_cast<std::size_t>(after - starts.begin() - 1);
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

void ViewModel::RowUp() {
    if (top_ == 0) return;
    const auto& starts = cfg_.LineStarts;
    // The last line that starts below the top.
    const auto below = std::lower_bound(starts.begin(), starts.end(), top_);
    const std::size_t line = below == starts.begin() ? 0 : static_cast<std::size_t>(below - starts.begin() - 1);
    const std::uint64_t start = std::min(LineStart(line), top_ - 1);
    top_ = start + (top_ - 1 - start) / rowWidth_ * rowWidth_;
    topLine_ = line;
}

void ViewModel::RowDown() {
    const std::size_t line = LineOf(top_);
    const std::uint64_t start = std::min(LineStart(line), top_);
    const std::uint64_t next = start + ((top_ - start) / rowWidth_ + 1) * rowWidth_;
    const std::uint64_t end = LineEnd(line);
    if (next < end) {
        top_ = next;
        topLine_ = line;
    } else {
        top_ = std::max(end, top_);
        topLine_ = line + 1 < cfg_.LineStarts.size() ? line + 1 : line;
    }
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
    top_ = best->offset + 1;
    RowUp();
    SetPositionFromTop();
    return true;
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
    // Every row takes at most its width and a line feed.
    std::string block(static_cast<std::size_t>(count) * (rowWidth_ + 1), '\0');
    block.resize(file_.ReadAt(top_, block.data(), block.size()));
    std::size_t at = 0;
    for (int r = 0; r < count; ++r) {
        ViewRow row;
        row.start = top_ + at;
        char last = 0;
        while (row.text.size() < rowWidth_ && at < block.size()) {
            const char byte = block[at++];
            if (byte == '\n') break;  // a line feed ends the row and is not shown
            last = byte;
            row.text.push_back(static_cast<unsigned char>(byte) < 0x20 ? ' ' : byte);
        }
        if (last == '\r' && !row.text.empty()) row.text.pop_back();
        row.end = top_ + at;
        if (oem_)
            for (char& c : row.text) c = static_cast<char>(kOemToAnsi[static_cast<unsigned char>(c)]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<HitMark> ViewModel::MarksFor(const ViewRow& row) const {
    std::vector<HitMark> marks;
    const auto& hits = cfg_.Hits;
    if (hits.empty()) return marks;
    // The first hit to look at, by bisection over the offsets.
    std::size_t low = 0, high = hits.size() - 1, half;
    do {
        half = (high - low) / 2;
        const std::size_t mid = low + half;
        if (row.start < hits[mid].offset)
            high = mid;
        else
            low = mid;
    } while (half != 0);
    for (std::size_t i = low; i < hits.size() && hits[i].offset < row.end; ++i) {
        const TSaveElem& hit = hits[i];
        if (!Counts(hit)) continue;
        const std::uint64_t length = TermLength(hit.word), hitEnd = hit.offset + length;
        if (hit.offset >= row.start)
            marks.push_back({static_cast<std::size_t>(hit.offset - row.start),
                             static_cast<std::size_t>(std::min(row.end - hit.offset, length))});
        else if (hitEnd >= row.start && hitEnd < row.end)
            marks.push_back({0, static_cast<std::size_t>(hitEnd - row.start)});
        else if (hitEnd >= row.end)
            marks.push_back({0, static_cast<std::size_t>(row.end - row.start)});
    }
    return marks;
}

void ViewModel::Select(std::uint64_t anchor, std::uint64_t end) {
    anchor_ = std::min(anchor, size_);
    end_ = std::min(end, size_);
}

std::vector<SelectionSpan> ViewModel::SelectionSpans(int rows) const {
    std::vector<SelectionSpan> spans;
    const std::uint64_t from = std::min(anchor_, end_), to = std::max(anchor_, end_);
    std::uint64_t start = top_;
    std::size_t line = LineOf(top_);
    for (int r = 0; r < rows && start < to && start < size_; ++r) {
        const std::uint64_t lineEnd = LineEnd(line);
        const std::uint64_t end = std::min(start + rowWidth_, lineEnd);
        if (end > from) {
            const std::uint64_t first = from > start ? from - start : 0;
            const std::uint64_t last = end - start - (end > to ? end - to : 0);
            if (last > first) spans.push_back({r, first, last});
        }
        if (end <= start) break;
        start = end;
        if (start >= lineEnd) ++line;
    }
    return spans;
}

std::uint64_t ViewModel::OffsetAt(std::uint64_t column, int row) const {
    std::uint64_t start = top_;
    std::size_t line = LineOf(top_);
    for (int r = 0; r < row; ++r) {
        const std::uint64_t lineEnd = LineEnd(line);
        const std::uint64_t end = std::min(start + rowWidth_, lineEnd);
        if (end >= size_) break;  // the walk stays in the file's last line
        start = end;
        if (start >= lineEnd) ++line;
    }
    // Up to the end of the line's text: a click past it selects to the line's end.
    const bool endsWithLineFeed = line + 1 < cfg_.LineStarts.size();
    const std::uint64_t textEnd = std::max(start, LineEnd(line) - (endsWithLineFeed ? 1 : 0));
    return std::min(start + std::min(column, textEnd - start), size_);
}

std::string ViewModel::SelectedBytes() const {
    const std::uint64_t from = std::min(anchor_, end_), to = std::max(anchor_, end_);
    std::string bytes(static_cast<std::size_t>(to - from), '\0');
    bytes.resize(file_.ReadAt(from, bytes.data(), bytes.size()));
    return bytes;
}

}  // namespace quarvel
