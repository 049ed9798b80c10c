// The viewer's text model on random file bytes, window sizes, toggles and
// sequences of steps. After every step: the top lies at a row start of the
// current row width (or at the file size), Next and Prev stop at the hit the
// linear rule over the whole hit list chooses, the selection lies within the
// file, and rows, marks and selection spans stay inside their rows.
#include <algorithm>
#include <memory>

#include "fuzz_support.h"
#include "query/tstr.h"
#include "tests/engine/view_text_support.h"
#include "viewer/view_model.h"

using namespace quarvel;

namespace {

struct Checker {
    const std::string& text;
    const TSearchCFG& cfg;
    ViewModel& model;

    std::vector<std::uint64_t> Starts() const {
        FUZZ_CHECK(model.RowWidth() >= 1);
        FUZZ_CHECK(model.Wrap() || model.RowWidth() == kUnwrappedRowWidth);
        return RowStarts(text, model.RowWidth());
    }

    // A wrap toggle leaves the top where it stood, at a row start of the
    // width before; the next step takes it to a row start of the new width.
    std::uint64_t toggledTop = ~0ull;
    std::uint32_t toggledWidth = 0;

    void Toggled(std::uint32_t widthBefore) {
        if (toggledTop != model.TopOffset()) toggledWidth = widthBefore;
        toggledTop = model.TopOffset();
    }

    void Check() {
        const std::vector<std::uint64_t> starts = Starts();
        const std::uint64_t top = model.TopOffset();
        if (top == toggledTop) {
            const std::vector<std::uint64_t> before = RowStarts(text, toggledWidth);
            FUZZ_CHECK(std::binary_search(starts.begin(), starts.end(), top) ||
                       std::binary_search(before.begin(), before.end(), top));
        } else {
            toggledTop = ~0ull;
            FUZZ_CHECK(std::binary_search(starts.begin(), starts.end(), top));
        }
        FUZZ_CHECK(model.TopLine() == static_cast<std::size_t>(std::count(text.begin(), text.begin() + top, '\n')));
        FUZZ_CHECK(model.ScrollPosition() <= kScrollRange);
        FUZZ_CHECK(model.Anchor() <= text.size() && model.SelectionEnd() <= text.size());
        (void)model.Caption();
    }

    void CheckRows(int count) const {
        const std::vector<std::uint64_t> starts = Starts();
        auto at = std::lower_bound(starts.begin(), starts.end(), model.TopOffset());
        // Right after a wrap toggle the top may stand inside a row of the new width.
        const bool aligned = at != starts.end() && *at == model.TopOffset();
        const std::vector<ViewRow> rows = model.ReadRows(count);
        FUZZ_CHECK(rows.size() <= static_cast<std::size_t>(std::max(count, 0)));
        for (const ViewRow& row : rows) {
            FUZZ_CHECK(row.start <= row.end && row.end <= text.size());
            FUZZ_CHECK(row.Cells() <= model.RowWidth());
            if (aligned && row.start < text.size()) {
                FUZZ_CHECK(at != starts.end() && *at == row.start);
                ++at;
            }
            for (const HitMark& mark : model.MarksFor(row)) {
                FUZZ_CHECK(mark.column + mark.length <= row.end - row.start);
            }
        }
        std::uint64_t covered = 0;
        int lastRow = -1;
        for (const SelectionSpan& span : model.SelectionSpans(count)) {
            FUZZ_CHECK(span.row >= 0 && span.row < count && span.row > lastRow);
            lastRow = span.row;
            FUZZ_CHECK(span.first < span.end && span.end <= model.RowWidth());
            covered += span.end - span.first;
        }
        const std::uint64_t a = model.Anchor(), b = model.SelectionEnd();
        FUZZ_CHECK(covered <= std::max(a, b) - std::min(a, b));
    }

    // Next or Prev against the linear rule over the whole list.
    void Step(bool next) const {
        const std::vector<std::uint64_t> starts = Starts();
        const std::uint64_t top = model.TopOffset();
        const auto after = std::upper_bound(starts.begin(), starts.end(), top);
        const std::uint64_t from = next ? (after == starts.end() ? top : *after) : top;
        const TSaveElem* chosen = nullptr;
        for (const TSaveElem& hit : cfg.Hits) {
            if (!model.AllWords() && !hit.satisfied) continue;
            if (next ? hit.offset >= from && (!chosen || hit.offset < chosen->offset)
                     : hit.offset < top && (!chosen || hit.offset >= chosen->offset))
                chosen = &hit;
        }
        const bool moved = next ? model.NextHit() : model.PrevHit();
        FUZZ_CHECK(moved == (chosen != nullptr && !(next && from == top)));
        FUZZ_CHECK(model.TopOffset() == (moved ? RowOf(starts, chosen->offset) : top));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    // The file: a short prefix, or bytes from a small alphabet of line feeds
    // and carriage returns, repeated to reach long lines.
    static const char kAlphabet[] = "ab \n\n\r\t\x01\xe9xalpha";
    std::string text;
    const std::uint32_t kind = in.Below(3);
    const std::size_t length = in.Below(4096);
    if (kind == 0) {
        text = in.Text(255);
    } else {
        const std::string pattern = in.Text(16);
        for (std::size_t i = 0; i < length; ++i)
            text += pattern.empty() ? kAlphabet[i % (sizeof kAlphabet - 1)]
                                    : (kind == 1 ? pattern[i % pattern.size()]
                                                 : kAlphabet[static_cast<unsigned char>(pattern[i % pattern.size()]) %
                                                             (sizeof kAlphabet - 1)]);
    }

    TSearchCFG cfg = ViewerRecord(text);
    std::string expression = "alpha|be";  // terms 0 "alpha" (5 bytes), 1 "be" (2)
    Tstr query(expression, cfg);
    // Hits ascending by offset, each lying wholly inside the file.
    for (std::uint64_t at = in.Below(64); !in.Empty() && at < text.size(); at += in.Below(48)) {
        const std::uint32_t word = in.Flag();
        if (at + query.TermLength(word) > text.size()) break;
        cfg.Hits.push_back({at, word, in.Flag()});
        if (in.Below(4) == 0) break;
    }

    TextSource file(text);
    ViewModel model(cfg, &query, file);
    model.SetReading(ShownReading::kAnsi);  // the account of rows below is by bytes: one byte, one character
    Checker checker{text, cfg, model};
    model.SetWindowSize(in.Below(130), static_cast<int>(in.Below(60)) - 2);
    model.SetWrap(in.Flag());
    model.Realign();
    checker.Check();

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        switch (in.Below(16)) {
            case 0: model.Scroll(ScrollStep::LineUp); break;
            case 1: model.Scroll(ScrollStep::LineDown); break;
            case 2: model.Scroll(ScrollStep::PageUp); break;
            case 3: model.Scroll(ScrollStep::PageDown); break;
            case 4: model.Scroll(ScrollStep::Thumb, in.Below(kScrollRange + 2)); break;
            case 5: model.Scroll(in.Flag() ? ScrollStep::Top : ScrollStep::Bottom); break;
            case 6: model.RowUp(); break;
            case 7: model.RowDown(); break;
            case 8: checker.Step(in.Below(3) != 0); break;
            case 9: {
                const std::uint64_t a = in.Below(static_cast<std::uint32_t>(text.size()) + 8);
                const std::uint64_t b = in.Flag() ? ~std::uint64_t{0} - in.Byte() : in.Below(static_cast<std::uint32_t>(text.size()) + 8);
                model.Select(a, b);
                break;
            }
            case 10: {
                const std::uint64_t column = in.Flag() ? in.Below(2000) : ~std::uint64_t{0} - in.Byte();
                const std::uint64_t at = model.OffsetAt(column, static_cast<int>(in.Below(80)) - 4);
                FUZZ_CHECK(at <= text.size());
                break;
            }
            case 11: checker.CheckRows(static_cast<int>(in.Below(70)) - 2); break;
            case 12: {
                const std::uint32_t t = in.Below(4);
                if (t == 0) {  // as the F2 key does
                    const std::uint32_t before = model.RowWidth();
                    model.SetWrap(!model.Wrap());
                    checker.Toggled(before);
                }
                if (t == 1) model.SetAllWords(!model.AllWords());
                if (t == 2) model.SetOem(!model.Oem());  // OEM, and back to ANSI
                if (t == 3) model.SelectAll();
                break;
            }
            case 13:
                model.SetWindowSize(in.Below(130), static_cast<int>(in.Below(60)) - 2);
                model.Realign();
                break;
            case 14: {
                const std::string bytes = model.SelectedBytes();
                const std::uint64_t a = model.Anchor(), b = model.SelectionEnd();
                FUZZ_CHECK(bytes == text.substr(std::min(a, b), std::max(a, b) - std::min(a, b)));
                break;
            }
            default: checker.Step(true); break;
        }
        checker.Check();
    }
    checker.CheckRows(model.RowsPerWindow());
    return 0;
}
