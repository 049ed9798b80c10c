// Inputs the fuzz targets (fuzz/) once failed on, each as the target's
// property over the input, inlined.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "query/tstr.h"
#include "viewer/view_model.h"

namespace quarvel {
namespace {

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

// The viewer's record for a text: one found file and the line starts the scan makes.
TSearchCFG ViewerRecord(const std::string& text) {
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

// Every row start of the text cut at the width, and the file size.
std::vector<std::uint64_t> RowStarts(const std::string& text, std::uint64_t width) {
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

bool AtRowStart(const ViewModel& model, const std::string& text) {
    const std::vector<std::uint64_t> starts = RowStarts(text, model.RowWidth());
    return std::binary_search(starts.begin(), starts.end(), model.TopOffset());
}

// Wrap turned off (F2) while the top stood on the second row of a wrapped
// line: the top keeps its place, and the next step lands on a row start of
// the new width.
TEST(FuzzRegression, AfterAWrapToggleTheNextStepLandsOnARowStartOfTheNewWidth) {
    const std::string text = "ab \ncd";
    TSearchCFG cfg = ViewerRecord(text);
    std::string expression = "alpha|be";
    Tstr query(expression, cfg);
    TextSource file(text);
    ViewModel model(cfg, &query, file);
    model.SetWindowSize(1, 16);
    model.SetWrap(true);
    model.RowDown();
    ASSERT_EQ(model.TopOffset(), 1u);
    model.SetWrap(false);
    EXPECT_EQ(model.TopOffset(), 1u);  // not at once
    model.Scroll(ScrollStep::LineUp);
    EXPECT_TRUE(AtRowStart(model, text)) << "top " << model.TopOffset();
    model.SetWrap(true);
    model.Scroll(ScrollStep::LineDown);
    EXPECT_TRUE(AtRowStart(model, text)) << "top " << model.TopOffset();

    // Turning wrap on from the second unwrapped row of a long line: a resize re-aligns.
    const std::string longLine = std::string(2500, 'x') + "\nend";
    TSearchCFG longCfg = ViewerRecord(longLine);
    TextSource longFile(longLine);
    ViewModel wide(longCfg, &query, longFile);
    wide.SetWindowSize(7, 10);
    wide.RowDown();
    ASSERT_EQ(wide.TopOffset(), 1000u);
    wide.SetWrap(true);
    wide.Realign();
    EXPECT_TRUE(AtRowStart(wide, longLine)) << "top " << wide.TopOffset();
}

}  // namespace
}  // namespace quarvel
