#include "settings/search_fields.h"

#include "platform/clock.h"

namespace quarvel {

namespace {

constexpr SearchField Number(const char* key, std::uint32_t TSearchCFG::*m, std::uint8_t stores, std::uint32_t below,
                             bool onlyWhenSet = false) {
    SearchField f{key, FieldKind::U32, stores, below};
    f.u32 = m;
    f.onlyWhenSet = onlyWhenSet;
    return f;
}
constexpr SearchField Date(const char* key, std::uint16_t TSearchCFG::*m, std::uint8_t stores) {
    SearchField f{key, FieldKind::U16, stores};
    f.u16 = m;
    f.date = true;
    return f;
}
constexpr SearchField Short(const char* key, std::uint16_t TSearchCFG::*m) {
    SearchField f{key, FieldKind::U16, kInNeither};
    f.u16 = m;
    return f;
}
constexpr SearchField Wide(const char* key, std::uint64_t TSearchCFG::*m) {
    SearchField f{key, FieldKind::U64, kInNeither};
    f.u64 = m;
    return f;
}
constexpr SearchField Real(const char* key, double TSearchCFG::*m, std::uint8_t stores) {
    SearchField f{key, FieldKind::Real, stores};
    f.real = m;
    return f;
}
constexpr SearchField Text(const char* key, std::string& (*text)(TSearchCFG&), bool typed, std::uint32_t below) {
    SearchField f{key, FieldKind::Text, kInProject, below};
    f.text = text;
    f.typed = typed;
    return f;
}
template <int I>
std::string& OperatorText(TSearchCFG& c) { return c.Operators[I]; }
template <int I>
constexpr SearchField Operator() {
    SearchField f{kOperatorNames[I], FieldKind::Text, kInBoth, kMaxOperatorLength + 1};
    f.text = &OperatorText<I>;
    f.typed = true;
    return f;
}

const SearchField kFields[] = {
    Text("SearchFilesMask", [](TSearchCFG& c) -> std::string& { return c.SearchFilesMask; }, false, kPathBufferSize),
    Text("SearchString", [](TSearchCFG& c) -> std::string& { return c.SearchString; }, true, kPathBufferSize),
    Text("SearchDefaultPath", [](TSearchCFG& c) -> std::string& { return c.SearchDefaultPath; }, false, kPathBufferSize),
    Number("SearchWithin", &TSearchCFG::SearchWithin, kInBoth, 4),
    Number("SearchCode", &TSearchCFG::SearchCode, kInBoth, 3),
    Number("SearchUnicode", &TSearchCFG::SearchUnicode, kInBoth, 3, true),
    Number("SearchIgnoreCase", &TSearchCFG::SearchIgnoreCase, kInBoth, 2),
    Number("SearchIncludeSubDir", &TSearchCFG::SearchIncludeSubDir, kInBoth, 2),
    Number("SearchWholeWord", &TSearchCFG::SearchWholeWord, kInBoth, 2),
    Number("SearchIncludeHidden", &TSearchCFG::SearchIncludeHidden, kInBoth, 2),
    Number("SearchDocuments", &TSearchCFG::SearchDocuments, kInBoth, 2, true),
    Number("GFiles", &TSearchCFG::GFiles, kInProject, 0),
    Real("GSizeFiles", &TSearchCFG::GSizeFiles, kInProject),
    Real("GSizeFilesCurrent", &TSearchCFG::GSizeFilesCurrent, kInProject),
    Number("timeStart", &TSearchCFG::timeStart, kInProject, 0),
    Number("timeEnd", &TSearchCFG::timeEnd, kInProject, 0),
    Real("timeSum", &TSearchCFG::timeSum, kInProject),
    Number("SearchDateId", &TSearchCFG::SearchDateId, kInBoth, 4),
    Date("SearchDateFrom", &TSearchCFG::SearchDateFrom, kInBoth),
    Date("SearchDateBefore", &TSearchCFG::SearchDateBefore, kInBoth),
    Number("SearchDateLastMonate", &TSearchCFG::SearchDateLastMonate, kInBoth, 1000),
    Number("SearchDateLastDay", &TSearchCFG::SearchDateLastDay, kInBoth, 1000),
    Number("SearchSizeId", &TSearchCFG::SearchSizeId, kInBoth, 3),
    Number("SearchSizeMax", &TSearchCFG::SearchSizeMax, kInBoth, 1000000),
    Number("SearchSizeMin", &TSearchCFG::SearchSizeMin, kInBoth, 1000000),
    Operator<kOpAnd>(), Operator<kOpOr>(), Operator<kOpNot>(), Operator<kOpQuote>(),
    Operator<kOpLevelOpen>(), Operator<kOpLevelClose>(), Operator<kOpFileSeparator>(), Operator<kOpFileNotSearch>(),
    // Kept in the settings file only: a refined search is chosen anew for each run.
    Number("SearchRefined", &TSearchCFG::SearchRefined, kInSettings, 0),
    // Derived, or of the run: copied with the record, never stored.
    Wide("SizeLow", &TSearchCFG::SizeLow),
    Wide("SizeHigh", &TSearchCFG::SizeHigh),
    Short("DateLow", &TSearchCFG::DateLow),
    Short("DateHigh", &TSearchCFG::DateHigh),
    Real("CurrentFileSize", &TSearchCFG::CurrentFileSize, kInNeither),
    Number("LineCount", &TSearchCFG::LineCount, kInNeither, 0),
    Number("LongestLine", &TSearchCFG::LongestLine, kInNeither, 0),
};

}  // namespace

std::span<const SearchField> SearchFields() { return kFields; }

void CopyFields(const TSearchCFG& from, TSearchCFG& to) {
    for (const SearchField& f : kFields) {
        switch (f.kind) {
            case FieldKind::Text: f.text(to) = f.Text(from); break;
            case FieldKind::U32: to.*f.u32 = from.*f.u32; break;
            case FieldKind::U64: to.*f.u64 = from.*f.u64; break;
            case FieldKind::U16: to.*f.u16 = from.*f.u16; break;
            case FieldKind::Real: to.*f.real = from.*f.real; break;
        }
    }
}

bool FieldsValid(const TSearchCFG& cfg) {
    for (const SearchField& f : kFields) {
        if (f.kind == FieldKind::U32 || f.kind == FieldKind::U16) {
            const std::uint32_t v = f.Number(cfg);
            if (f.below != 0 && v >= f.below) return false;
            if (f.date && !IsValidDosDate(static_cast<std::uint16_t>(v))) return false;
        }
    }
    return true;
}

}  // namespace quarvel
