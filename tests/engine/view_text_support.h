#pragma once
// What the viewer's tests and its fuzz target share: a file held in memory,
// the viewer's record for a text, and the plain account of its rows.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/reading.h"
#include "platform/unicode_text.h"
#include "settings/search_cfg.h"
#include "viewer/view_file.h"

namespace quarvel {

// The file's bytes in memory, read as the viewer reads its file.
class TextSource : public ByteSource {
public:
    explicit TextSource(std::string text) : text_(std::move(text)) {}
    std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t count) override {
        if (offset >= text_.size()) return 0;
        const std::size_t n = std::min<std::size_t>(count, text_.size() - offset);
        text_.copy(into, n, offset);
        return n;
    }
    std::string text_;
};

// The viewer's record for a text: one found file, /data/f.txt, and the line
// starts the scan makes (0, then one after every line feed: in a UTF-16 text
// read as Unicode, after every line feed character).
inline TSearchCFG ViewerRecord(const std::string& text, bool utf16Lines = false) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    TSaveFile found;
    found.folder = "/data";
    found.name = "f.txt";
    found.size = text.size();
    cfg.FoundFiles.push_back(found);
    cfg.LineStarts.push_back(0);
    const bool big = text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFE;
    if (utf16Lines) {
        for (std::size_t i = 2; i + 1 < text.size(); i += 2)
            if (text[i + (big ? 1 : 0)] == '\n' && text[i + (big ? 0 : 1)] == 0) cfg.LineStarts.push_back(i + 2);
        return cfg;
    }
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') cfg.LineStarts.push_back(i + 1);
    return cfg;
}

// The plain account of a text's characters and rows in one reading: the text
// decoded once from its start, cut into lines after each line feed character
// and each line into rows of whole characters, greedily, by cells.
struct PlainLayout {
    struct Char {
        std::uint64_t offset = 0, length = 1;
        char32_t c = 0;
        std::uint32_t cells = 1;
    };
    std::vector<Char> chars;
    std::vector<std::size_t> rowFirst;  // index of each row's first character
    std::vector<std::uint64_t> rowStarts;  // and its offset; the text's size last

    // unicode: UTF-8, or UTF-16 after its mark; else one byte a character.
    PlainLayout(const std::string& text, bool unicode, std::uint32_t width) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
        const FileForm form = DetectForm(p, text.size());
        for (std::size_t at = 0; at < text.size();) {
            Char ch;
            ch.offset = at;
            if (unicode) {
                ch.length = DecodeIn(form.form, p + at, text.size() - at, ch.c);
                ch.cells = at == 0 && form.textStart > 0 ? 0 : IsWideChar(ch.c) ? 2 : 1;
            } else {
                ch.c = p[at];
            }
            at += ch.length;
            chars.push_back(ch);
        }
        std::uint32_t used = 0;
        bool lineEnded = true;
        for (std::size_t i = 0; i < chars.size(); ++i) {
            if (lineEnded || (used > 0 && used + chars[i].cells > width)) {
                rowFirst.push_back(i);
                used = 0;
            }
            used += chars[i].cells;
            lineEnded = chars[i].c == '\n';
        }
        for (std::size_t first : rowFirst) rowStarts.push_back(chars[first].offset);
        if (rowStarts.empty() || lineEnded) rowStarts.push_back(text.size());
        if (rowStarts.back() != text.size()) rowStarts.push_back(text.size());
    }
    // The characters whose bytes overlap [from, to).
    std::vector<Char> Overlapping(std::uint64_t from, std::uint64_t to) const {
        std::vector<Char> out;
        for (const Char& ch : chars)
            if (ch.offset < to && ch.offset + ch.length > from) out.push_back(ch);
        return out;
    }
    // The start of the character that holds offset (the size past the end).
    std::uint64_t CharStart(std::uint64_t offset) const {
        for (const Char& ch : chars)
            if (offset < ch.offset + ch.length) return ch.offset;
        return chars.empty() ? 0 : chars.back().offset + chars.back().length;
    }
};

// Every row start of a text cut at a row width, line by line, and the file size last.
inline std::vector<std::uint64_t> RowStarts(const std::string& text, std::uint64_t width) {
    std::vector<std::uint64_t> starts;
    std::uint64_t line = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', line);
        const std::uint64_t end = lf == std::string::npos ? text.size() : lf + 1;
        for (std::uint64_t row = line; row < end; row += width) starts.push_back(row);
        if (lf == std::string::npos) break;
        line = end;
    }
    if (starts.empty() || starts.back() != text.size()) starts.push_back(text.size());
    return starts;
}

// The row start at or before an offset.
inline std::uint64_t RowOf(const std::vector<std::uint64_t>& starts, std::uint64_t offset) {
    return *(std::upper_bound(starts.begin(), starts.end(), offset) - 1);
}

}  // namespace quarvel
