// The viewer's scan of a file cut into ranges on several threads against the
// scan of the whole file: the same outcome, hits, line table, line count and
// longest line, over random and real-shaped texts in every reading and unit,
// the ranges made as small as they go.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "query/chunked_scan.h"
#include "query/match_engine.h"
#include "tests/engine/differential_cases.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

std::string Summary(int satisfied, const FileScan& s) {
    std::string text = "satisfied " + std::to_string(satisfied) + " lines " + std::to_string(s.lineCount) +
                       " longest " + std::to_string(s.longestLine) + " end " + std::to_string(s.end) + "\nstarts";
    for (std::uint64_t start : s.lineStarts) text += " " + std::to_string(start);
    text += "\nhits";
    for (const TSaveElem& h : s.hits)
        text += " " + std::to_string(h.offset) + "/" + std::to_string(h.word) + "/" + std::to_string(h.satisfied) +
                "/" + std::to_string(h.length) + "/" + std::to_string(h.reading);
    return text;
}

TEST(ChunkedScan, ScansAsTheWholeFileScanDoes) {
    const int cases = CasesFromEnvironment("QUARVEL_CHUNK_CASES", 6000);
    const std::uint32_t seed = SeedFromEnvironment("QUARVEL_CHUNK_SEED");
    TempFolder folder("quarvel-chunks");
    CaseMaker maker(seed);
    ScanObserver observer;
    const CancelFlag cancel;
    int compared = 0, cut = 0;
    for (int i = 0; i < cases; ++i) {
        const Case c = i % 3 == 0 ? maker.Next() : i % 3 == 1 ? maker.NextShaped() : maker.NextUnicode();
        if (!CaseCompiles(c)) continue;
        std::ofstream(folder.Path() + "/case.txt", std::ios::binary) << c.bytes;
        const TSearchCFG cfg = CaseCfg(c);
        std::string expression = c.expression;
        const Tstr query(expression, cfg);
        MatchEngine whole(cfg, query, observer, cancel);
        whole.SetCollectHits(true);
        const std::string expected = Summary(whole.Scan(folder.Path(), "case.txt"), whole.Result());
        for (unsigned threads : {2u, 3u, 7u}) {
            // Ranges as small as a byte: every unit may start one.
            ChunkedScan chunked(cfg, query, observer, cancel, threads, 1);
            const std::string got = Summary(chunked.Scan(folder.Path(), "case.txt"), chunked.Result());
            ASSERT_EQ(got, expected) << "seed " << seed << ", case " << i << ", " << threads << " threads\n"
                                     << Describe(c);
            ++compared;
        }
        cut += c.within != kWithinFile;
    }
    std::printf("chunked scan: %d comparisons, seed %u\n", compared, seed);
    EXPECT_GT(cut, cases / 2) << "most cases have units to cut at";
}

}  // namespace
}  // namespace quarvel
