#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "query/decide_scan.h"
#include "query/match_engine.h"
#include "query/term_patterns.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"
#include "tests/engine/differential_cases.h"
#include "tests/engine/match_oracle.h"

namespace quarvel {
namespace {

struct Outcome {
    std::string error;  // text of a thrown error, empty when none
    int result = -1;
    std::vector<std::uint64_t> lineStarts;
    std::uint32_t lineCount = 0;
    std::uint32_t longestLine = 0;
    TSaveElemArray hits;
    double current = 0;
};

bool operator==(const Outcome& a, const Outcome& b) {
    return a.error == b.error && a.result == b.result && a.lineStarts == b.lineStarts && a.lineCount == b.lineCount &&
           a.longestLine == b.longestLine && a.hits == b.hits && a.current == b.current;
}

std::string DescribeOutcome(const Outcome& o) {
    std::ostringstream out;
    if (!o.error.empty()) out << "error \"" << o.error << "\" ";
    out << "result " << o.result << ", LineCount " << o.lineCount << ", LongestLine " << o.longestLine
        << ", GSizeFilesCurrent " << o.current << "\nLineStarts";
    for (std::uint64_t s : o.lineStarts) out << ' ' << s;
    out << "\n" << o.hits.size() << " Hits (offset word satisfied)";
    for (std::size_t i = 0; i < o.hits.size() && i < 40; ++i)
        out << " (" << o.hits[i].offset << ' ' << o.hits[i].word << ' ' << o.hits[i].satisfied << ')';
    if (o.hits.size() > 40) out << " ...";
    return out.str();
}

class MatchEngineDifferentialTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quarvel-diff-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& bytes) {
        std::FILE* f = std::fopen((dir_ + "/case.bin").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

    Outcome RunOne(const Case& c, bool engine, bool collect) {
        TSearchCFG cfg = CaseCfg(c);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        Outcome out;
        try {
            if (engine) {
                ScanObserver observer;
                const CancelFlag cancel;
                MatchEngine scanner(cfg, query, observer, cancel);
                scanner.SetCollectHits(collect);
                out.result = Stored(scanner, scanner.Scan(dir_, "case.bin"), cfg);
            } else {
                out.result = OracleScan(dir_ + "/case.bin", cfg, query, collect);
            }
        } catch (const std::exception& e) {
            out.error = e.what();
        }
        out.lineCount = cfg.LineCount;
        out.longestLine = cfg.LongestLine;
        out.current = cfg.GSizeFilesCurrent;
        if (collect) {
            out.lineStarts = cfg.LineStarts;
            out.hits = cfg.Hits;
        }
        return out;
    }

    // Empty when the engine agrees with the oracle, else what differs.
    std::string Compare(const Case& c) {
        Write(c.bytes);
        for (bool collect : {true, false}) {
            const Outcome want = RunOne(c, false, collect);
            const Outcome got = RunOne(c, true, collect);
            if (collect) lastOracle_ = want;
            if (!(want == got))
                return std::string("collect hits ") + (collect ? "on" : "off") + "\n--- oracle:\n" +
                       DescribeOutcome(want) + "\n--- engine:\n" + DescribeOutcome(got);
        }
        return {};
    }

    // Drops bytes of the file while the disagreement remains, then blanks
    // out with '#' (no letter, in no term) what still has to stay for its length.
    Case Shrink(Case c) {
        for (std::size_t chunk = c.bytes.size() / 2; chunk >= 1; chunk /= 2) {
            for (std::size_t at = 0; at + chunk <= c.bytes.size();) {
                Case smaller = c;
                smaller.bytes.erase(at, chunk);
                if (!Compare(smaller).empty())
                    c = smaller;
                else
                    at += chunk;
            }
        }
        for (std::size_t chunk = std::max<std::size_t>(c.bytes.size() / 2, 1); chunk >= 1; chunk /= 2) {
            for (std::size_t at = 0; at < c.bytes.size(); at += chunk) {
                Case blanked = c;
                const std::size_t len = std::min(chunk, c.bytes.size() - at);
                blanked.bytes.replace(at, len, len, '#');
                if (blanked.bytes != c.bytes && !Compare(blanked).empty()) c = blanked;
            }
        }
        return c;
    }

    std::string dir_;
    Outcome lastOracle_;
};

TEST_F(MatchEngineDifferentialTest, EngineAgreesWithOracle) {
    CaseMaker maker(20240611u);
    int compiled = 0;
    int mismatches = 0;
    int withHits = 0, satisfied = 0, cut = 0;
    const int kCases = 3000;
    for (int i = 0; i < kCases; ++i) {
        Case c = maker.Next();
        c.unicode = 0;  // the piece oracle reads the one-byte readings only
        if (!CaseCompiles(c)) continue;
        ++compiled;
        const std::string diff = Compare(c);
        if (!lastOracle_.hits.empty()) ++withHits;
        if (lastOracle_.result == 1) ++satisfied;
        if (c.bytes.size() > kPieceSize) ++cut;
        if (diff.empty()) continue;
        if (++mismatches == 1) {
            const Case small = Shrink(c);
            ADD_FAILURE() << "case " << i << " disagrees\n"
                          << Describe(c) << "\n" << diff << "\n\nshrunk to:\n"
                          << Describe(small) << "\n" << Compare(small);
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << compiled << " cases";
    // The cases must exercise hits, both outcomes and cut units.
    EXPECT_GT(compiled, kCases * 9 / 10);
    EXPECT_GT(withHits, compiled / 3);
    EXPECT_GT(satisfied, compiled / 5);
    EXPECT_LT(satisfied, compiled * 4 / 5);
    EXPECT_GT(cut, compiled / 3);
    std::printf("%d cases: %d with hits, %d satisfied, %d longer than a piece\n", compiled, withHits, satisfied, cut);
}

// The OEM reading of a high byte can complete a term ("\xDC" reads as "_")
// anywhere in a long ASCII stretch, also after a rejected raw candidate has
// made the search go on from an odd offset.
TEST_F(MatchEngineDifferentialTest, DecidingFindsAnOemOccurrenceWhereverItsHighByteFalls) {
    for (std::size_t pad = 0; pad < 260; ++pad) {
        Case c;
        c.within = kWithinFile;
        c.code = kCodeBoth;
        c.wholeWord = 1;
        c.expression = "a_b";
        c.bytes = "xxa_b" + std::string(100 + pad, 'y') + " a\xDC" "b " + std::string(300, 'z');
        Write(c.bytes);
        TSearchCFG cfg = CaseCfg(c);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        const int fd = ::open((dir_ + "/case.bin").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        const TermPatterns patterns(query, cfg);
        DecideScan scan(cfg, query, patterns);
        EXPECT_EQ(scan.Run(fd, [](std::size_t) { return true; }), 1) << "after " << pad;
        ::close(fd);
    }
}

}  // namespace
}  // namespace quarvel
