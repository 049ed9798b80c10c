#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace quarvel {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// One term as it is looked for in one reading of raw file bytes: the reading
// maps every raw byte to the byte the term is compared with.
class TermFinder {
public:
    // map: the reading (256 entries); the term is in that reading already.
    TermFinder(const std::string& term, const std::uint8_t* map);

    std::uint32_t Length() const { return length_; }

    // The first position m in [from, lastStart] where the reading of
    // raw[m, m + Length()) equals the term, or kNotFound. Reads raw up to
    // raw[lastStart + Length() - 1]. When raw[0, *highFreeTo) is known to hold
    // no byte from 0x80 up and from <= *highFreeTo, the search may raise
    // *highFreeTo over the bytes it stepped across.
    std::size_t Find(const std::uint8_t* raw, std::size_t from, std::size_t lastStart,
                     std::size_t* highFreeTo = nullptr) const;

private:
    bool Matches(const std::uint8_t* at) const;
    std::size_t FindScalar(const std::uint8_t* raw, std::size_t from, std::size_t lastStart) const;

    std::string term_;
    const std::uint8_t* map_;
    bool identity_;
    std::uint32_t length_;
    // Two probe positions of the term, at its rarest bytes, and the raw bytes
    // read as the term's byte there, when there are at most two of each;
    // else the vector filter is not used.
    std::uint32_t probeA_ = 0, probeB_ = 0;
    std::uint8_t bytesA_[2]{}, bytesB_[2]{};
    bool vectorFilter_ = false;
    bool single_ = false;  // one raw byte for each probe
};

}  // namespace quarvel
