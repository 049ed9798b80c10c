// The project-file loader on any bytes: it accepts them or refuses them with
// its message; an accepted record is valid, saves, and loads back to the
// same settings and found files.
#include <cmath>
#include <cstring>

#include "fuzz_support.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/unicode_text.h"
#include "results/project_file.h"

using namespace quarvel;

namespace {

constexpr const char* kPath = "fuzz.qrv";

// A statistic is saved as a whole number, and one below 1 as 0.
double AsSaved(double v) { return v >= 1.0 ? std::trunc(v) : 0.0; }

void CheckSameSettings(const TSearchCFG& a, const TSearchCFG& b) {
    FUZZ_CHECK(a.SearchFilesMask == b.SearchFilesMask);
    FUZZ_CHECK(a.SearchString == b.SearchString);
    FUZZ_CHECK(a.SearchDefaultPath == b.SearchDefaultPath);
    FUZZ_CHECK(a.SearchWithin == b.SearchWithin);
    FUZZ_CHECK(a.SearchCode == b.SearchCode);
    FUZZ_CHECK(a.SearchIgnoreCase == b.SearchIgnoreCase);
    FUZZ_CHECK(a.SearchIncludeSubDir == b.SearchIncludeSubDir);
    FUZZ_CHECK(a.SearchWholeWord == b.SearchWholeWord);
    FUZZ_CHECK(a.SearchIncludeHidden == b.SearchIncludeHidden);
    FUZZ_CHECK(a.GFiles == b.GFiles);
    FUZZ_CHECK(AsSaved(a.GSizeFiles) == b.GSizeFiles);
    FUZZ_CHECK(AsSaved(a.GSizeFilesCurrent) == b.GSizeFilesCurrent);
    FUZZ_CHECK(a.timeStart == b.timeStart);
    FUZZ_CHECK(a.timeEnd == b.timeEnd);
    FUZZ_CHECK(AsSaved(a.timeSum) == b.timeSum);
    FUZZ_CHECK(a.SearchDateId == b.SearchDateId);
    FUZZ_CHECK(a.SearchDateFrom == b.SearchDateFrom);
    FUZZ_CHECK(a.SearchDateBefore == b.SearchDateBefore);
    FUZZ_CHECK(a.SearchDateLastMonate == b.SearchDateLastMonate);
    FUZZ_CHECK(a.SearchDateLastDay == b.SearchDateLastDay);
    FUZZ_CHECK(a.SearchSizeId == b.SearchSizeId);
    FUZZ_CHECK(a.SearchSizeMax == b.SearchSizeMax);
    FUZZ_CHECK(a.SearchSizeMin == b.SearchSizeMin);
    FUZZ_CHECK(a.Operators == b.Operators);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte: load over a sound record (as the program does) or over an empty one.
    const bool overValid = data[0] & 1u;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    TSearchCFG cfg;
    if (overValid) {
        cfg.SetDefaults();
        cfg.SearchDateFrom = PackDosDate(1, 1, 2000);
        cfg.SearchDateBefore = PackDosDate(31, 12, 2030);
    }
    try {
        LoadProjectText(bytes, kPath, cfg);
    } catch (const QuarvelError& e) {
        FUZZ_CHECK(std::string(e.what()) == std::string("Invalid format file ") + kPath);
        return 0;
    }
    FUZZ_CHECK(cfg.Validate());
    FUZZ_CHECK(UnsavableSetting(cfg) == nullptr);
    for (const std::string* text : {&cfg.SearchFilesMask, &cfg.SearchDefaultPath}) FUZZ_CHECK(text->size() < kPathBufferSize);
    FUZZ_CHECK(Utf8ToChars(cfg.SearchString).size() < kPathBufferSize);
    for (const std::string& op : cfg.Operators) FUZZ_CHECK(Utf8ToChars(op).size() <= kMaxOperatorLength);

    std::vector<std::string> leftOut;
    const std::string saved = ProjectText(cfg, &leftOut);
    TSearchCFG again;
    try {
        LoadProjectText(saved, kPath, again);
    } catch (const QuarvelError&) {
        FUZZ_CHECK(!"a saved record loads back");
    }
    CheckSameSettings(cfg, again);
    // The found files that were kept, in their order.
    FUZZ_CHECK(again.FoundFiles.size() + leftOut.size() == cfg.FoundFiles.size());
    std::size_t kept = 0;
    for (const TSaveFile& f : cfg.FoundFiles) {
        if (f.folder.str().find_first_of(std::string_view(",\r\n\0", 4)) != std::string::npos ||
            f.name.str().find_first_of(std::string_view(",\r\n\0", 4)) != std::string::npos)
            continue;
        FUZZ_CHECK(kept < again.FoundFiles.size());
        const TSaveFile& g = again.FoundFiles[kept++];
        FUZZ_CHECK(g.folder.str() == f.folder.str() && g.name.str() == f.name.str());
        FUZZ_CHECK(g.size == f.size && g.date == f.date && g.time == f.time && g.attributes == f.attributes);
        FUZZ_CHECK(g.group == 0);
    }
    FUZZ_CHECK(kept == again.FoundFiles.size());
    FUZZ_CHECK(ProjectText(again) == saved);
    return 0;
}
