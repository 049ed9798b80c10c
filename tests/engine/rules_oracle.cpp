#include "tests/engine/rules_oracle.h"

#include <vector>

#include "platform/reading.h"
#include "platform/unicode_text.h"

namespace quarvel {

namespace {

// One character of a reading: its value and the bytes it covers.
struct Char {
    char32_t c;
    std::uint64_t at;
    std::uint32_t length;
};

bool Same(char32_t a, char32_t b, bool ignoreCase, bool folding) {
    if (!ignoreCase) return a == b;
    return folding ? FoldCase(a) == FoldCase(b) : LowerCase(a) == LowerCase(b);
}

// Every position of the unit's characters where the term's characters stand.
void Look(const std::vector<Char>& text, const std::u32string& term, std::uint32_t t, std::uint64_t unitStart,
          bool ignoreCase, bool folding, bool wholeWord, bool& found, std::set<RulesOccurrence>* out) {
    if (term.empty() || term.size() > text.size()) return;
    for (std::size_t m = 0; m + term.size() <= text.size(); ++m) {
        bool match = true;
        for (std::size_t k = 0; k < term.size() && match; ++k)
            match = text[m + k].c != kInvalidChar && Same(text[m + k].c, term[k], ignoreCase, folding);
        if (!match) continue;
        if (wholeWord) {
            if (m > 0 && text[m - 1].c != kInvalidChar && IsWordChar(text[m - 1].c)) continue;
            const std::size_t after = m + term.size();
            if (after < text.size() && text[after].c != kInvalidChar && IsWordChar(text[after].c)) continue;
        }
        found = true;
        const std::uint64_t end = text[m + term.size() - 1].at + text[m + term.size() - 1].length;
        if (out) out->insert({text[m].at, t, static_cast<std::uint32_t>(end - text[m].at), unitStart});
    }
}

}  // namespace

int RulesDecide(const std::string& bytes, const TSearchCFG& cfg, Tstr& query, std::set<RulesOccurrence>* occurrences) {
    const std::uint32_t readings = cfg.Readings();
    const bool ignoreCase = cfg.SearchIgnoreCase != 0, wholeWord = cfg.SearchWholeWord != 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const FileForm form = (readings & kReadingUnicode) ? DetectForm(p, bytes.size()) : FileForm{};

    // The units: closed by a closing byte, or in a UTF-16 text read as
    // Unicode by a closing character; the last one runs to the end.
    std::vector<std::pair<std::size_t, std::size_t>> units;
    std::size_t start = 0;
    const std::size_t step = form.Utf16() ? 2 : 1;
    for (std::size_t i = 0; i + step <= bytes.size(); i += step) {
        char32_t c = p[i];
        if (form.Utf16()) DecodeUtf16At(p + i, 2, form.form == TextForm::kUtf16Be, c);
        if (c != kInvalidChar && ClosesUnit(cfg.SearchWithin, c)) {
            units.emplace_back(start, i + step);
            start = i + step;
        }
    }
    units.emplace_back(start, bytes.size());

    std::vector<std::u32string> terms;
    for (std::uint32_t t = 0; t < query.TermCount(); ++t) terms.push_back(Utf8ToChars(query.TermText(t)));

    int result = 0;
    std::vector<std::uint8_t> found(terms.size() + 1, 0);
    for (const auto& [a, b] : units) {
        std::vector<std::vector<Char>> texts;
        std::vector<bool> folding;
        for (const ByteReading* r : kByteReadings) {
            if (!(readings & r->bit)) continue;
            std::vector<Char> text;
            for (std::size_t i = a; i < b; ++i) text.push_back({r->charOf(p[i]), i, 1});
            texts.push_back(std::move(text));
            folding.push_back(false);
        }
        if (readings & kReadingUnicode) {
            std::vector<Char> text;
            for (std::size_t i = std::max<std::size_t>(a, form.textStart); i < b;) {
                char32_t c;
                const std::size_t n = DecodeIn(form.form, p + i, b - i, c);
                text.push_back({c, i, static_cast<std::uint32_t>(n)});
                i += n;
            }
            texts.push_back(std::move(text));
            folding.push_back(true);
        }
        for (std::uint32_t t = 0; t < terms.size(); ++t) {
            bool any = false;
            for (std::size_t k = 0; k < texts.size(); ++k) {
                // A one-byte reading compares the term's own characters; it
                // cannot hold one it has no byte for.
                Look(texts[k], terms[t], t, a, ignoreCase, folding[k], wholeWord, any, occurrences);
            }
            found[t] = any ? 1 : 0;
        }
        if (query.Evaluate(found.data()) == 1) result = 1;
    }
    return result;
}

}  // namespace quarvel
