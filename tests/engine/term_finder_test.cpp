#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "query/term_finder.h"

namespace quarvel {
namespace {

// Random text with a few high bytes, and terms taken from it, so that the
// filter meets candidates, matches and high bytes at every offset.
struct Sample {
    std::vector<std::uint8_t> bytes;
    std::string term;
};

Sample MakeSample(std::mt19937& rng, bool lower) {
    static const char kLetters[] = "abAB_ x";
    Sample s;
    s.bytes.resize(64 + rng() % 1400);
    for (auto& b : s.bytes) b = rng() % 40 == 0 ? static_cast<std::uint8_t>(0x80 + rng() % 128) : kLetters[rng() % 7];
    const std::size_t at = rng() % s.bytes.size();
    const std::size_t len = 1 + rng() % 5;
    for (std::size_t i = at; i < s.bytes.size() && i < at + len; ++i)
        s.term += static_cast<char>(lower ? kAnsiLower[s.bytes[i]] : s.bytes[i]);
    return s;
}

// Finding agrees with a plain comparison, and every high byte in what the
// searches say they covered lies in a chunk they marked; at each vector
// width this processor has.
class TermFinderTest : public testing::TestWithParam<VectorLevel> {
protected:
    void SetUp() override {
        if (GetParam() > TermFinder::BestVectorLevel()) GTEST_SKIP() << "the processor lacks these instructions";
        TermFinder::CapVectorLevel(GetParam());
    }
    void TearDown() override { TermFinder::CapVectorLevel(VectorLevel::kAvx2); }
};

std::string WidthName(const testing::TestParamInfo<VectorLevel>& info) {
    static const char* const kNames[] = {"Scalar", "Sse2", "Avx2"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EachWidth, TermFinderTest,
                         testing::Values(VectorLevel::kScalar, VectorLevel::kSse2, VectorLevel::kAvx2), WidthName);

TEST_P(TermFinderTest, FindsWhatAPlainComparisonFindsAndMarksEveryHighByteItCovers) {
    std::mt19937 rng(20261208u);
    std::uint8_t same[256];
    for (int b = 0; b < 256; ++b) same[b] = static_cast<std::uint8_t>(b);
    for (int round = 0; round < 4000; ++round) {
        const bool lower = round % 2 == 1;
        const Sample s = MakeSample(rng, lower);
        const std::uint8_t* map = lower ? kAnsiLower : same;
        const TermFinder finder(s.term, map);
        const std::size_t lastStart = s.bytes.size() - s.term.size();
        std::vector<std::uint64_t> chunks(s.bytes.size() / 4096 + 1, 0);
        HighByteMap high;
        high.chunks = chunks.data();
        std::size_t from = rng() % 4 == 0 ? 1 : 0;  // a search from 1 proves nothing
        for (;;) {
            std::size_t want = kNotFound;
            for (std::size_t m = from; m <= lastStart && want == kNotFound; ++m) {
                bool equal = true;
                for (std::size_t i = 0; i < s.term.size() && equal; ++i)
                    equal = map[s.bytes[m + i]] == static_cast<std::uint8_t>(s.term[i]);
                if (equal) want = m;
            }
            const std::size_t got = finder.Find(s.bytes.data(), from, lastStart, &high);
            ASSERT_EQ(got, want) << "round " << round << " from " << from;
            if (got == kNotFound) break;
            from = got + 1;
        }
        for (std::size_t i = 0; i < std::min(high.coveredTo, s.bytes.size()); ++i) {
            if (s.bytes[i] & 0x80) {
                ASSERT_TRUE(high.Marked(i / 64)) << "round " << round << ", byte " << i;
            }
        }
    }
}

// Periodic text and long terms drawn from it, so that candidates come at
// nearly every position, and callers that refuse many occurrences: the
// search goes over to its linear method and must find the same positions.
TEST_P(TermFinderTest, DenseCandidatesAndRefusedOccurrencesFindWhatAPlainComparisonFinds) {
    std::mt19937 rng(20261209u);
    for (int round = 0; round < 600; ++round) {
        const bool lower = round % 2 == 1;
        static const char* const kPeriods[] = {"a", "ab", "aab", "Ab", "a a"};
        const std::string period = kPeriods[rng() % 5];
        std::vector<std::uint8_t> bytes(300 + rng() % 3000);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = rng() % 200 == 0 ? static_cast<std::uint8_t>('b' + rng() % 2) : period[i % period.size()];
        std::string term;
        const std::size_t at = rng() % (bytes.size() / 2), len = 1 + rng() % 260;
        for (std::size_t i = at; i < bytes.size() && i < at + len; ++i)
            term += static_cast<char>(lower ? kAnsiLower[bytes[i]] : bytes[i]);
        std::uint8_t same[256];
        for (int b = 0; b < 256; ++b) same[b] = static_cast<std::uint8_t>(b);
        const std::uint8_t* map = lower ? kAnsiLower : same;
        const TermFinder finder(term, map);
        const std::uint32_t refuse = rng() % 4;  // refuses none, or one in 2, 3 positions
        auto accept = [refuse](std::size_t m) { return refuse == 0 || (m * 2654435761u >> 7) % (refuse + 1) == 0; };
        const std::size_t lastStart = bytes.size() - term.size() - rng() % 3;
        for (std::size_t from = rng() % 5;;) {
            std::size_t want = kNotFound;
            for (std::size_t m = from; m <= lastStart && want == kNotFound; ++m) {
                bool equal = true;
                for (std::size_t i = 0; i < term.size() && equal; ++i)
                    equal = map[bytes[m + i]] == static_cast<std::uint8_t>(term[i]);
                if (equal && accept(m)) want = m;
            }
            const std::size_t got = finder.Find(bytes.data(), from, lastStart, nullptr, accept);
            ASSERT_EQ(got, want) << "round " << round << " from " << from << ", term of " << term.size();
            if (got == kNotFound) break;
            from = got + 1 + rng() % 3;
        }
    }
}

}  // namespace
}  // namespace quarvel
