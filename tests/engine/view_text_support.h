#pragma once
// What the viewer's tests and its fuzz target share: a file held in memory,
// the viewer's record for a text, and the plain account of its rows.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

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
// starts the scan makes (0, then one after every line feed).
inline TSearchCFG ViewerRecord(const std::string& text) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    TSaveFile found;
    found.folder = "/data";
    found.name = "f.txt";
    found.size = text.size();
    cfg.FoundFiles.push_back(found);
    cfg.LineStarts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') cfg.LineStarts.push_back(i + 1);
    return cfg;
}

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
