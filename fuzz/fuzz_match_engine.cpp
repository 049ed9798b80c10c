// The match engine on random bytes with random settings: the full scan (with
// and without hits), the deciding scan and the deciding scan in random block
// sizes all agree with the rules oracle, and count the same bytes; with the
// one-byte readings alone, hits and lines agree with the piece oracle's.
#include <sys/mman.h>
#include <unistd.h>

#include "fuzz_support.h"
#include "platform/error.h"
#include "query/decide_scan.h"
#include "query/match_engine.h"
#include "query/tstr.h"
#include "tests/engine/differential_cases.h"
#include "query/term_patterns.h"
#include "tests/engine/match_oracle.h"
#include "tests/engine/rules_oracle.h"

using namespace quarvel;

namespace {

int CaseFile() {
    static const int fd = ::memfd_create("quarvel-fuzz-case", 0);
    if (fd < 0) std::abort();
    return fd;
}

void Disagree(const char* way, int got, int oracle, const Case& c) {
    if (got == oracle) return;
    std::fprintf(stderr, "%s says %d, the oracle %d\n%s\n", way, got, oracle, Describe(c).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    Case c;
    c.within = in.Below(4);
    c.code = in.Below(3);
    c.ignoreCase = in.Flag();
    c.wholeWord = in.Flag();
    c.unicode = in.Flag();
    const std::size_t blockSizes[] = {1 + in.Below(64), 1 + in.Below(4096)};
    c.expression = in.Text(48);
    c.bytes = in.Rest();
    if (!CaseCompiles(c)) return 0;

    const int fd = CaseFile();
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, c.bytes.data(), c.bytes.size(), 0) != static_cast<ssize_t>(c.bytes.size()))
        std::abort();
    const std::string folder = "/proc/self/fd", name = std::to_string(fd), path = folder + "/" + name;

    std::string expression = c.expression;
    TSearchCFG cfg = CaseCfg(c);
    Tstr query(expression, cfg);
    // The rules oracle decides; the piece oracle, for the one-byte readings,
    // also gives the hits and the line table byte for byte.
    const int oracle = RulesDecide(c.bytes, cfg, query);
    // Without terms a file is satisfied unread.
        const double oracleCurrent = cfg.GSizeFilesCurrent + (query.TermCount() ? static_cast<double>(c.bytes.size()) : 0.0);
    TSearchCFG withHits = CaseCfg(c);
    if (!c.unicode) FUZZ_CHECK(OracleScan(path, withHits, query, true) == oracle);

    ScanObserver observer;
    const CancelFlag cancel;
    for (bool collect : {false, true}) {
        cfg = CaseCfg(c);
        MatchEngine full(cfg, query, observer, cancel);
        full.SetCollectHits(collect);
        Disagree(collect ? "the full scan with hits" : "the full scan", Stored(full, full.Scan(folder, name), cfg), oracle, c);
        // Collecting hits, a file is read even without terms.
        FUZZ_CHECK(cfg.GSizeFilesCurrent == (collect ? CaseCfg(c).GSizeFilesCurrent + static_cast<double>(c.bytes.size()) : oracleCurrent));
        if (collect && !c.unicode) {
            FUZZ_CHECK(cfg.LineStarts == withHits.LineStarts);
            FUZZ_CHECK(cfg.LineCount == withHits.LineCount && cfg.LongestLine == withHits.LongestLine);
            FUZZ_CHECK(cfg.Hits == withHits.Hits);
        }
    }

    cfg = CaseCfg(c);
    MatchEngine deciding(cfg, query, observer, cancel);
    ::lseek(fd, 0, SEEK_SET);
    Disagree("deciding", Stored(deciding, deciding.Decide(fd, path), cfg), oracle, c);
    FUZZ_CHECK(cfg.GSizeFilesCurrent == oracleCurrent);

    cfg = CaseCfg(c);
    const TermPatterns patterns(query, cfg);
    const bool utf16 = patterns.UnicodeOn() && DetectForm(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()).Utf16();
    if (query.TermCount() != 0 && !utf16 && !patterns.OverlapCut(false) &&
        query.LongestTerm() <= DecideScan::kLongestTerm) {
        for (std::size_t blockSize : blockSizes) {
            ::lseek(fd, 0, SEEK_SET);
            DecideScan scan(cfg, query, patterns, blockSize);
            Disagree("deciding in blocks", scan.Run(fd, [](std::size_t) { return true; }), oracle, c);
        }
    }
    return 0;
}
