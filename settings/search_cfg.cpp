#include "settings/search_cfg.h"

#include "platform/clock.h"
#include "platform/reading.h"
#include "settings/operator_rule.h"
#include "settings/search_fields.h"

namespace quarvel {

const std::array<const char*, kOperatorCount> kOperatorNames = {
    "OperatorAnd", "OperatorOr", "OperatorNot", "OperatorStr",
    "OperatorLevelO", "OperatorLevelC", "FileSeparator", "FileNotSearch"};

const std::array<const char*, kOperatorCount> kOperatorDefaults = {"+", "|", "-", "\"", "(", ")", ",", "-"};

namespace {
TSaveFileArray DeepCopyList(const TSaveFileArray& list) {
    TSaveFileArray copy;
    copy.reserve(list.size());
    for (const TSaveFile& f : list) copy.push_back(f.DeepCopy());
    return copy;
}
}  // namespace

TSearchCFG::TSearchCFG(const TSearchCFG& other) { *this = other; }

TSearchCFG& TSearchCFG::operator=(const TSearchCFG& other) {
    if (this == &other) return *this;
    CopyFields(other, *this);
    FoundFiles = DeepCopyList(other.FoundFiles);
    SearchList = DeepCopyList(other.SearchList);
    IncludeList = DeepCopyList(other.IncludeList);
    ExcludeList = DeepCopyList(other.ExcludeList);
    LineStarts = other.LineStarts;
    Hits = other.Hits;
    UnitHits.clear();
    return *this;
}

void TSearchCFG::SetDefaults() {
    SearchCode = kCodeBoth;
    SearchUnicode = kUnicodeToo;
    SearchIgnoreCase = 0;
    SearchIncludeSubDir = 0;
    SearchWholeWord = 0;
    SearchIncludeHidden = 1;
    SearchWithin = kWithinFile;
    SearchRefined = 0;
    SearchDocuments = 1;
    SearchDateId = 0;
    SearchDateFrom = 0;
    SearchDateBefore = 0;
    SearchDateLastMonate = 0;
    SearchDateLastDay = 0;
    SearchSizeId = 0;
    SearchSizeMax = 0;
    SearchSizeMin = 0;
    for (int i = 0; i < kOperatorCount; ++i) Operators[i] = kOperatorDefaults[i];
}

void TSearchCFG::ResetForRun() {
    GFiles = 0;
    GSizeFiles = 0.0;
    CurrentFileSize = 0.0;
    GSizeFilesCurrent = 0.0;
    SearchList.clear();
    IncludeList.clear();
    ExcludeList.clear();
    ResetPerFile();
}

void TSearchCFG::ResetPerFile() {
    LineStarts.clear();
    Hits.clear();
    UnitHits.clear();
    LineCount = 0;
    LongestLine = 0;
}

bool TSearchCFG::Validate() const { return FieldsValid(*this) && CheckOperatorSet(Operators).ok(); }

std::uint32_t TSearchCFG::Readings() const {
    if (SearchUnicode == kUnicodeAlone) return kReadingUnicode;
    std::uint32_t set = SearchUnicode ? std::uint32_t{kReadingUnicode} : 0u;
    if (SearchCode == kCodeAnsi || SearchCode == kCodeBoth) set |= kReadingAnsi;
    if (SearchCode == kCodeOem || SearchCode == kCodeBoth) set |= kReadingOem;
    return set;
}

void TSearchCFG::SetReadings(std::uint32_t readings) {
    const bool ansi = readings & kReadingAnsi, oem = readings & kReadingOem;
    // Without either one-byte reading the choice of the two stays as it was.
    if (ansi || oem) SearchCode = ansi && oem ? kCodeBoth : ansi ? kCodeAnsi : kCodeOem;
    SearchUnicode = !(readings & kReadingUnicode) ? kUnicodeOff : ansi || oem ? kUnicodeToo : kUnicodeAlone;
}

void TSearchCFG::DeriveWindows(std::uint16_t today) {
    switch (SearchDateId) {
        case 1: DateLow = SearchDateFrom; DateHigh = SearchDateBefore; break;
        case 2: DateLow = DosDateDaysBefore(today, 30u * SearchDateLastMonate); DateHigh = today; break;
        case 3: DateLow = DosDateDaysBefore(today, SearchDateLastDay); DateHigh = today; break;
        default: DateLow = 0; DateHigh = 0xFFFF; break;
    }
    // Byte bounds are 64-bit: any count of 1000 bytes fits, and no file is too
    // large for All or At least.
    auto kilo = [](std::uint32_t n) { return std::uint64_t{1000} * n; };
    switch (SearchSizeId) {
        case 1: SizeLow = 0; SizeHigh = kilo(SearchSizeMax); break;
        case 2: SizeLow = kilo(SearchSizeMin); SizeHigh = UINT64_MAX; break;
        default: SizeLow = 0; SizeHigh = UINT64_MAX; break;
    }
}

}  // namespace quarvel
