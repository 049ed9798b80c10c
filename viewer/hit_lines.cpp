#include "viewer/hit_lines.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/unicode_text.h"
#include "viewer/view_reading.h"

namespace quarvel {

namespace {

constexpr const char* kEllipsis = "\xE2\x80\xA6";

// The readings that found a line's hits.
std::uint32_t ReadingsOf(const TSaveElem* first, const TSaveElem* last) {
    std::uint32_t readings = 0;
    for (const TSaveElem* h = first; h != last; ++h) readings |= h->reading;
    return readings;
}

// The one-byte reading of a set that a line falls back to: ANSI before OEM.
ShownReading OneByteOf(std::uint32_t readings) {
    if (readings & kReadingAnsi) return ShownReading::kAnsi;
    if (readings & kReadingOem) return ShownReading::kOem;
    return ShownReading::kUnicode;
}

struct Span {
    std::uint64_t from = 0, to = 0;
};

// Where a line's text ends: before the line feed that closes it, and a
// carriage return before that.
std::uint64_t TextEnd(ByteSource& file, const ShownForm& form, std::uint64_t start, std::uint64_t end) {
    for (char32_t closer : {U'\n', U'\r'}) {
        if (end <= start) break;
        const std::uint64_t at = std::max(start, form.CharStartAtOrBefore(file, end - 1));
        std::uint8_t bytes[4];
        const std::size_t got = file.ReadAt(at, reinterpret_cast<char*>(bytes), std::min<std::uint64_t>(4, end - at));
        if (got == 0 || form.Decode(at, bytes, got).c != closer) break;
        end = at;
    }
    return end;
}

// Builds one line's shown text from pieces of it, each decoded and marked.
class LineText {
public:
    LineText(ByteSource& file, const ShownForm& form, const std::vector<Span>& hits, std::uint64_t start,
             std::uint64_t textEnd, HitLine& out)
        : file_(file), form_(form), hits_(hits), start_(start), textEnd_(textEnd), out_(out) {}

    // The characters that start in [from, to) of the line's text; with keep,
    // only those at most keep characters before the piece's first hit and
    // after its last.
    // At most budget characters are shown in all.
    void Piece(std::uint64_t from, std::uint64_t to, std::optional<std::size_t> keep,
               std::size_t budget = SIZE_MAX) {
        to = std::min(to, textEnd_);
        if (from >= to) return;
        std::string bytes(static_cast<std::size_t>(to - from), '\0');
        bytes.resize(file_.ReadAt(from, bytes.data(), bytes.size()));
        std::vector<ShownChar> chars;
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
        for (std::size_t at = 0; at < bytes.size();) {
            chars.push_back(form_.Decode(from + at, p + at, bytes.size() - at));
            at += chars.back().length;
        }
        std::size_t first = 0, last = chars.size();
        if (keep) {
            std::size_t firstHit = chars.size(), lastHit = 0;
            for (std::size_t i = 0, cursor = Seek(from); i < chars.size(); ++i)
                if (Marked(chars[i], cursor)) {
                    firstHit = std::min(firstHit, i);
                    lastHit = i + 1;
                }
            if (firstHit < chars.size()) {
                first = firstHit - std::min(firstHit, *keep);
                last = std::min(chars.size(), lastHit + *keep);
            }
        }
        if (count_ >= budget) return;
        last = std::min(last, first + (budget - count_));
        if (first >= last) return;
        // A gap before the piece, from the line's start or the piece before, is shown cut.
        if (chars[first].offset != (count_ == 0 ? start_ : shownEnd_)) Ellipsis();
        for (std::size_t i = first, cursor = Seek(chars[first].offset); i < last; ++i) Append(chars[i], cursor);
        shownEnd_ = chars[last - 1].offset + chars[last - 1].length;
    }
    // A line whose text goes on past what was shown ends cut.
    void Finish() {
        if (shownEnd_ < textEnd_) Ellipsis();
    }

    std::size_t Characters() const { return count_; }

private:
    // Whether a hit covers part of c; characters are asked in ascending
    // order from a cursor set by Seek.
    std::size_t Seek(std::uint64_t offset) const {
        return static_cast<std::size_t>(
            std::partition_point(hits_.begin(), hits_.end(), [&](const Span& h) { return h.to <= offset; }) -
            hits_.begin());
    }
    bool Marked(const ShownChar& c, std::size_t& cursor) const {
        while (cursor < hits_.size() && hits_[cursor].to <= c.offset) ++cursor;
        return cursor < hits_.size() && hits_[cursor].from < c.offset + c.length;
    }
    void Ellipsis() {
        out_.text += kEllipsis;
        ++count_;
    }
    void Append(const ShownChar& c, std::size_t& cursor) {
        if (c.cells == 0) return;  // a byte order mark
        if (Marked(c, cursor)) {
            if (!out_.marks.empty() && out_.marks.back().from + out_.marks.back().length == count_)
                ++out_.marks.back().length;
            else
                out_.marks.push_back({count_, 1});
        }
        AppendUtf8(out_.text, c.Drawn());
        ++count_;
    }

    ByteSource& file_;
    const ShownForm& form_;
    const std::vector<Span>& hits_;
    const std::uint64_t start_, textEnd_;
    HitLine& out_;
    std::size_t count_ = 0;
    std::uint64_t shownEnd_ = 0;
};

// The line shown in one reading.
HitLine ShowLineIn(ByteSource& file, const ShownForm& form, const FileScan& scan, std::size_t line,
                   const TSaveElem* first, const TSaveElem* last, const HitLinesLayout& layout) {
    HitLine out;
    out.line = line + 1;
    out.firstHit = first->offset;
    const std::uint64_t start = scan.lineStarts[line];
    const std::uint64_t end = line + 1 < scan.lineStarts.size() ? scan.lineStarts[line + 1] : scan.end;
    std::vector<Span> hits;
    for (const TSaveElem* h = first; h != last; ++h) {
        const Span span{h->offset, h->offset + h->length};
        if (!hits.empty() && span.from <= hits.back().to)
            hits.back().to = std::max(hits.back().to, span.to);
        else
            hits.push_back(span);
    }
    const std::uint64_t textEnd = TextEnd(file, form, start, end);
    LineText text(file, form, hits, start, textEnd, out);
    if (layout.width == kNoCut || end - start <= layout.width) {
        text.Piece(start, end, std::nullopt);
        text.Finish();
        return out;
    }
    // Around each run of hits, enough bytes for the context's characters;
    // runs whose surroundings meet share one piece. Once the text is as long
    // as the width, the hits after are left out.
    const std::uint64_t reach = layout.context * form.MostBytesPerCell() + 4;
    const std::uint64_t most = (layout.width + layout.context) * form.MostBytesPerCell();
    const std::size_t budget = layout.width + layout.context;
    std::uint64_t taken = start;  // pieces never overlap
    for (std::size_t i = 0; i < hits.size() && text.Characters() < layout.width;) {
        std::uint64_t from = std::max(taken, hits[i].from > start + reach ? hits[i].from - reach : start);
        std::uint64_t to = std::min(end, hits[i].to + reach);
        for (++i; i < hits.size() && hits[i].from <= to + reach && to - from < most; ++i)
            to = std::min(end, hits[i].to + reach);
        if (from > start) from = form.CharStartAtOrAfter(file, from);
        text.Piece(from, to, layout.context, budget);
        taken = to;
    }
    text.Finish();
    return out;
}

// Whether the bytes of [from, to) read as Unicode text in the file's form,
// judged on the first MiB of a longer line.
bool ReadsAsUnicode(ByteSource& file, const FileForm& fileForm, std::uint64_t from, std::uint64_t to) {
    constexpr std::uint64_t kJudged = 1u << 20;
    std::string bytes(static_cast<std::size_t>(std::min(to - std::min(from, to), kJudged)), '\0');
    bytes.resize(file.ReadAt(from, bytes.data(), bytes.size()));
    const ShownForm form(ShownReading::kUnicode, fileForm);
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t at = 0; at < bytes.size();) {
        const ShownChar c = form.Decode(from + at, p + at, bytes.size() - at);
        // A character cut by the judged part's end is no fault of the line.
        if (c.c == kInvalidChar) return bytes.size() < kJudged || at + 4 < bytes.size() ? false : true;
        at += c.length;
    }
    return true;
}

// A line is shown in Unicode when that found its hits and reads it as
// characters; where its bytes form no Unicode text (an ASCII term found in a
// Windows-1252 line), in the one-byte reading that found them too.
HitLine ShowLine(ByteSource& file, const FileForm& fileForm, const FileScan& scan, std::size_t line,
                 const TSaveElem* first, const TSaveElem* last, const HitLinesLayout& layout) {
    const std::uint32_t readings = ReadingsOf(first, last);
    ShownReading reading = OneByteOf(readings);
    if (readings & kReadingUnicode) {
        const std::uint64_t start = scan.lineStarts[line];
        const std::uint64_t end = line + 1 < scan.lineStarts.size() ? scan.lineStarts[line + 1] : scan.end;
        if (reading == ShownReading::kUnicode || ReadsAsUnicode(file, fileForm, start, end))
            reading = ShownReading::kUnicode;
    }
    return ShowLineIn(file, ShownForm(reading, fileForm), scan, line, first, last, layout);
}

}  // namespace

HitLines ReadHitLines(ByteSource& file, const FileScan& scan, const HitLinesLayout& layout) {
    HitLines result;
    if (scan.lineStarts.empty()) return result;
    std::uint8_t head[4] = {};
    const FileForm form = DetectForm(head, file.ReadAt(0, reinterpret_cast<char*>(head), sizeof head));
    const TSaveElemArray& hits = scan.hits;
    std::vector<TSaveElem> lineHits;
    for (std::size_t i = 0; i < hits.size();) {
        if (hits[i].satisfied == 0) {
            ++i;
            continue;
        }
        const auto above = std::upper_bound(scan.lineStarts.begin(), scan.lineStarts.end(), hits[i].offset);
        const auto line = static_cast<std::size_t>(above - scan.lineStarts.begin() - 1);
        const std::uint64_t next = above == scan.lineStarts.end() ? UINT64_MAX : *above;
        lineHits.clear();
        for (; i < hits.size() && hits[i].offset < next; ++i)
            if (hits[i].satisfied != 0) lineHits.push_back(hits[i]);
        if (result.lines.size() >= layout.cap) {
            ++result.more;
            continue;
        }
        result.lines.push_back(
            ShowLine(file, form, scan, line, lineHits.data(), lineHits.data() + lineHits.size(), layout));
    }
    return result;
}

}  // namespace quarvel
