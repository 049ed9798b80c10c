#include "viewer/view_reading.h"

#include <algorithm>

#include "platform/unicode_text.h"

namespace quarvel {

namespace {

constexpr char32_t kByteOrderMark = 0xFEFF;
constexpr char32_t kReplacement = 0xFFFD;

bool Continuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }

}  // namespace

bool AutoShowsUnicode(const std::uint8_t* sample, std::size_t n, bool wholeFile) {
    if (DetectForm(sample, n).textStart > 0) return true;
    for (std::size_t i = 0; i < n;) {
        char32_t c;
        const std::size_t length = DecodeUtf8At(sample + i, n - i, c);
        if (c == kInvalidChar) {
            // Only the sample's end may cut a character, and only when the file goes on.
            const bool cut = i + length == n && sample[i] >= 0xC2 && sample[i] <= 0xF4;
            return cut && !wholeFile;
        }
        i += length;
    }
    return true;
}

char32_t ShownChar::Drawn() const {
    if (c == kInvalidChar) return kReplacement;
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return ' ';
    return c;
}

ShownForm::ShownForm(ShownReading shown, FileForm file) : shown_(shown), file_(file) {
    if (shown_ == ShownReading::kAuto) shown_ = ShownReading::kAnsi;
}

ShownChar ShownForm::Decode(std::uint64_t offset, const std::uint8_t* p, std::size_t n) const {
    ShownChar ch;
    ch.offset = offset;
    if (shown_ == ShownReading::kAnsi || shown_ == ShownReading::kOem) {
        ch.c = (shown_ == ShownReading::kOem ? kOemReading : kAnsiReading).charOf(p[0]);
        return ch;
    }
    ch.length = static_cast<std::uint32_t>(DecodeIn(file_.form, p, n, ch.c));
    if (ch.c == kByteOrderMark && offset == 0 && file_.textStart > 0)
        ch.cells = 0;  // the mark says how the text is written; it is no text
    else if (IsWideChar(ch.c))
        ch.cells = 2;
    return ch;
}

std::uint64_t ShownForm::CharStartAtOrBefore(ByteSource& file, std::uint64_t offset) const {
    if (OneByte() || offset == 0) return offset;
    std::uint8_t bytes[8];
    if (file_.Utf16()) {
        if (offset < file_.textStart) return 0;
        // Characters are two bytes from the mark on, or four for a surrogate pair.
        const std::uint64_t even = offset - ((offset - file_.textStart) & 1);
        if (even < file_.textStart + 2) return even;
        if (file.ReadAt(even - 2, reinterpret_cast<char*>(bytes), 4) < 4) return even;
        const bool big = file_.form == TextForm::kUtf16Be;
        auto unit = [&](int at) { return big ? bytes[at] << 8 | bytes[at + 1] : bytes[at + 1] << 8 | bytes[at]; };
        const bool high = unit(0) >= 0xD800 && unit(0) <= 0xDBFF, low = unit(2) >= 0xDC00 && unit(2) <= 0xDFFF;
        return high && low ? even - 2 : even;
    }
    // UTF-8: a character takes at most four bytes. Decoding from the last byte
    // before that is no continuation byte keeps step with decoding from the
    // file's start; with none there, the byte starts its own character.
    const std::uint64_t from = offset >= 3 ? offset - 3 : 0;
    const std::size_t got = file.ReadAt(from, reinterpret_cast<char*>(bytes), static_cast<std::size_t>(offset - from) + 1);
    if (got <= offset - from) return offset;
    std::size_t lead = offset - from + 1;
    while (lead > 0 && Continuation(bytes[lead - 1])) --lead;
    if (lead == 0) return offset;
    std::size_t at = lead - 1;
    for (;;) {
        char32_t c;
        const std::size_t length = DecodeUtf8At(bytes + at, got - at, c);
        if (from + at + length > offset) return from + at;
        at += length;
    }
}

std::uint64_t ShownForm::CharStartAtOrAfter(ByteSource& file, std::uint64_t offset) const {
    const std::uint64_t start = CharStartAtOrBefore(file, offset);
    if (start == offset) return offset;
    std::uint8_t bytes[4];
    const std::size_t got = file.ReadAt(start, reinterpret_cast<char*>(bytes), 4);
    if (got == 0) return offset;
    char32_t c;
    return std::max(offset, start + DecodeIn(file_.Utf16() ? file_.form : TextForm::kUtf8, bytes, got, c));
}

std::string ShownForm::Text(std::uint64_t offset, const std::string& bytes) const {
    std::string text;
    text.reserve(bytes.size());
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t at = 0; at < bytes.size();) {
        const ShownChar ch = Decode(offset + at, p + at, bytes.size() - at);
        if (ch.cells != 0) AppendUtf8(text, ch.c == kInvalidChar ? kReplacement : ch.c);
        at += ch.length;
    }
    return text;
}

}  // namespace quarvel
