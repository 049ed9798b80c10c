#include "query/term_finder.h"

#include <cstring>
#include <vector>

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
    if (count == 0) return false;  // never occurs; the scalar path finds nothing too
    if (count == 1) out[1] = out[0];
    return true;
}

#ifdef QUARVEL_X86
template <typename Check>
__attribute__((target("avx2"))) bool FindAvx2(const std::uint8_t* raw, std::size_t& m, std::size_t lastStart,
                                             std::uint32_t length, const std::uint8_t (&first)[2],
                                             const std::uint8_t (&last)[2], Check matches) {
    const __m256i f0 = _mm256_set1_epi8(static_cast<char>(first[0]));
    const __m256i f1 = _mm256_set1_epi8(static_cast<char>(first[1]));
    const __m256i l0 = _mm256_set1_epi8(static_cast<char>(last[0]));
    const __m256i l1 = _mm256_set1_epi8(static_cast<char>(last[1]));
    for (; m + 32 <= lastStart + 1; m += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw + m));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw + m + length - 1));
        const __m256i hitA = _mm256_or_si256(_mm256_cmpeq_epi8(a, f0), _mm256_cmpeq_epi8(a, f1));
        const __m256i hitB = _mm256_or_si256(_mm256_cmpeq_epi8(b, l0), _mm256_cmpeq_epi8(b, l1));
        auto bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(hitA, hitB)));
        while (bits != 0) {
            const std::size_t at = m + static_cast<std::size_t>(__builtin_ctz(bits));
            if (matches(raw + at)) {
                m = at;
                return true;
            }
            bits &= bits - 1;
        }
    }
    return false;  // m is where the caller goes on byte by byte
}

template <typename Check>
bool FindSse2(const std::uint8_t* raw, std::size_t& m, std::size_t lastStart, std::uint32_t length,
              const std::uint8_t (&first)[2], const std::uint8_t (&last)[2], Check matches) {
    const __m128i f0 = _mm_set1_epi8(static_cast<char>(first[0]));
    const __m128i f1 = _mm_set1_epi8(static_cast<char>(first[1]));
    const __m128i l0 = _mm_set1_epi8(static_cast<char>(last[0]));
    const __m128i l1 = _mm_set1_epi8(static_cast<char>(last[1]));
    for (; m + 16 <= lastStart + 1; m += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + m));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + m + length - 1));
        const __m128i hitA = _mm_or_si128(_mm_cmpeq_epi8(a, f0), _mm_cmpeq_epi8(a, f1));
        const __m128i hitB = _mm_or_si128(_mm_cmpeq_epi8(b, l0), _mm_cmpeq_epi8(b, l1));
        auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_and_si128(hitA, hitB)));
        while (bits != 0) {
            const std::size_t at = m + static_cast<std::size_t>(__builtin_ctz(bits));
            if (matches(raw + at)) {
                m = at;
                return true;
            }
            bits &= bits - 1;
        }
    }
    return false;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

TermFinder::TermFinder(const std::string& term, const std::uint8_t* map)
    : term_(term), map_(map), length_(static_cast<std::uint32_t>(term.size())) {
    identity_ = true;
    for (int b = 0; b < 256; ++b) identity_ = identity_ && map[b] == b;
    if (length_ != 0) {
        const auto head = static_cast<std::uint8_t>(term_.front());
        const auto tail = static_cast<std::uint8_t>(term_.back());
        vectorFilter_ = Preimage(map, head, first_) && Preimage(map, tail, last_);
    }
}

bool TermFinder::Matches(const std::uint8_t* at) const {
    const auto* t = reinterpret_cast<const std::uint8_t*>(term_.data());
    if (identity_) return std::memcmp(at, t, length_) == 0;
    for (std::uint32_t i = 0; i < length_; ++i)
        if (map_[at[i]] != t[i]) return false;
    return true;
}

std::size_t TermFinder::FindScalar(const std::uint8_t* raw, std::size_t from, std::size_t lastStart) const {
    const auto head = static_cast<std::uint8_t>(term_.front());
    for (std::size_t m = from; m <= lastStart; ++m)
        if (map_[raw[m]] == head && Matches(raw + m)) return m;
    return kNotFound;
}

std::size_t TermFinder::Find(const std::uint8_t* raw, std::size_t from, std::size_t lastStart) const {
    if (length_ == 0 || from > lastStart || lastStart == kNotFound) return kNotFound;
    if (!vectorFilter_) return FindScalar(raw, from, lastStart);
    auto matches = [this](const std::uint8_t* at) { return Matches(at); };
    std::size_t m = from;
#ifdef QUARVEL_X86
    const bool found = kHasAvx2 ? FindAvx2(raw, m, lastStart, length_, first_, last_, matches)
                                : FindSse2(raw, m, lastStart, length_, first_, last_, matches);
    if (found) return m;
#endif
    return FindScalar(raw, m, lastStart);
}

}  // namespace quarvel
