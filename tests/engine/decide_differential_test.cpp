// Deciding a file (Search mode) against the full scan and the plain oracle:
// every small text systematically, then random cases in volume. The volume
// comes from QUARVEL_DIFF_CASES (scripts/differential runs a million).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/reading.h"
#include "platform/text_conv.h"
#include "query/decide_scan.h"
#include "query/term_patterns.h"
#include "query/match_engine.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"
#include "tests/engine/differential_cases.h"
#include "tests/engine/match_oracle.h"
#include "tests/engine/rules_oracle.h"

namespace quarvel {
namespace {

std::uint32_t FromEnvironment(const char* name, std::uint32_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

// Decides one case every way there is, in a file held in memory.
class DecisionCheck {
public:
    DecisionCheck() : fd_(::memfd_create("quarvel-case", 0)) {}
    ~DecisionCheck() { ::close(fd_); }
    bool Ready() const { return fd_ >= 0; }

    // Empty when every way agrees with the oracle, else what differs.
    // blockSizes: the deciding scan also runs with these.
    std::string Disagreement(const Case& c, const std::vector<std::size_t>& blockSizes) {
        if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, c.bytes.data(), c.bytes.size(), 0) !=
                                             static_cast<ssize_t>(c.bytes.size()))
            return "cannot write the case";
        const std::string folder = "/proc/self/fd", name = std::to_string(fd_);
        TSearchCFG cfg = CaseCfg(c);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        std::set<RulesOccurrence> allowed;
        oracle_ = RulesDecide(c.bytes, cfg, query, &allowed);
        // Without terms a file is satisfied unread.
        const double oracleCurrent = cfg.GSizeFilesCurrent + (query.TermCount() ? static_cast<double>(c.bytes.size()) : 0.0);
        std::string out;
        auto differs = [&](const std::string& way, int got) {
            if (got != oracle_) out += way + " says " + std::to_string(got) + ", the oracle " + std::to_string(oracle_) + "\n";
        };

        ScanObserver observer;
        const CancelFlag cancel;
        cfg = CaseCfg(c);
        MatchEngine full(cfg, query, observer, cancel);
        full.SetCollectHits(true);
        differs("the full scan", Stored(full, full.Scan(folder, name), cfg));
        out += HitsDisagree(cfg.Hits, allowed);
        if (c.unicode == 0) {
            // The one-byte readings' pieces and hit bookkeeping, byte for byte.
            TSearchCFG plain = CaseCfg(c);
            OracleScan(folder + "/" + name, plain, query, true);
            if (plain.Hits != cfg.Hits || plain.LineStarts != cfg.LineStarts || plain.LongestLine != cfg.LongestLine)
                out += "the full scan's hits or lines differ from the piece oracle's\n";
        }

        cfg = CaseCfg(c);
        MatchEngine deciding(cfg, query, observer, cancel);
        ::lseek(fd_, 0, SEEK_SET);
        differs("deciding", Stored(deciding, deciding.Decide(fd_, folder + "/" + name), cfg));
        if (cfg.GSizeFilesCurrent != oracleCurrent) out += "deciding counts other bytes\n";

        cfg = CaseCfg(c);
        const TermPatterns patterns(query, cfg);
        const auto* head = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
        const bool utf16 = patterns.UnicodeOn() && DetectForm(head, c.bytes.size()).Utf16();
        if (query.TermCount() != 0 && !utf16 && !patterns.OverlapCut(false) &&
            query.LongestTerm() <= DecideScan::kLongestTerm) {
            for (std::size_t blockSize : blockSizes) {
                ::lseek(fd_, 0, SEEK_SET);
                DecideScan scan(cfg, query, patterns, blockSize);
                differs("deciding in blocks of " + std::to_string(blockSize),
                        scan.Run(fd_, [](std::size_t) { return true; }));
            }
        }
        return out;
    }

    // Every hit must be an occurrence the rules allow, and each unit must
    // have a hit of every term the rules find in it.
    static std::string HitsDisagree(const TSaveElemArray& hits, const std::set<RulesOccurrence>& allowed) {
        std::set<std::pair<std::uint64_t, std::uint32_t>> want, got;
        for (const RulesOccurrence& o : allowed) want.insert({o.unitStart, o.term});
        for (const TSaveElem& h : hits) {
            auto it = std::find_if(allowed.begin(), allowed.end(), [&](const RulesOccurrence& o) {
                return o.offset == h.offset && o.term == h.word && o.length == h.length;
            });
            if (it == allowed.end())
                return "a hit the rules do not allow: offset " + std::to_string(h.offset) + ", term " +
                       std::to_string(h.word) + ", " + std::to_string(h.length) + " bytes\n";
            got.insert({it->unitStart, it->term});
        }
        if (got != want) return "the hits miss a term the rules find in a unit\n";
        return {};
    }

    // Drops bytes, then whole runs of bytes, while the disagreement remains.
    Case Shrink(Case c, const std::vector<std::size_t>& blockSizes) {
        for (std::size_t chunk = c.bytes.size() / 2; chunk >= 1; chunk /= 2) {
            for (std::size_t at = 0; at + chunk <= c.bytes.size();) {
                Case smaller = c;
                smaller.bytes.erase(at, chunk);
                if (!Disagreement(smaller, blockSizes).empty())
                    c = smaller;
                else
                    at += chunk;
            }
        }
        return c;
    }

    int OracleResult() const { return oracle_; }

private:
    int fd_;
    int oracle_ = -1;
};

std::string ReadData(const std::string& name) {
    std::string bytes;
    if (std::FILE* f = std::fopen((std::string(QUARVEL_SOURCE_DIR) + "/tests/data/" + name).c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

// Files that hold a satisfying unit after a unit that held a term and failed,
// or none at all; deciding once skipped the units after such a unit.
TEST(DecideDifferential, UnitsAfterAFailedUnitThatHeldATerm) {
    struct Known {
        std::string bytes, expression;
        std::uint32_t within, code;
        int found;
    };
    const Known known[] = {
        {"Dec 1 error: disk quota warning ignored\nDec 2 error: disk full\nDec 3 all fine\n", "error+-ignored",
         kWithinLine, kCodeBoth, 1},
        {"a b\na\n", "a+-b", kWithinLine, kCodeBoth, 1},
        {"status ok\nstatus ok\nstatus ok", "error|-ok", kWithinLine, kCodeBoth, 0},
        {ReadData("decide-page-both.txt"), "B+-\xA5+\x9A", kWithinPage, kCodeBoth, 1},
        {ReadData("decide-sentence-ansi.txt"), "\xA5+-\xE6+\"\xA4\"", kWithinSentence, kCodeAnsi, 1},
    };
    DecisionCheck check;
    ASSERT_TRUE(check.Ready());
    for (const Known& k : known) {
        ASSERT_GT(k.bytes.size(), 5u);
        Case c;
        c.bytes = k.bytes;
        c.expression = AnsiToUtf8(k.expression);
        c.within = k.within;
        c.code = k.code;
        EXPECT_EQ(check.Disagreement(c, {1, 7, 4096}), "") << Describe(c);
        EXPECT_EQ(check.OracleResult(), k.found) << Describe(c);
    }
}

// Every text of up to three units made of a few words, each with or without
// the closing byte of its last unit, for expressions with NOT in every place.
TEST(DecideDifferential, EveryTextOfUpToThreeUnits) {
    DecisionCheck check;
    ASSERT_TRUE(check.Ready());
    const std::vector<std::string> words = {"ab", "cd", "ab cd", "xy", ""};
    const std::vector<std::string> expressions = {
        "ab+-cd", "-cd+ab", "ab+-(cd|ef)", "-cd", "ab|-cd", "(ab+-cd)|ef", "-(ab+cd)",
        "ab+cd", "ab|cd", "-ab+-cd", "(ab|-cd)+-xy", "-(-ab|cd)+xy", "\"b c\"+-xy"};
    const std::vector<std::size_t> blockSizes = {1, 2, 3, 5, 8, 13};
    const char* closers[] = {"\n", "\f", "\n", "."};  // a File unit has none: a line feed is plain text there
    int cases = 0, mismatches = 0, satisfied = 0;
    for (std::uint32_t within = 0; within < 4; ++within) {
        std::vector<std::string> texts = {""};
        for (std::size_t units = 1, first = 0; units <= 3; ++units) {
            const std::size_t end = texts.size();
            for (std::size_t t = first; t < end; ++t)
                for (const std::string& w : words) texts.push_back(texts[t] + w + closers[within]);
            first = end;
        }
        for (const std::string& text : texts) {
            for (bool dropLastCloser : {false, true}) {
                if (dropLastCloser && text.empty()) continue;
                for (const std::string& expression : expressions) {
                    // The six choices of one-byte readings and whole words, then Unicode with both.
                    for (std::uint32_t option = 0; option < 8; ++option) {
                        Case c;
                        c.bytes = dropLastCloser ? text.substr(0, text.size() - 1) : text;
                        c.expression = expression;
                        c.within = within;
                        c.code = option < 6 ? option % 3 : kCodeBoth;
                        c.wholeWord = option < 6 ? option / 3 : option - 6;
                        c.unicode = option >= 6;
                        ++cases;
                        const std::string diff = check.Disagreement(c, blockSizes);
                        satisfied += check.OracleResult();
                        if (!diff.empty() && ++mismatches <= 3) ADD_FAILURE() << Describe(c) << "\n" << diff;
                    }
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "of " << cases << " cases";
    EXPECT_GT(satisfied, cases / 4);
    EXPECT_LT(satisfied, cases * 3 / 4);
    std::printf("every small text: %d cases, %d satisfied, mismatches: %d\n", cases, satisfied, mismatches);
}

// Random cases: half random bytes, half text shaped like real files.
TEST(DecideDifferential, RandomCases) {
    DecisionCheck check;
    ASSERT_TRUE(check.Ready());
    const std::uint32_t count = FromEnvironment("QUARVEL_DIFF_CASES", 20000);
    const std::uint32_t seed = FromEnvironment("QUARVEL_DIFF_SEED", 20261209u);
    CaseMaker maker(seed);
    std::mt19937 rng(seed);
    std::uint32_t cases = 0, shaped = 0, unicode = 0, satisfied = 0, mismatches = 0, long_ = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const bool isShaped = i % 3 == 1, isUnicode = i % 3 == 2;
        const Case c = isShaped ? maker.NextShaped() : isUnicode ? maker.NextUnicode() : maker.Next();
        if (!CaseCompiles(c)) continue;
        const std::vector<std::size_t> blockSizes = {1 + rng() % 40, 1 + rng() % 3000};
        const std::string diff = check.Disagreement(c, blockSizes);
        ++cases;
        shaped += isShaped;
        unicode += isUnicode;
        satisfied += check.OracleResult();
        long_ += c.bytes.size() > kPieceSize;
        if (diff.empty()) continue;
        if (++mismatches <= 3) {
            const Case small = check.Shrink(c, blockSizes);
            ADD_FAILURE() << "case " << i << " of seed " << seed << "\n" << Describe(c) << "\n" << diff
                          << "\nshrunk to:\n" << Describe(small) << "\n" << check.Disagreement(small, blockSizes);
        }
    }
    EXPECT_EQ(mismatches, 0u);
    // Both outcomes, shaped text and units longer than a piece must all be exercised.
    EXPECT_GT(satisfied, cases / 5);
    EXPECT_LT(satisfied, cases * 4 / 5);
    EXPECT_GT(shaped, cases / 4);
    EXPECT_GT(unicode, cases / 4);
    EXPECT_GT(long_, cases / 20);
    std::printf("decide differential: %u cases (%u shaped like files, %u of Unicode text, %u satisfied, %u longer "
                "than a piece), mismatches: %u\n", cases, shaped, unicode, satisfied, long_, mismatches);
}

}  // namespace
}  // namespace quarvel
