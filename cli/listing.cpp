#include "cli/listing.h"

#include <optional>

#include "platform/text_conv.h"
#include "platform/unicode_text.h"
#include "results/list_export.h"
#include "search/hit_pass.h"
#include "viewer/hit_lines.h"

namespace quarvel {

std::string Typed(const std::string& text, bool utf8Terminal) {
    if (utf8Terminal) return text;
    std::string ansi;
    for (char32_t c : Utf8ToChars(text)) ansi += static_cast<char>(UnicodeToAnsi(c).value_or('?'));
    return ansi;
}

namespace {

// The lines of a found file as the command line prints them: every line
// whole, none left out.
HitLines LinesOf(const TSaveFile& file, const FileScan& scan, bool documents) {
    ViewFile source(file.Path(), documents);
    if (!source.IsOpen()) return {};
    HitLinesLayout layout;
    layout.width = kNoCut;
    layout.cap = kNoCap;
    return ReadHitLines(source, scan, layout);
}

class Listing {
public:
    explicit Listing(const ListingForm& form) : form_(form), end_(form.nullEnds ? std::string(1, '\0') : "\n") {}

    // What the pass makes of each file on its worker: the lines as printed.
    std::string Lines(const TSaveFile& file, const FileScan& scan) const {
        const HitLines lines = LinesOf(file, scan, form_.documents);
        std::string out;
        if (form_.json) {
            out = ",\"lines\":[";
            for (std::size_t i = 0; i < lines.lines.size(); ++i) {
                out += i ? ",{\"line\":" : "{\"line\":";
                out += std::to_string(lines.lines[i].line) + ",\"text\":";
                AppendJsonString(out, lines.lines[i].text);
                out += '}';
            }
            return out + "]";
        }
        const std::string path = file.Path();
        for (const HitLine& line : lines.lines)
            out += path + ":" + std::to_string(line.line) + ":" + Typed(line.text, form_.utf8Terminal) + end_;
        return out;
    }

    std::string Header() const {
        if (!form_.csv) return std::string();
        return Ended(CsvHeader());
    }

    std::string Record(const TSaveFile& file, const FileHitCount* count) const {
        const ExportRow row{&file, count && count->counted ? std::optional<std::uint64_t>(count->hits) : std::nullopt};
        std::string out;
        if (form_.csv) {
            AppendCsvRow(out, row);
            return Ended(out);
        }
        if (form_.json) {
            // With --lines, a file not counted still says it has none known.
            AppendJsonLine(out, row, count && count->counted ? count->extra : std::string());
            return Ended(out);
        }
        return count ? count->extra : std::string();
    }

private:
    // A record's own end (CR LF, LF) becomes a NUL byte with -0.
    std::string Ended(std::string record) const {
        if (!form_.nullEnds) return record;
        while (!record.empty() && (record.back() == '\n' || record.back() == '\r')) record.pop_back();
        return record + '\0';
    }

    const ListingForm& form_;
    const std::string end_;
};

}  // namespace

void PrintListing(const TSearchCFG& cfg, const Tstr* query, const ListingForm& form,
                  const std::function<bool(const std::string&)>& write, const std::function<bool()>& stopped) {
    const Listing listing(form);
    if (!write(listing.Header())) return;
    std::size_t told = 0;
    bool failed = false;
    if (query && !stopped()) {
        CancelFlag cancel;
        HitPass pass(cfg, *query, cancel, form.threads);
        if (form.lines) pass.SetExtra([&](const TSaveFile& f, const FileScan& scan) { return listing.Lines(f, scan); });
        pass.SetIdle([&] {
            if (stopped()) cancel.Set();
        });
        told = pass.Run(cfg.FoundFiles, [&](std::size_t index, FileHitCount& count) {
            if (!write(listing.Record(cfg.FoundFiles[index], &count))) {
                failed = true;
                cancel.Set();
            }
            if (stopped()) cancel.Set();
        });
    }
    if (failed) return;
    // What was not counted (the user stopped the program) is printed as it was found.
    for (std::size_t i = told; i < cfg.FoundFiles.size(); ++i)
        if (!write(listing.Record(cfg.FoundFiles[i], nullptr))) return;
}

}  // namespace quarvel
