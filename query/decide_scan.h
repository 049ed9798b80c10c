#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/reading.h"
#include "query/read_source.h"
#include "query/term_finder.h"
#include "query/term_patterns.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// Decides whether a file satisfies the query, without hits or line table.
// It finds the terms across whole blocks with vector filters and maps each
// occurrence to its unit afterwards, so that units without any occurrence
// cost nothing; a unit is left as soon as its outcome is known, and the file
// as soon as the file's outcome is. The result is the one the unit-by-unit
// scan gives: a unit that is cut into overlapping pieces finds exactly the
// occurrences that lie wholly inside it.
class DecideScan {
public:
    // Terms longer than this are left to the piece-by-piece scan.
    static constexpr std::uint32_t kLongestTerm = 1998;

    static constexpr std::size_t kBlockSize = 256 * 1024;

    // blockSize: the bytes read at a time (small ones let tests cross blocks).
    // The patterns must outlive the scan.
    DecideScan(const TSearchCFG& cfg, const Tstr& query, const TermPatterns& patterns,
               std::size_t blockSize = kBlockSize);

    // What Run returns for a UTF-16 text read as Unicode, whose units are
    // closed by characters: the unit-by-unit scan must decide it.
    static constexpr int kUtf16Text = -1;
    // What Run returns when head refuses the file's first bytes.
    static constexpr int kRefused = -2;

    // Reads fd, a regular file, from its start. progress gets the count of new bytes after
    // every block and returns false to stop (the file then counts as not
    // satisfied). A read error ends the file. head, when given, is shown the
    // first block and may refuse the file (a document, an archive) before it is searched.
    int Run(int fd, const std::function<bool(std::size_t)>& progress,
            const std::function<bool(const unsigned char*, std::size_t)>* head = nullptr);
    // The same over bytes from wherever the source has them.
    int Run(ReadSource& source, const std::function<bool(std::size_t)>& progress,
            const std::function<bool(const unsigned char*, std::size_t)>* head = nullptr);

private:
    struct Stream {
        std::uint32_t term;
        TermFinder finder;  // unused by a stream that decodes (folded set)
        bool near;        // looked for only near high bytes
        bool rejectHigh;  // stands in for readings that agree with it away from high bytes
        bool lazy;        // looked for only where the unit would be satisfied without it
        bool dead;        // holds a closing byte before its end, so no unit can hold it
        bool unicode;     // the Unicode reading's occurrences, judged by characters
        const bool* alpha;                       // word bytes of the byte reading
        const std::u32string* folded = nullptr;  // decodes and compares folded characters
        std::vector<std::uint32_t> border;       // of folded
        std::size_t next = kNotFound;
        std::size_t searchedFrom = kNotFound;  // kNotFound: not searched in this block
    };
    enum class Outcome { Satisfied, NotSatisfied, Open };

    Outcome Sweep();
    std::size_t Next(Stream& s, std::size_t from);
    std::size_t FindAccepted(const Stream& s, std::size_t from, std::size_t lastStart);
    bool ReadingsAgree(const ByteCodes& a, const std::string& termA, const ByteCodes& b,
                       const std::string& termB) const;
    bool CannotOccur(const std::string& term, const std::uint8_t* map) const;
    bool CannotOccur(const std::u32string& folded) const;
    std::size_t FindFolded(const Stream& s, std::size_t from, std::size_t to, std::size_t lastStart);
    bool AcceptByte(const Stream& s, std::size_t m) const;
    bool AcceptUnicode(std::size_t m, std::size_t len) const;
    bool SettleLazy(std::size_t from, std::size_t lastStart, bool unitEnds);
    std::size_t FindNear(const Stream& s, std::size_t from, std::size_t lastStart, OccurrenceTest accept);
    bool Accept(const Stream& s, std::size_t m) const;
    void FindHighWindows();
    std::size_t FirstCloser(std::size_t from, std::size_t to) const;
    std::size_t LastCloser(std::size_t from, std::size_t to) const;
    bool HasCloser(std::size_t from, std::size_t to) const { return FirstCloser(from, to) != kNotFound; }
    int EvaluateUnit();
    // Whether a term other than a lazy one was found in the unit.
    bool FoundAny() const;
    void StartUnit(std::uint64_t at);

    const Tstr& query_;
    std::uint32_t within_;
    bool wholeWord_;
    std::uint32_t carry_;
    int emptyResult_;
    const TermPatterns& patterns_;
    std::uint8_t asciiMap_[256];
    bool asciiAlpha_[256], closer_[256];
    std::size_t context_ = 1;  // bytes of a neighbour kept in view on each side of an occurrence
    std::uint32_t textStart_ = 0;  // a UTF-8 byte order mark is no text in the Unicode reading
    std::vector<Stream> streams_;  // a term's streams are neighbours
    // Per term: its absence alone fails a unit.
    std::vector<std::uint8_t> required_;
    // Terms that can only fail a unit (they stand under NOT alone) are looked
    // for only in a unit that the other terms satisfy.
    std::vector<std::uint8_t> lazy_;  // per term
    bool hasLazy_ = false;

    std::size_t blockSize_;
    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t> state_;  // per term: 1 found in the unit, 2 not yet
    std::vector<std::uint8_t> evalState_, scratch_;
    std::vector<std::pair<std::size_t, std::size_t>> windows_;
    bool windowsReady_ = false;
    bool nearHigh_ = false;        // some term has an OEM search near high bytes
    std::vector<std::uint64_t> highChunks_;
    HighByteMap highMap_;  // what the raw searches saw of the block's high bytes

    // The block: buffer_[0, length_) holds the file from offset base_.
    std::uint64_t base_ = 0;
    std::size_t length_ = 0;
    bool final_ = false;
    // Occurrences and closing bytes before it are judged in this block; the
    // rest, with their neighbours, come again at the start of the next one.
    std::size_t horizon_ = 0;
    std::uint64_t unitStart_ = 0;
    std::uint64_t closerFreeUpTo_ = 0;  // no closing byte in [unitStart_, closerFreeUpTo_)
    std::uint64_t lazyFrom_ = 0;        // the lazy terms are looked for in the unit before it
    bool unitDecided_ = false;          // the unit cannot satisfy; skip to its end
};

}  // namespace quarvel
