#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quarvel {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// What searches of a block learned about its high bytes (from 0x80 up):
// of raw[0, coveredTo), only the 64-byte chunks whose bit is set in chunks
// (chunk c is raw[64c, 64c + 64)) may hold one.
struct HighByteMap {
    std::size_t coveredTo = 0;
    std::uint64_t* chunks = nullptr;
    static void Mark(std::uint64_t* chunks, std::size_t at) { chunks[at >> 12] |= std::uint64_t{1} << ((at >> 6) & 63); }
    bool Marked(std::size_t chunk) const { return (chunks[chunk >> 6] >> (chunk & 63)) & 1; }
};

// The widest vector instructions the term filter may use.
enum class VectorLevel : std::uint8_t { kScalar, kSse2, kAvx2 };

// A test of an occurrence at a position, passed by reference: a search
// goes on past an occurrence the test refuses.
class OccurrenceTest {
public:
    template <typename F>
    OccurrenceTest(const F& f)  // NOLINT: made from any callable bool(std::size_t)
        : object_(&f), call_([](const void* o, std::size_t m) { return (*static_cast<const F*>(o))(m); }) {}
    bool operator()(std::size_t m) const { return call_(object_, m); }

private:
    const void* object_;
    bool (*call_)(const void*, std::size_t);
};

// One term as it is looked for in one reading of raw file bytes: the reading
// maps every raw byte to the byte the term is compared with.
class TermFinder {
public:
    // map: the reading (256 entries); the term is in that reading already.
    // When the reading is the raw bytes, a stretch of fewer than shortStretch
    // positions is searched with memchr for the term's first byte instead of
    // the vector filter: that costs least for short pieces of text.
    TermFinder(const std::string& term, const std::uint8_t* map, std::size_t shortStretch = 256);

    // What this processor offers; the filter uses it unless capped lower
    // (tests try each level).
    static VectorLevel BestVectorLevel();
    static void CapVectorLevel(VectorLevel level);

    std::uint32_t Length() const { return length_; }

    // The first position m in [from, lastStart] where the reading of
    // raw[m, m + Length()) equals the term and accept(m) holds, or kNotFound.
    // Reads raw up to raw[lastStart + Length() - 1]. Given high, with
    // from <= high->coveredTo, the search also marks the chunks it steps over
    // that hold a high byte and raises coveredTo past them. Its time is linear
    // in the bytes it passes, however densely the term or its beginnings occur.
    std::size_t Find(const std::uint8_t* raw, std::size_t from, std::size_t lastStart, HighByteMap* high,
                     OccurrenceTest accept) const {
        if (length_ == 0 || from > lastStart || lastStart == kNotFound) return kNotFound;
        // Most short stretches lack even the term's first byte.
        if (identity_ && lastStart - from < shortStretch_) {
            const void* at = std::memchr(raw + from, static_cast<unsigned char>(term_[0]), lastStart + 1 - from);
            if (at == nullptr) return kNotFound;
            from = static_cast<std::size_t>(static_cast<const std::uint8_t*>(at) - raw);
        }
        return FindFrom(raw, from, lastStart, high, accept);
    }
    std::size_t Find(const std::uint8_t* raw, std::size_t from, std::size_t lastStart,
                     HighByteMap* high = nullptr) const;

private:
    std::size_t FindFrom(const std::uint8_t* raw, std::size_t from, std::size_t lastStart, HighByteMap* high,
                         OccurrenceTest accept) const;
    // How many bytes from the start of the term the reading at `at` matches.
    std::uint32_t MatchLength(const std::uint8_t* at) const;
    // The vector filter from m on: the check's outcome at a candidate, or 0
    // with m where the byte-wise search goes on.
    template <typename Check>
    int FindVector(const std::uint8_t* raw, std::size_t& m, std::size_t lastStart, HighByteMap* high,
                   Check& check) const;
    // The byte-wise search from m on, in the same terms as FindVector; m
    // ends at the candidate, or past lastStart.
    template <typename Check>
    int FindScalar(const std::uint8_t* raw, std::size_t& m, std::size_t lastStart, Check& check) const;
    // Knuth-Morris-Pratt from `from`: for candidates too dense to verify one by one.
    std::size_t FindLinear(const std::uint8_t* raw, std::size_t from, std::size_t lastStart,
                           OccurrenceTest accept) const;

    std::string term_;
    const std::uint8_t* map_;
    bool identity_;
    std::uint32_t length_;
    std::size_t shortStretch_;
    // border_[q]: the length of the longest proper border of the term's first q bytes.
    std::vector<std::uint32_t> border_;
    // Two probe positions of the term, at its rarest bytes, and the raw bytes
    // read as the term's byte there, when there are at most two of each;
    // else the vector filter is not used.
    std::uint32_t probeA_ = 0, probeB_ = 0;
    std::uint8_t bytesA_[2]{}, bytesB_[2]{};
    bool vectorFilter_ = false;
    // The vector filter's test of the probes and the bytes it compares with.
    std::uint8_t probeTest_ = 0;
    std::uint8_t testA_[2]{}, testB_[2]{};
};

}  // namespace quarvel
