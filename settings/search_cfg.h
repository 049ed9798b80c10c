#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "results/save_file.h"

namespace quarvel {

enum SearchCodeKind : std::uint32_t { kCodeOem = 0, kCodeAnsi = 1, kCodeBoth = 2 };
// The Unicode reading: off, beside the one-byte readings of SearchCode, or alone.
enum SearchUnicodeKind : std::uint32_t { kUnicodeOff = 0, kUnicodeToo = 1, kUnicodeAlone = 2 };
enum SearchWithinKind : std::uint32_t { kWithinFile = 0, kWithinPage = 1, kWithinLine = 2, kWithinSentence = 3 };

// Positions of the operator strings; the compiler refers to the first six by position.
enum OperatorIndex : int {
    kOpAnd = 0, kOpOr, kOpNot, kOpQuote, kOpLevelOpen, kOpLevelClose, kOpFileSeparator, kOpFileNotSearch,
    kOperatorCount
};
inline constexpr std::size_t kMaxOperatorLength = 10;
inline constexpr std::size_t kPathBufferSize = 260;  // texts hold at most 259 bytes

// Everything that describes one search, from its options to its results.
struct TSearchCFG {
    // Search options
    std::uint32_t SearchCode = 0;     // the one-byte readings: OEM, ANSI or both
    std::uint32_t SearchUnicode = 0;  // SearchUnicodeKind
    std::string SearchFilesMask;
    std::string SearchString;
    std::string SearchDefaultPath;
    std::uint32_t SearchIgnoreCase = 0;
    std::uint32_t SearchIncludeSubDir = 0;
    std::uint32_t SearchWholeWord = 0;
    std::uint32_t SearchIncludeHidden = 0;
    std::uint32_t SearchWithin = 0;
    std::uint32_t SearchRefined = 0;
    std::uint32_t SearchDocuments = 0;  // the text of documents and the members of archives are searched
    std::uint32_t SearchDateId = 0;
    std::uint16_t SearchDateFrom = 0;
    std::uint16_t SearchDateBefore = 0;
    std::uint32_t SearchDateLastMonate = 0;
    std::uint32_t SearchDateLastDay = 0;
    std::uint16_t DateLow = 0;   // derived date window, packed dates, inclusive
    std::uint16_t DateHigh = 0;
    std::uint32_t SearchSizeId = 0;
    std::uint32_t SearchSizeMax = 0;  // units of 1000 bytes
    std::uint32_t SearchSizeMin = 0;
    std::uint64_t SizeHigh = 0;  // derived size window, bytes, inclusive
    std::uint64_t SizeLow = 0;

    // OperatorAnd, OperatorOr, OperatorNot, OperatorStr, OperatorLevelO,
    // OperatorLevelC, FileSeparator, FileNotSearch
    std::array<std::string, kOperatorCount> Operators;

    // Statistics of the last run
    std::uint32_t GFiles = 0;
    double GSizeFiles = 0.0;
    double CurrentFileSize = 0.0;
    double GSizeFilesCurrent = 0.0;
    std::uint32_t timeStart = 0;
    std::uint32_t timeEnd = 0;
    double timeSum = 0.0;

    // Result lists
    TSaveFileArray FoundFiles;
    TSaveFileArray SearchList;
    TSaveFileArray IncludeList;
    TSaveFileArray ExcludeList;
    std::vector<std::uint64_t> LineStarts;
    std::uint32_t LineCount = 0;
    std::uint32_t LongestLine = 0;  // a line longer than 4 GiB counts as 0xFFFFFFFF
    TSaveElemArray Hits;
    TSaveElemArray UnitHits;

    TSearchCFG() = default;
    // A copy shares nothing with its source; its unit hit list starts empty.
    TSearchCFG(const TSearchCFG& other);
    TSearchCFG& operator=(const TSearchCFG& other);
    TSearchCFG(TSearchCFG&&) = default;
    TSearchCFG& operator=(TSearchCFG&&) = default;

    const std::string& OperatorAnd() const { return Operators[kOpAnd]; }
    const std::string& OperatorOr() const { return Operators[kOpOr]; }
    const std::string& OperatorNot() const { return Operators[kOpNot]; }
    const std::string& OperatorStr() const { return Operators[kOpQuote]; }
    const std::string& OperatorLevelO() const { return Operators[kOpLevelOpen]; }
    const std::string& OperatorLevelC() const { return Operators[kOpLevelClose]; }
    const std::string& FileSeparator() const { return Operators[kOpFileSeparator]; }
    const std::string& FileNotSearch() const { return Operators[kOpFileNotSearch]; }

    // The defaults of a first run (the three texts stay empty).
    void SetDefaults();
    // At the start of every run; the found-file list is left alone.
    void ResetForRun();
    // At the start of every file scan.
    void ResetPerFile();
    // True when every field lies in its valid range (a loaded project is
    // rejected as a whole otherwise).
    bool Validate() const;
    // The readings the search uses (kReadingUnicode, kReadingAnsi, kReadingOem).
    std::uint32_t Readings() const;
    void SetReadings(std::uint32_t readings);
    // Derives the date and size windows from the filter choices; today is a packed date.
    void DeriveWindows(std::uint16_t today);
};

// Registry and project-file names of the operator strings, by position.
extern const std::array<const char*, kOperatorCount> kOperatorNames;
// The defaults of the operator strings, by position.
extern const std::array<const char*, kOperatorCount> kOperatorDefaults;

}  // namespace quarvel
