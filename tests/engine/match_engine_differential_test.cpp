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

#include "platform/error.h"
#include "query/decide_scan.h"
#include "query/match_engine.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"
#include "tests/engine/match_oracle.h"

namespace quarvel {
namespace {

// Small alphabets so that terms occur often, with the unit closers, bytes
// whose OEM and ANSI readings differ, and capitals for case folding.
const std::string kFileBytes = "aaaabbbb   c.!?\n\f\x81\x84\x8E\xE1\xFC\xC4" "AB";
const std::string kPadBytes = "aab A";
const std::string kTermBytes = "aaabbb c.\n\x81\xFC\xE1\xC4" "AB";

struct Case {
    std::string bytes;
    std::string expression;
    std::uint32_t within = 0;
    std::uint32_t code = 0;
    std::uint32_t ignoreCase = 0;
    std::uint32_t wholeWord = 0;
};

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

// The bytes as a C++ expression, runs of 8 or more equal bytes folded.
std::string Escaped(const std::string& bytes) {
    auto hex = [](unsigned char c) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        return std::string(buf);
    };
    std::string out;
    std::string quoted;  // the quoted text being gathered
    bool lastHex = false;
    auto flush = [&] {
        if (quoted.empty()) return;
        out += (out.empty() ? "" : " + ") + std::string("std::string(\"") + quoted + "\")";
        quoted.clear();
        lastHex = false;
    };
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t run = 1;
        while (i + run < bytes.size() && bytes[i + run] == bytes[i]) ++run;
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (run >= 8) {
            flush();
            out += (out.empty() ? "" : " + ") + std::string("std::string(") + std::to_string(run) + ", '" + hex(c) +
                   "')";
            i += run;
            continue;
        }
        if (c == '\n') {
            quoted += "\\n";
            lastHex = false;
        } else if (c == '\f') {
            quoted += "\\f";
            lastHex = false;
        } else if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
            lastHex = false;
        } else if (c >= 0x20 && c < 0x7F) {
            if (lastHex && std::isxdigit(c)) quoted += "\" \"";
            quoted += static_cast<char>(c);
            lastHex = false;
        } else {
            quoted += hex(c);
            lastHex = true;
        }
        ++i;
    }
    flush();
    return out.empty() ? "std::string()" : out;
}

std::string Describe(const Case& c) {
    std::ostringstream out;
    out << "expression " << Escaped(c.expression) << "\nSearchWithin " << c.within << ", SearchCode " << c.code
        << ", SearchIgnoreCase " << c.ignoreCase << ", SearchWholeWord " << c.wholeWord << "\nfile ("
        << c.bytes.size() << " bytes) " << Escaped(c.bytes);
    return out.str();
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

    TSearchCFG MakeCfg(const Case& c) const {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchWithin = c.within;
        cfg.SearchCode = c.code;
        cfg.SearchIgnoreCase = c.ignoreCase;
        cfg.SearchWholeWord = c.wholeWord;
        cfg.CurrentFileSize = static_cast<double>(c.bytes.size());
        cfg.GSizeFiles = 50000;
        cfg.GSizeFilesCurrent = 777;
        return cfg;
    }

    // Compiles the expression; false when it is not a valid one.
    bool Compiles(const Case& c) const {
        try {
            std::string e = c.expression;
            Tstr q(e, MakeCfg(c));
        } catch (const QuarvelError&) {
            return false;
        }
        return true;
    }

    Outcome RunOne(const Case& c, bool engine, bool collect) {
        TSearchCFG cfg = MakeCfg(c);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        Outcome out;
        try {
            if (engine) {
                ScanObserver observer;
                const bool cancel = false;
                MatchEngine scanner(cfg, query, observer, cancel);
                scanner.SetCollectHits(collect);
                out.result = scanner.Scan(dir_, "case.bin");
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

class CaseMaker {
public:
    explicit CaseMaker(std::uint32_t seed) : rng_(seed) {}

    Case Next() {
        Case c;
        c.within = Pick(4);
        c.code = Pick(3);
        c.ignoreCase = Pick(2);
        c.wholeWord = Pick(2);
        c.bytes = File();
        c.expression = Expression(c.bytes);
        return c;
    }

private:
    std::uint32_t Pick(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
    char From(const std::string& alphabet) { return alphabet[Pick(static_cast<std::uint32_t>(alphabet.size()))]; }
    std::string Random(std::size_t n, const std::string& alphabet) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += From(alphabet);
        return s;
    }

    std::string Word() {
        std::string w = Random(1 + Pick(6), kTermBytes);
        return w;
    }

    std::string File() {
        switch (Pick(6)) {
            case 0:
                return Random(Pick(40), kFileBytes);
            case 1:
                return Random(Pick(400), kFileBytes);
            case 2:
                return Random(Pick(9000), kFileBytes);
            case 3: {
                // A word close to the first cut, inside a unit that has no closer.
                std::string s = Random(1990 + Pick(21), Pick(2) ? kPadBytes : kFileBytes);
                s += Word();
                s += Random(Pick(30), kFileBytes);
                return s;
            }
            case 4: {
                // Close to the second cut too.
                std::string s = Random(1990 + Pick(21), kPadBytes);
                s += Word();
                s += Random(1970 + Pick(30), kPadBytes);
                s += Word();
                s += Random(Pick(30), kFileBytes);
                return s;
            }
            default: {
                // One closer, then a long unit.
                std::string s = Random(Pick(20), kFileBytes);
                s += From("\n\f.!?");
                s += Random(1990 + Pick(21), kPadBytes);
                s += Word();
                return s;
            }
        }
    }

    // Terms come from the alphabet or from the file itself, so they occur.
    std::string Term(const std::string& file) {
        if (!file.empty() && Pick(2)) {
            const std::size_t len = 1 + Pick(6);
            const std::size_t at = Pick(static_cast<std::uint32_t>(file.size()));
            std::string t = file.substr(at, len);
            if (!t.empty()) return t;
        }
        return Word();
    }

    std::string Operand(const std::string& file, int depth, int& budget) {
        std::string s = Pick(5) == 0 ? "-" : "";
        const std::uint32_t kind = Pick(10);
        if (depth < 2 && kind < 2 && budget >= 2) {
            s += "(" + Sequence(file, depth + 1, budget) + ")";
        } else if (kind < 4) {
            --budget;
            s += "\"" + Term(file) + "\"";
        } else {
            --budget;
            s += Term(file);
        }
        return s;
    }

    std::string Sequence(const std::string& file, int depth, int& budget) {
        std::string s = Operand(file, depth, budget);
        const std::uint32_t more = Pick(3);
        for (std::uint32_t i = 0; i < more && budget > 0; ++i) {
            s += Pick(2) ? "+" : "|";
            s += Operand(file, depth, budget);
        }
        return s;
    }

    std::string Expression(const std::string& file) {
        if (Pick(40) == 0) return {};
        int budget = 1 + static_cast<int>(Pick(3));
        return Sequence(file, 0, budget);
    }

    std::mt19937 rng_;
};

TEST_F(MatchEngineDifferentialTest, EngineAgreesWithOracle) {
    CaseMaker maker(20240611u);
    int compiled = 0;
    int mismatches = 0;
    int withHits = 0, satisfied = 0, cut = 0;
    const int kCases = 3000;
    for (int i = 0; i < kCases; ++i) {
        const Case c = maker.Next();
        if (!Compiles(c)) continue;
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

// Deciding without hits, across blocks of any size, gives the result and the
// progress total of the unit-by-unit scan.
TEST_F(MatchEngineDifferentialTest, DecidingAgreesWithOracle) {
    CaseMaker maker(20261208u);
    std::mt19937 rng(7);
    int compared = 0, mismatches = 0, satisfied = 0;
    for (int i = 0; i < 3000; ++i) {
        const Case c = maker.Next();
        if (!Compiles(c)) continue;
        Write(c.bytes);
        const Outcome want = RunOne(c, false, false);
        const std::size_t blockSizes[] = {1 + rng() % 40, 1 + rng() % 3000, DecideScan::kBlockSize};
        for (std::size_t blockSize : blockSizes) {
            TSearchCFG cfg = MakeCfg(c);
            std::string expression = c.expression;
            Tstr query(expression, cfg);
            int got = 1;
            if (query.TermCount() != 0) {
                const int fd = ::open((dir_ + "/case.bin").c_str(), O_RDONLY);
                ASSERT_GE(fd, 0);
                DecideScan scan(cfg, query, blockSize);
                got = scan.Run(fd, [](std::size_t) { return true; });
                ::close(fd);
            }
            ++compared;
            if (got == want.result) continue;
            if (++mismatches <= 3)
                ADD_FAILURE() << "case " << i << ", blocks of " << blockSize << ": oracle " << want.result
                              << ", deciding " << got << "\n" << Describe(c);
        }
        if (want.result == 1) ++satisfied;

        // Through the engine, with the file opened by the caller.
        TSearchCFG cfg = MakeCfg(c);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        ScanObserver observer;
        const bool cancel = false;
        MatchEngine engine(cfg, query, observer, cancel);
        const int fd = ::open((dir_ + "/case.bin").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        const int result = engine.Decide(fd, dir_ + "/case.bin");
        ::close(fd);
        EXPECT_EQ(result, want.result) << Describe(c);
        EXPECT_EQ(cfg.GSizeFilesCurrent, want.current) << Describe(c);
    }
    EXPECT_EQ(mismatches, 0) << "of " << compared << " comparisons";
    EXPECT_GT(satisfied, compared / 3 / 5);
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
        TSearchCFG cfg = MakeCfg(c);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        const int fd = ::open((dir_ + "/case.bin").c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        DecideScan scan(cfg, query);
        EXPECT_EQ(scan.Run(fd, [](std::size_t) { return true; }), 1) << "after " << pad;
        ::close(fd);
    }
}

}  // namespace
}  // namespace quarvel
