#include "query/term_patterns.h"

#include <algorithm>

#include "platform/unicode_text.h"
#include "query/match_engine.h"

namespace quarvel {

namespace {

// The bytes the characters that fold as c take at most, in UTF-8. Folding
// stays within a plane, and within ASCII but for the Kelvin sign (k) and the
// long s (s); a character of two bytes may fold with one of three (the
// Angstrom sign with a ring, the Ohm sign with omega).
std::uint32_t FoldedUtf8Width(char32_t folded) {
    if (folded == 'k') return 3;
    if (folded == 's') return 2;
    if (folded < 0x80) return 1;
    return folded < 0x10000 ? 3 : 4;
}

// A neighbour that decides a whole word may take this many bytes.
constexpr std::uint32_t kWidestCharacter = 4;

}  // namespace

TermPatterns::TermPatterns(const Tstr& query, const TSearchCFG& cfg)
    : readings_(cfg.Readings()), ignoreCase_(cfg.SearchIgnoreCase != 0), wholeWord_(cfg.SearchWholeWord != 0) {
    for (std::size_t r = 0; r < kByteReadingCount; ++r)
        if (ByteReadingOn(r)) codes_[r] = &CodesOf(*kByteReadings[r], ignoreCase_);
    for (std::uint32_t t = 0; t < query.TermCount(); ++t) {
        TermPattern p;
        // Bytes that are no UTF-8 stand for U+FFFD, which only that character's own bytes match.
        p.chars = Utf8ToChars(query.TermText(t));
        p.utf8 = CharsToUtf8(p.chars);
        p.folded = p.chars;
        if (ignoreCase_)
            for (char32_t& c : p.folded) c = FoldCase(c);
        for (std::size_t r = 0; r < kByteReadingCount; ++r)
            if (ByteReadingOn(r)) p.codes[r] = codes_[r]->Encode(p.chars);
        p.unicode = UnicodeOn() && !p.chars.empty();
        p.exactUtf8 = !ignoreCase_;
        const bool allAscii = std::all_of(p.folded.begin(), p.folded.end(), [](char32_t c) { return c < 0x80; });
        if (allAscii && !p.folded.empty()) p.ascii = CharsToUtf8(p.folded);
        p.unicodeIsAscii = allAscii && std::all_of(p.chars.begin(), p.chars.end(), [&](char32_t c) {
                               return c < 0x80 && (!ignoreCase_ || (FoldCase(c) != 'k' && FoldCase(c) != 's'));
                           });
        for (char32_t c : p.folded) {
            if (ignoreCase_) {
                p.utf8Span += FoldedUtf8Width(c);
                p.utf16Span += c < 0x10000 ? 2 : 4;
            }
        }
        if (!ignoreCase_) {
            p.utf8Span = static_cast<std::uint32_t>(p.utf8.size());
            for (char32_t c : p.chars) p.utf16Span += c < 0x10000 ? 2 : 4;
        }
        terms_.push_back(std::move(p));
    }
}

std::uint32_t TermPatterns::LongestSpan(bool utf16) const {
    std::uint32_t longest = 0;
    for (const TermPattern& p : terms_) {
        // A term's length in characters, as the one-byte readings always
        // measured it, whether they can hold the term or not.
        if (readings_ & ~kReadingUnicode) longest = std::max<std::uint32_t>(longest, static_cast<std::uint32_t>(p.chars.size()));
        if (p.unicode) longest = std::max(longest, utf16 ? p.utf16Span : p.utf8Span);
    }
    return longest;
}

std::uint32_t TermPatterns::Overlap(bool utf16) const {
    const std::uint32_t span = LongestSpan(utf16);
    if (span == 0) return 0;
    const std::uint32_t neighbour = UnicodeOn() ? kWidestCharacter : 1;
    std::uint32_t overlap = wholeWord_ ? span + 2 * neighbour - 1 : span - 1;
    if (utf16) overlap += overlap & 1;  // pieces start on a code unit
    const std::uint32_t most = utf16 ? kPieceSize - 2 : kPieceSize - 1;
    return std::min(overlap, most);
}

bool TermPatterns::OverlapCut(bool utf16) const {
    const std::uint32_t span = LongestSpan(utf16);
    if (span == 0) return false;
    const std::uint32_t neighbour = UnicodeOn() ? kWidestCharacter : 1;
    return (wholeWord_ ? span + 2 * neighbour - 1 : span - 1) > (utf16 ? kPieceSize - 2 : kPieceSize - 1);
}

}  // namespace quarvel
