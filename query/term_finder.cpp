#include "query/term_finder.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUARVEL_X86 1
#endif

namespace quarvel {

namespace {

// Raw bytes read as `wanted`; false when there are more than two.
bool Preimage(const std::uint8_t* map, std::uint8_t wanted, std::uint8_t (&out)[2]) {
    int count = 0;
    for (int b = 0; b < 256; ++b) {
        if (map[b] != wanted) continue;
        if (count == 2) return false;
        out[count++] = static_cast<std::uint8_t>(b);
    }
    if (count == 0) return false;  // never occurs; the scalar path finds nothing either
    if (count == 1) out[1] = out[0];
    return true;
}

// How common a byte is in text and source code, roughly: the vector filter
// probes the term at its two least common bytes, so that it stops less often.
int Commonness(std::uint8_t b) {
    static const char kByFrequency[] = " etaoinsrlcdhu_\n\tmpf()=;,.gy*b->xv01k2w\"/{}:ESTAIRNCOLDP#&[]3456789";
    const void* at = std::memchr(kByFrequency, b, sizeof kByFrequency - 1);
    if (at) return 1000 - static_cast<int>(static_cast<const char*>(at) - kByFrequency);
    return b >= 'A' && b <= 'Z' ? 100 : (b < 0x80 ? 50 : 10);
}

// What the check of a candidate tells the search loop.
constexpr int kGoOn = 0, kFound = 1, kGiveUp = 2;

// Candidates may cost this many bytes of comparison beyond four for each byte
// the search has passed, before it goes over to the linear method.
constexpr std::size_t kVerifySlack = 256;

#ifdef QUARVEL_X86
// How a probe byte is tested: against one raw byte; against one raw byte
// after setting bit 0x20, which folds the two cases of a letter into one
// (or sets nothing, for a probe of one raw byte); or against either of two.
enum ProbeTest { kOneByte, kFoldedByte, kEitherByte };

// Bytes of the 32 positions from p where both probes read as the term's bytes;
// a gets the 32 bytes at the first probe. a0, a1 (b0, b1) hold what the test
// compares with: the byte twice, the byte and the bits set before comparing,
// or the two bytes.
template <ProbeTest Test>
__attribute__((target("avx2"), always_inline)) inline __m256i CandidatesAvx2(const std::uint8_t* p, std::uint32_t probeA,
                                                                            std::uint32_t probeB, __m256i a0, __m256i a1,
                                                                            __m256i b0, __m256i b1, __m256i& a) {
    a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + probeA));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + probeB));
    if constexpr (Test == kOneByte) {
        return _mm256_and_si256(_mm256_cmpeq_epi8(a, a0), _mm256_cmpeq_epi8(b, b0));
    } else if constexpr (Test == kFoldedByte) {
        return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(a, a1), a0),
                                _mm256_cmpeq_epi8(_mm256_or_si256(b, b1), b0));
    } else {
        return _mm256_and_si256(_mm256_or_si256(_mm256_cmpeq_epi8(a, a0), _mm256_cmpeq_epi8(a, a1)),
                                _mm256_or_si256(_mm256_cmpeq_epi8(b, b0), _mm256_cmpeq_epi8(b, b1)));
    }
}

// Track: also marks in map the chunks of the bytes stepped over that hold a
// byte from 0x80 up.
template <ProbeTest Test, bool Track, typename Check>
__attribute__((target("avx2"))) int FindAvx2(const std::uint8_t* raw, std::size_t& position, std::size_t lastStart,
                                             std::uint32_t probeA, std::uint32_t probeB,
                                             const std::uint8_t (&bytesA)[2], const std::uint8_t (&bytesB)[2],
                                             Check check, HighByteMap& map) {
    // A copy the compiler can keep in a register: the check writes to the caller's memory.
    std::size_t m = position;
    const __m256i a0 = _mm256_set1_epi8(static_cast<char>(bytesA[0]));
    const __m256i a1 = _mm256_set1_epi8(static_cast<char>(bytesA[1]));
    const __m256i b0 = _mm256_set1_epi8(static_cast<char>(bytesB[0]));
    const __m256i b1 = _mm256_set1_epi8(static_cast<char>(bytesB[1]));
    // The first probe's loads see every byte from m + probeA on; the few
    // before it count as holding a high byte.
    if (Track && probeA > 0) {
        HighByteMap::Mark(map.chunks, m);
        HighByteMap::Mark(map.chunks, m + probeA - 1);
    }
    // Two vectors a step, then one: most steps find no candidate at all.
    for (std::size_t step : {64, 32}) {
        for (; m + step <= lastStart + 1; m += step) {
            __m256i frontBytes, backBytes = _mm256_setzero_si256();
            const __m256i front = CandidatesAvx2<Test>(raw + m, probeA, probeB, a0, a1, b0, b1, frontBytes);
            __m256i back = _mm256_setzero_si256();
            if (step == 64) back = CandidatesAvx2<Test>(raw + m + 32, probeA, probeB, a0, a1, b0, b1, backBytes);
            if constexpr (Track) {
                if (_mm256_movemask_epi8(_mm256_or_si256(frontBytes, backBytes)) != 0) {
                    HighByteMap::Mark(map.chunks, m + probeA);
                    HighByteMap::Mark(map.chunks, m + probeA + step - 1);
                }
            }
            const __m256i any = _mm256_or_si256(front, back);
            if (_mm256_testz_si256(any, any)) continue;
            auto bits = static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(front))) |
                        static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(back))) << 32;
            while (bits != 0) {
                const std::size_t at = m + static_cast<std::size_t>(__builtin_ctzll(bits));
                if (const int outcome = check(at)) {
                    if constexpr (Track) map.coveredTo = std::max(map.coveredTo, m + probeA + step);
                    position = at;
                    return outcome;
                }
                bits &= bits - 1;
            }
        }
    }
    if constexpr (Track) map.coveredTo = std::max(map.coveredTo, m + probeA);
    position = m;  // where the caller goes on byte by byte
    return kGoOn;
}

template <typename Check>
int FindSse2(const std::uint8_t* raw, std::size_t& position, std::size_t lastStart, std::uint32_t probeA,
             std::uint32_t probeB, const std::uint8_t (&bytesA)[2], const std::uint8_t (&bytesB)[2], Check check) {
    std::size_t m = position;
    const __m128i a0 = _mm_set1_epi8(static_cast<char>(bytesA[0]));
    const __m128i a1 = _mm_set1_epi8(static_cast<char>(bytesA[1]));
    const __m128i b0 = _mm_set1_epi8(static_cast<char>(bytesB[0]));
    const __m128i b1 = _mm_set1_epi8(static_cast<char>(bytesB[1]));
    for (; m + 16 <= lastStart + 1; m += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + m + probeA));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + m + probeB));
        const __m128i hitA = _mm_or_si128(_mm_cmpeq_epi8(a, a0), _mm_cmpeq_epi8(a, a1));
        const __m128i hitB = _mm_or_si128(_mm_cmpeq_epi8(b, b0), _mm_cmpeq_epi8(b, b1));
        auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_and_si128(hitA, hitB)));
        while (bits != 0) {
            const std::size_t at = m + static_cast<std::size_t>(__builtin_ctz(bits));
            if (const int outcome = check(at)) {
                position = at;
                return outcome;
            }
            bits &= bits - 1;
        }
    }
    position = m;
    return kGoOn;
}

#endif

VectorLevel Detect() {
#ifdef QUARVEL_X86
    if (__builtin_cpu_supports("avx2")) return VectorLevel::kAvx2;
    return VectorLevel::kSse2;
#else
    return VectorLevel::kScalar;
#endif
}

const VectorLevel kBestLevel = Detect();
std::atomic<VectorLevel> vectorCap{VectorLevel::kAvx2};

}  // namespace

VectorLevel TermFinder::BestVectorLevel() { return kBestLevel; }

void TermFinder::CapVectorLevel(VectorLevel level) { vectorCap.store(level, std::memory_order_relaxed); }

TermFinder::TermFinder(const std::string& term, const std::uint8_t* map, std::size_t shortStretch)
    : term_(term), map_(map), length_(static_cast<std::uint32_t>(term.size())), shortStretch_(shortStretch) {
    identity_ = true;
    for (int b = 0; b < 256; ++b) identity_ = identity_ && map[b] == b;
    if (length_ == 0) return;
    const auto* t = reinterpret_cast<const std::uint8_t*>(term_.data());
    border_.assign(length_ + 1, 0);
    for (std::uint32_t q = 1, k = 0; q < length_; ++q) {
        while (k > 0 && t[q] != t[k]) k = border_[k];
        if (t[q] == t[k]) ++k;
        border_[q + 1] = k;
    }
    std::uint32_t rarest = 0;
    for (std::uint32_t i = 1; i < length_; ++i)
        if (Commonness(t[i]) < Commonness(t[rarest])) rarest = i;
    std::uint32_t second = rarest == 0 ? length_ - 1 : 0;
    for (std::uint32_t i = 0; i < length_; ++i)
        if (i != rarest && Commonness(t[i]) < Commonness(t[second])) second = i;
    probeA_ = std::min(rarest, second);
    probeB_ = std::max(rarest, second);
    vectorFilter_ = Preimage(map, t[probeA_], bytesA_) && Preimage(map, t[probeB_], bytesB_);
#ifdef QUARVEL_X86
    auto one = [](const std::uint8_t (&b)[2]) { return b[0] == b[1]; };
    auto folds = [&](const std::uint8_t (&b)[2]) { return one(b) || (b[0] ^ b[1]) == 0x20; };
    auto setTest = [&](const std::uint8_t (&b)[2], std::uint8_t (&test)[2]) {
        if (probeTest_ == kFoldedByte) {
            const std::uint8_t bit = one(b) ? 0 : 0x20;
            test[0] = static_cast<std::uint8_t>(b[0] | bit);
            test[1] = bit;
        } else {
            test[0] = b[0];
            test[1] = b[1];
        }
    };
    probeTest_ = one(bytesA_) && one(bytesB_) ? kOneByte : folds(bytesA_) && folds(bytesB_) ? kFoldedByte : kEitherByte;
    setTest(bytesA_, testA_);
    setTest(bytesB_, testB_);
#endif
}

std::uint32_t TermFinder::MatchLength(const std::uint8_t* at) const {
    const auto* t = reinterpret_cast<const std::uint8_t*>(term_.data());
    std::uint32_t i = 0;
    if (!identity_) {
        while (i < length_ && map_[at[i]] == t[i]) ++i;
        return i;
    }
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= length_; i += 8) {
            std::uint64_t a, b;
            std::memcpy(&a, at + i, 8);
            std::memcpy(&b, t + i, 8);
            if (a != b) return i + static_cast<std::uint32_t>(std::countr_zero(a ^ b) / 8);
        }
    }
    while (i < length_ && at[i] == t[i]) ++i;
    return i;
}

template <typename Check>
int TermFinder::FindScalar(const std::uint8_t* raw, std::size_t& m, std::size_t lastStart, Check& check) const {
    const auto head = static_cast<std::uint8_t>(term_.front());
    for (; m <= lastStart; ++m) {
        if (identity_) {
            const void* at = std::memchr(raw + m, head, lastStart + 1 - m);
            if (at == nullptr) break;
            m = static_cast<std::size_t>(static_cast<const std::uint8_t*>(at) - raw);
        } else if (map_[raw[m]] != head) {
            continue;
        }
        if (const int outcome = check(m)) return outcome;
    }
    return kGoOn;
}

std::size_t TermFinder::FindLinear(const std::uint8_t* raw, std::size_t from, std::size_t lastStart,
                                   OccurrenceTest accept) const {
    const auto* t = reinterpret_cast<const std::uint8_t*>(term_.data());
    std::uint32_t q = 0;  // bytes of the term that end at raw[i - 1]
    for (std::size_t i = from; i - q <= lastStart; ++i) {
        const std::uint8_t c = map_[raw[i]];
        while (q > 0 && t[q] != c) q = border_[q];
        if (t[q] == c) ++q;
        if (q == length_) {
            const std::size_t m = i + 1 - length_;
            if (accept(m)) return m;
            q = border_[q];
        }
    }
    return kNotFound;
}

// Kept out of line, so that a search of a short stretch does not pay for
// setting up the vector code.
template <typename Check>
__attribute__((noinline)) int TermFinder::FindVector(const std::uint8_t* raw, std::size_t& m, std::size_t lastStart,
                                                     HighByteMap* high, Check& check) const {
#ifdef QUARVEL_X86
    HighByteMap unused;
    HighByteMap& map = high ? *high : unused;
    const bool track = high && m <= high->coveredTo;  // only a stretch that goes on from it
    const VectorLevel level = std::min(vectorCap.load(std::memory_order_relaxed), kBestLevel);
    if (level == VectorLevel::kAvx2) {
        auto run = [&](auto test, auto tracked) {
            return FindAvx2<decltype(test)::value, decltype(tracked)::value>(raw, m, lastStart, probeA_, probeB_, testA_,
                                                                             testB_, check, map);
        };
        using Tracked = std::true_type;
        using Untracked = std::false_type;
        using One = std::integral_constant<ProbeTest, kOneByte>;
        using Folded = std::integral_constant<ProbeTest, kFoldedByte>;
        using Either = std::integral_constant<ProbeTest, kEitherByte>;
        switch (probeTest_) {
            case kOneByte: return track ? run(One{}, Tracked{}) : run(One{}, Untracked{});
            case kFoldedByte: return track ? run(Folded{}, Tracked{}) : run(Folded{}, Untracked{});
            default: return track ? run(Either{}, Tracked{}) : run(Either{}, Untracked{});
        }
    }
    if (level == VectorLevel::kSse2) return FindSse2(raw, m, lastStart, probeA_, probeB_, bytesA_, bytesB_, check);
#else
    (void)raw, (void)m, (void)lastStart, (void)high, (void)check;
#endif
    return kGoOn;
}

std::size_t TermFinder::Find(const std::uint8_t* raw, std::size_t from, std::size_t lastStart,
                             HighByteMap* high) const {
    return Find(raw, from, lastStart, high, [](std::size_t) { return true; });
}

std::size_t TermFinder::FindFrom(const std::uint8_t* raw, std::size_t from, std::size_t lastStart, HighByteMap* high,
                                 OccurrenceTest accept) const {
    // A candidate costs the bytes its comparison reads. Where candidates come
    // so densely that they cost more than a few bytes for each byte passed
    // (repetitive text, or occurrences the caller refuses), the rest of the
    // search goes over to a method whose time is linear in the bytes.
    std::size_t work = 0;
    auto check = [&](std::size_t at) -> int {
        const std::uint32_t matched = MatchLength(raw + at);
        if (matched == length_ && accept(at)) return kFound;
        work += matched + 1;
        return work > 4 * (at - from) + kVerifySlack ? kGiveUp : kGoOn;
    };
    std::size_t m = from;
    int outcome = kGoOn;
    // A short stretch is left to the byte-wise search, which looks for the
    // term's first byte with memchr when the reading is the raw bytes.
    if (vectorFilter_ && lastStart - from >= (identity_ ? shortStretch_ : 32u)) outcome = FindVector(raw, m, lastStart, high, check);
    if (outcome == kGoOn) outcome = FindScalar(raw, m, lastStart, check);
    if (outcome == kFound) return m;
    if (outcome == kGiveUp) return FindLinear(raw, m, lastStart, accept);
    return kNotFound;
}

}  // namespace quarvel
