#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "platform/clock.h"
#include "platform/error.h"
#include "results/project_file.h"

namespace quarvel {
namespace {

constexpr const char* kPath = "fuzz.qrv";
constexpr auto kBudget = std::chrono::milliseconds(1200);

TSearchCFG ValidCfg() {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDateFrom = PackDosDate(1, 1, 2000);
    cfg.SearchDateBefore = PackDosDate(31, 12, 2030);
    return cfg;
}

std::string ValidText() {
    TSearchCFG cfg = ValidCfg();
    cfg.SearchFilesMask = "*.txt,-*.bak";
    cfg.SearchString = "alpha + beta";
    cfg.SearchDefaultPath = "/home/u";
    cfg.GSizeFiles = 123456789.0;
    for (int i = 0; i < 5; ++i) {
        TSaveFile f;
        f.folder = "/home/u/d" + std::to_string(i);
        f.name = "file" + std::to_string(i) + ".txt";
        f.size = 1000u * i;
        f.date = PackDosDate(1 + i, 2, 2001);
        cfg.FoundFiles.push_back(f);
    }
    return ProjectText(cfg);
}

// An accepted record is valid, within every limit, and saves and loads back unchanged.
void CheckAccepted(const TSearchCFG& cfg) {
    ASSERT_TRUE(cfg.Validate());
    ASSERT_LT(cfg.SearchFilesMask.size(), 260u);
    ASSERT_LT(cfg.SearchString.size(), 260u);
    ASSERT_LT(cfg.SearchDefaultPath.size(), 260u);
    for (const std::string& op : cfg.Operators) ASSERT_LE(op.size(), 10u);
    for (const TSaveFile& f : cfg.FoundFiles) {
        ASSERT_EQ(f.group, 0u);
        for (const std::string* text : {&f.folder.str(), &f.name.str()})
            ASSERT_EQ(text->find_first_of(std::string_view(",\r\n\0", 4)), std::string::npos);
    }
    const std::string saved = ProjectText(cfg);
    TSearchCFG again;
    ASSERT_NO_THROW(LoadProjectText(saved, kPath, again));
    ASSERT_EQ(ProjectText(again), saved);
}

// The loader either accepts the bytes or refuses them with its message; true when accepted.
bool CheckLoad(const std::string& bytes, bool intoValidRecord) {
    TSearchCFG cfg = intoValidRecord ? ValidCfg() : TSearchCFG{};
    try {
        LoadProjectText(bytes, kPath, cfg);
    } catch (const QuarvelError& e) {
        EXPECT_EQ(std::string(e.what()), std::string("Invalid format file ") + kPath);
        return false;
    }
    CheckAccepted(cfg);
    return true;
}

const char* const kTokens[] = {
    "[Quarvel]", "[FoundFiles]", "[QuarvelX]", "[]", "[ab]", "\r\n", "\n", "\r", "=", ",", ",,,,,,", "[", "]",
    "SearchString=", "SearchWithin=", "SearchCode=", "SearchDateFrom=", "GSizeFiles=", "OperatorAnd=",
    "FileSeparator=", "SearchFilesMask=", "-1", "0", "1", "4294967296", "99999999999999999999999", " ", "+",
    "\x00", "\xFF",
};

std::string RandomBytes(std::mt19937& rng) {
    std::string out;
    const int pieces = static_cast<int>(rng() % 80);
    for (int i = 0; i < pieces; ++i) {
        if (rng() % 3 == 0) {
            out += static_cast<char>(rng() & 0xFF);
        } else {
            const char* token = kTokens[rng() % std::size(kTokens)];
            out += token[0] ? std::string(token) : std::string(1, '\0');
        }
    }
    return out;
}

std::string Mutate(std::string text, std::mt19937& rng) {
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < edits && !text.empty(); ++i) {
        const std::size_t at = rng() % text.size();
        switch (rng() % 5) {
        case 0: text[at] = static_cast<char>(rng() & 0xFF); break;
        case 1: text.erase(at, 1 + rng() % 40); break;
        case 2: text.insert(at, kTokens[rng() % (std::size(kTokens) - 2)]); break;
        case 3: text.insert(at, text.substr(rng() % text.size(), 1 + rng() % 60)); break;
        case 4: text.insert(at, std::string(1 + rng() % 600, "a,=[]0-"[rng() % 7])); break;
        }
    }
    return text;
}

template <typename Body>
void RunFor(Body body) {
    const auto end = std::chrono::steady_clock::now() + kBudget;
    for (int i = 0; i < 20000 && std::chrono::steady_clock::now() < end; ++i) {
        body(i);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(ProjectFileFuzz, ArbitraryBytes) {
    std::mt19937 rng(1);
    RunFor([&](int i) { CheckLoad(RandomBytes(rng), i % 2 == 0); });
}

TEST(ProjectFileFuzz, MutatedValidProjects) {
    std::mt19937 rng(2);
    const std::string valid = ValidText();
    ASSERT_TRUE(CheckLoad(valid, false));
    int accepted = 0, refused = 0;
    RunFor([&](int i) { ++(CheckLoad(Mutate(valid, rng), i % 2 == 0) ? accepted : refused); });
    // Both outcomes must be reached, or the mutations test nothing.
    EXPECT_GT(accepted, 0);
    EXPECT_GT(refused, 0);
}

TEST(ProjectFileFuzz, HundredKilobyteLines) {
    std::mt19937 rng(3);
    const std::string valid = ValidText();
    const std::size_t settingsEnd = valid.find("\r\n[FoundFiles]");
    ASSERT_NE(settingsEnd, std::string::npos);
    RunFor([&](int i) {
        std::string line(100 * 1024, 'x');
        for (int k = 0; k < 200; ++k) line[rng() % line.size()] = "=,[]\r-9S"[rng() % 8];
        if (i % 3 == 0) line.insert(rng() % line.size(), "SearchString=x");
        std::string text;
        switch (i % 4) {
        case 0: text = line; break;                                                        // no line end at all
        case 1: text = line + "\r\n" + valid; break;                                       // before the settings
        case 2: text = valid.substr(0, settingsEnd) + "\r\n" + line + valid.substr(settingsEnd); break;
        case 3: text = valid + line + "\r\n" + line; break;                                // among the records
        }
        CheckLoad(text, i % 2 == 0);
    });
}

}  // namespace
}  // namespace quarvel
