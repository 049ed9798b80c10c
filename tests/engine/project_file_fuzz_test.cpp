#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <tuple>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/text_conv.h"
#include "platform/unicode_text.h"
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
    ASSERT_LT(Utf8ToChars(cfg.SearchString).size(), 260u);
    ASSERT_LT(cfg.SearchDefaultPath.size(), 260u);
    for (const std::string& op : cfg.Operators) ASSERT_LE(Utf8ToChars(op).size(), 10u);
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

// Bytes of a file or folder name: anything but "/" and NUL, high bytes
// included; now and then one of the bytes a record line cannot hold.
std::string RandomName(std::mt19937& rng, std::size_t length) {
    std::string name;
    for (std::size_t i = 0; i < length; ++i) {
        char c = static_cast<char>(1 + rng() % 255);
        if (rng() % 150 == 0) c = ",\r\n"[rng() % 3];
        if (rng() % 2000 == 0) c = '\0';
        name += c == '/' ? 'x' : c;
    }
    return name;
}

std::string RandomFolder(std::mt19937& rng) {
    std::string folder;
    const int parts = rng() % 8 == 0 ? 0 : 1 + static_cast<int>(rng() % 4);
    const bool deep = rng() % 4 == 0;  // 600 bytes and more
    for (int i = 0; i < parts || (deep && folder.size() < 600); ++i)
        folder += "/" + RandomName(rng, 1 + rng() % (deep ? 200 : 12));
    return folder;
}

bool CannotBeHeld(const TSaveFile& f) {
    for (const std::string* text : {&f.folder.str(), &f.name.str()})
        for (char c : *text)
            if (c == ',' || c == '\r' || c == '\n' || c == '\0') return true;
    return false;
}

// Settings in their valid ranges; the texts may hold a line break.
TSearchCFG RandomSettings(std::mt19937& rng) {
    TSearchCFG cfg;
    auto text = [&](std::size_t longest) {
        std::string t;
        for (std::size_t n = rng() % (longest + 1); t.size() < n;) t += static_cast<char>(1 + rng() % 255);
        for (char& c : t)
            if (c == '\r' || c == '\n') c = ' ';
        if (!t.empty() && rng() % 40 == 0) t[rng() % t.size()] = "\r\n"[rng() % 2];
        return t;
    };
    // Typed text: characters of several scripts, now and then a line break.
    auto typed = [&](std::size_t longest) {
        static const char32_t kFrom[] = {0x20, 0xA0, 0x400, 0x3B0, 0x4E00, 0x1F600};
        std::u32string t;
        for (std::size_t n = rng() % (longest + 1); t.size() < n;) {
            const char32_t base = kFrom[rng() % 6];
            t += base == 0x20 ? static_cast<char32_t>(0x20 + rng() % 95) : base + rng() % 80;
        }
        if (!t.empty() && rng() % 40 == 0) t[rng() % t.size()] = U"\r\n"[rng() % 2];
        return CharsToUtf8(t);
    };
    auto date = [&] { return PackDosDate(1 + rng() % 28, 1 + rng() % 12, 1980 + rng() % 128); };
    do {
        cfg.SearchFilesMask = text(259);
        cfg.SearchString = rng() % 2 ? typed(259) : AnsiToUtf8(text(259));
        cfg.SearchUnicode = rng() % 2;
        cfg.SearchDefaultPath = text(259);
        cfg.SearchWithin = rng() % 4;
        cfg.SearchCode = rng() % 3;
        cfg.SearchIgnoreCase = rng() % 2;
        cfg.SearchIncludeSubDir = rng() % 2;
        cfg.SearchWholeWord = rng() % 2;
        cfg.SearchIncludeHidden = rng() % 2;
        cfg.GFiles = static_cast<std::uint32_t>(rng());
        cfg.GSizeFiles = static_cast<double>(rng() % (1ull << 50));
        cfg.GSizeFilesCurrent = static_cast<double>(rng() % (1ull << 40));
        cfg.timeStart = static_cast<std::uint32_t>(rng());
        cfg.timeEnd = static_cast<std::uint32_t>(rng());
        cfg.timeSum = static_cast<double>(rng() % 100000);
        cfg.SearchDateId = rng() % 4;
        cfg.SearchDateFrom = date();
        cfg.SearchDateBefore = date();
        cfg.SearchDateLastMonate = rng() % 1000;
        cfg.SearchDateLastDay = rng() % 1000;
        cfg.SearchSizeId = rng() % 3;
        cfg.SearchSizeMax = rng() % 1000000;
        cfg.SearchSizeMin = rng() % 1000000;
        for (std::string& op : cfg.Operators) {
            do op = rng() % 2 ? typed(10) : AnsiToUtf8(text(10));
            while (op.empty());
        }
    } while (!cfg.Validate());
    return cfg;
}

void ExpectSameSettings(const TSearchCFG& a, const TSearchCFG& b) {
    EXPECT_EQ(std::tie(a.SearchFilesMask, a.SearchString, a.SearchDefaultPath, a.Operators),
              std::tie(b.SearchFilesMask, b.SearchString, b.SearchDefaultPath, b.Operators));
    EXPECT_EQ(a.SearchUnicode, b.SearchUnicode);
    EXPECT_EQ(std::tie(a.SearchWithin, a.SearchCode, a.SearchIgnoreCase, a.SearchIncludeSubDir, a.SearchWholeWord,
                       a.SearchIncludeHidden, a.GFiles, a.GSizeFiles, a.GSizeFilesCurrent, a.timeStart, a.timeEnd,
                       a.timeSum),
              std::tie(b.SearchWithin, b.SearchCode, b.SearchIgnoreCase, b.SearchIncludeSubDir, b.SearchWholeWord,
                       b.SearchIncludeHidden, b.GFiles, b.GSizeFiles, b.GSizeFilesCurrent, b.timeStart, b.timeEnd,
                       b.timeSum));
    EXPECT_EQ(std::tie(a.SearchDateId, a.SearchDateFrom, a.SearchDateBefore, a.SearchDateLastMonate,
                       a.SearchDateLastDay, a.SearchSizeId, a.SearchSizeMax, a.SearchSizeMin),
              std::tie(b.SearchDateId, b.SearchDateFrom, b.SearchDateBefore, b.SearchDateLastMonate,
                       b.SearchDateLastDay, b.SearchSizeId, b.SearchSizeMax, b.SearchSizeMin));
}

// What is saved opens back the same: the settings, and the found files but
// exactly those reported as left out. Every tenth project goes through a real
// file, large enough now and then for lines to cross the reader's chunks.
TEST(ProjectFileFuzz, SavedProjectsOpenBackTheSame) {
    std::mt19937 rng(4);
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("qv-roundtrip-" + std::to_string(::getpid()) + ".qrv")).string();
    struct RemovedAtEnd {
        const std::string& path;
        ~RemovedAtEnd() { std::filesystem::remove(path); }
    } removed{path};
    int leftOutSeen = 0, refusedSeen = 0;
    for (int i = 0; i < 400 && !::testing::Test::HasFailure(); ++i) {
        SCOPED_TRACE(i);
        TSearchCFG cfg = RandomSettings(rng);
        const std::size_t count = i % 50 == 0 ? 300 : rng() % 20;
        std::vector<std::string> expectLeftOut;
        TSaveFileArray expectFiles;
        for (std::size_t k = 0; k < count; ++k) {
            TSaveFile f;
            f.folder = RandomFolder(rng);
            f.name = RandomName(rng, rng() % 16 == 0 ? 255 : 1 + rng() % 20);
            f.size = static_cast<std::uint32_t>(rng());
            f.date = static_cast<std::uint16_t>(rng());
            f.time = static_cast<std::uint16_t>(rng());
            f.attributes = static_cast<std::uint32_t>(rng());
            f.group = rng() % 3;
            cfg.FoundFiles.push_back(f);
            if (CannotBeHeld(f))
                expectLeftOut.push_back(f.folder.str() + "/" + f.name.str());
            else
                expectFiles.push_back(f);
        }
        const bool unsavable = UnsavableSetting(cfg) != nullptr;
        TSearchCFG back;
        std::vector<std::string> leftOut;
        if (i % 10 == 0) {
            try {
                leftOut = SaveProject(path, cfg);
                ASSERT_FALSE(unsavable);
            } catch (const QuarvelError& e) {
                ASSERT_TRUE(unsavable) << e.what();
                ++refusedSeen;
                continue;
            }
            LoadProject(path, back);
        } else {
            if (unsavable) {
                ++refusedSeen;
                continue;
            }
            LoadProjectText(ProjectText(cfg, &leftOut), kPath, back);
        }
        leftOutSeen += !leftOut.empty();
        EXPECT_EQ(leftOut, expectLeftOut);
        ExpectSameSettings(back, cfg);
        ASSERT_EQ(back.FoundFiles.size(), expectFiles.size());
        for (std::size_t k = 0; k < expectFiles.size(); ++k) {
            const TSaveFile& a = back.FoundFiles[k];
            const TSaveFile& b = expectFiles[k];
            EXPECT_EQ(std::tie(a.folder.str(), a.name.str(), a.size, a.date, a.time, a.attributes),
                      std::tie(b.folder.str(), b.name.str(), b.size, b.date, b.time, b.attributes));
            EXPECT_EQ(a.group, 0u);
        }
    }
    // Both kinds of project the format cannot hold whole must have come up.
    EXPECT_GT(leftOutSeen, 20);
    EXPECT_GT(refusedSeen, 5);
}

}  // namespace
}  // namespace quarvel
