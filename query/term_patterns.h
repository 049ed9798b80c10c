#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/reading.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// One term as each reading of a search looks for it.
struct TermPattern {
    std::u32string chars;   // the term's characters (lower-cased when case is ignored)
    std::u32string folded;  // what the Unicode reading compares: case-folded when case is ignored
    std::string utf8;       // the term's characters in UTF-8
    // Per one-byte reading (kByteReadings' order): the term's codes; nothing
    // when that reading is off or cannot hold one of the term's characters.
    std::array<std::optional<std::string>, kByteReadingCount> codes;
    bool unicode = false;    // looked for in the Unicode reading
    bool exactUtf8 = false;  // case is kept: an occurrence in UTF-8 is exactly the bytes utf8
    // The term as ASCII bytes (lower-cased when case is ignored) when every
    // character it compares as is ASCII: then an occurrence without a byte
    // from 0x80 up reads alike in every reading that holds the term.
    std::optional<std::string> ascii;
    // In UTF-8, the Unicode reading finds exactly the ASCII form's occurrences
    // (whole words aside): no character folds to an ASCII one from elsewhere.
    bool unicodeIsAscii = false;
    // The most bytes an occurrence takes in the Unicode reading, in UTF-8 and in UTF-16.
    std::uint32_t utf8Span = 0, utf16Span = 0;
};

// The terms of a compiled query as the search's readings look for them.
class TermPatterns {
public:
    TermPatterns(const Tstr& query, const TSearchCFG& cfg);

    std::uint32_t Count() const { return static_cast<std::uint32_t>(terms_.size()); }
    const TermPattern& operator[](std::uint32_t t) const { return terms_[t]; }
    std::uint32_t Readings() const { return readings_; }
    bool UnicodeOn() const { return readings_ & kReadingUnicode; }
    bool ByteReadingOn(std::size_t r) const { return readings_ & kByteReadings[r]->bit; }
    const ByteCodes& Codes(std::size_t r) const { return *codes_[r]; }
    bool IgnoreCase() const { return ignoreCase_; }
    bool WholeWord() const { return wholeWord_; }

    // The most bytes an occurrence of any term takes in any reading on, in a
    // file of that form.
    std::uint32_t LongestSpan(bool utf16) const;
    // How far a cut piece of a unit overlaps the next, so that some piece
    // holds every occurrence whole, with its neighbours when they count.
    std::uint32_t Overlap(bool utf16) const;
    // The overlap would have to reach a whole piece: some occurrences cannot
    // be held by any piece.
    bool OverlapCut(bool utf16) const;

private:
    std::uint32_t readings_;
    bool ignoreCase_, wholeWord_;
    std::array<const ByteCodes*, kByteReadingCount> codes_{};
    std::vector<TermPattern> terms_;
};

}  // namespace quarvel
