// A member of an archive is decided as the same bytes in a file are: random
// cases (random bytes, text shaped like files, Unicode text) packed as the
// one member of a zip (deflated or stored), a tar (plain, gzip, xz), a 7z or
// a single gzip file, decided through the archive against the plain oracle.
// Bytes that begin as a document or an archive are read as one, not as
// bytes: those are counted and left out.
#include <gtest/gtest.h>

#include <archive.h>

#include <cstdio>
#include <string>
#include <vector>

#include "documents/archive_reader.h"
#include "documents/searchable_file.h"
#include "search/member_scan.h"
#include "tests/engine/archive_writer.h"
#include "tests/engine/differential_cases.h"
#include "tests/engine/rules_oracle.h"

namespace quarvel {
namespace {

struct Packing {
    const char* name;  // the archive's file name, which names a single file's member
    int format;
    int filter;
    const char* option;  // a writer option, or nullptr
};
constexpr Packing kPackings[] = {
    {"case.zip", ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, nullptr},
    {"case.zip", ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, "zip:compression=store"},
    {"case.tar", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_NONE, nullptr},
    {"case.tar.gz", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_GZIP, nullptr},
    {"case.tar.xz", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_XZ, nullptr},
    {"case.7z", ARCHIVE_FORMAT_7ZIP, ARCHIVE_FILTER_NONE, nullptr},
    {"case.txt.gz", ARCHIVE_FORMAT_RAW, ARCHIVE_FILTER_GZIP, nullptr},
};

std::string Pack(const Packing& packing, const std::string& bytes) {
    return ArchiveBytes(packing.format, packing.filter, {{"d/case.txt", bytes}}, packing.option);
}

TEST(MemberDifferential, AMemberIsDecidedAsTheSameBytesInAFile) {
    const int count = CasesFromEnvironment("QUARVEL_MEMBER_CASES", 6000);
    const std::uint32_t seed = SeedFromEnvironment("QUARVEL_MEMBER_SEED");
    CaseMaker maker(seed);
    int cases = 0, satisfied = 0, readAsDocuments = 0, mismatches = 0;
    for (int i = 0; i < count; ++i) {
        const Case c = i % 3 == 0 ? maker.Next() : i % 3 == 1 ? maker.NextShaped() : maker.NextUnicode();
        if (!CaseCompiles(c)) continue;
        const Packing& packing = kPackings[i % std::size(kPackings)];
        if (SniffContent(std::string_view(c.bytes).substr(0, kSniffBytes)) != ContentKind::Plain) {
            ++readAsDocuments;
            continue;
        }
        TSearchCFG cfg = CaseCfg(c);
        cfg.SearchFilesMask = "*.*";
        cfg.SearchDocuments = 1;
        cfg.DeriveWindows(0);
        std::string expression = c.expression;
        Tstr query(expression, cfg);
        const int oracle = RulesDecide(c.bytes, cfg, query, nullptr);

        const std::string archiveBytes = Pack(packing, c.bytes);
        ArchiveReader reader;
        ASSERT_EQ(reader.OpenBytes(archiveBytes), ArchiveReader::Kind::Archive)
            << packing.name << " of " << c.bytes.size() << " bytes";
        ScanObserver observer;
        const CancelFlag cancel;
        MatchEngine engine(cfg, query, observer, cancel);
        const MemberFilter filter(cfg);
        TSaveFile archive;
        archive.name = packing.name;
        std::vector<MemberOutcome> outcomes;
        const std::string problem =
            DecideMembers(reader, archive, std::string("/t/") + packing.name, filter, engine, cancel, outcomes);
        const int got = outcomes.size() == 1 && outcomes[0].problem.empty() ? outcomes[0].satisfied : 0;
        ++cases;
        satisfied += oracle;
        if (got == oracle && problem.empty() && outcomes.size() == static_cast<std::size_t>(oracle)) continue;
        if (++mismatches <= 3)
            ADD_FAILURE() << "case " << i << " of seed " << seed << " in " << packing.name << ": the member says "
                          << got << " (" << outcomes.size() << " outcomes, problem \"" << problem
                          << "\"), the oracle " << oracle << "\n" << Describe(c);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(satisfied, cases / 5);
    EXPECT_LT(satisfied, cases * 4 / 5);
    EXPECT_LT(readAsDocuments, cases / 100 + 1);
    std::printf("member differential: %d cases (%d satisfied, %d read as documents), mismatches: %d\n", cases,
                satisfied, readAsDocuments, mismatches);
}

}  // namespace
}  // namespace quarvel
