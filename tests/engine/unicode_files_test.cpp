// Settings and project files with search text Windows-1252 cannot hold, files
// written before the Unicode reading came, and the record's one list of fields.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/error.h"
#include "platform/reading.h"
#include "platform/registry.h"
#include "platform/text_conv.h"
#include "results/project_file.h"
#include "settings/persistence.h"
#include "settings/search_fields.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

const std::string kCyrillic = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // "privet"
const std::string kCafe = "caf\xC3\xA9";                                           // UTF-8

class UnicodeFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quarvel-unicode-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const char* name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static TSearchCFG Record() {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchFilesMask = "*.txt";
        cfg.SearchDefaultPath = "/srv";
        cfg.SearchDateFrom = cfg.SearchDateBefore = 0x2821;  // a project holds real dates
        return cfg;
    }

    fs::path dir_;
};

// Every text of a project fits Windows-1252: written in it, as always; a
// search of Unicode alone or with the others keeps that; Cyrillic and Greek
// make the file UTF-8 under section names of its own, and it opens back exactly.
TEST_F(UnicodeFiles, AProjectOpensBackExactlyInWhicheverFormItIsWritten) {
    struct Row { std::string text, op; std::uint32_t unicode; bool utf8; };
    const Row rows[] = {{kCafe + "+b", "\xC2\xA7", kUnicodeOff, false}, {kCafe, "+", kUnicodeToo, false},
                        {"x", "+", kUnicodeAlone, false}, {kCyrillic + "|" + kCafe, "+", kUnicodeToo, true},
                        {"ok", "\xCE\xA3", kUnicodeOff, true}};
    for (const Row& row : rows) {
        TSearchCFG cfg = Record();
        cfg.SearchString = row.text;
        cfg.Operators[kOpAnd] = row.op;
        cfg.SearchUnicode = row.unicode;
        TSaveFile f;
        f.folder = "/srv/\xD0\x96";
        f.name = "a.txt";
        cfg.FoundFiles.push_back(f);
        const std::string path = File("p.qrv");
        EXPECT_TRUE(SaveProject(path, cfg).empty());
        const std::string bytes = Read(path);
        SCOPED_TRACE(bytes.substr(0, 40));
        EXPECT_EQ(bytes.starts_with("\xEF\xBB\xBF[UTF-8 Quarvel]\r\n"), row.utf8);
        EXPECT_EQ(bytes.starts_with("[Quarvel]\r\n"), !row.utf8);
        EXPECT_EQ(bytes.find("\r\n[UTF-8 FoundFiles]\r\n") != std::string::npos, row.utf8);
        // An older reader looks for a section named Quarvel or FoundFiles: a UTF-8 project has none.
        if (row.utf8) {
            EXPECT_EQ(bytes.find("\n[Quarvel"), std::string::npos);
            EXPECT_EQ(bytes.find("\n[Found"), std::string::npos);
        } else {
            EXPECT_NE(bytes.find("SearchString=" + Utf8ToAnsi(row.text).text + "\r\n"), std::string::npos);
        }
        EXPECT_EQ(bytes.find("SearchUnicode=") != std::string::npos, row.unicode != kUnicodeOff);
        TSearchCFG back;
        LoadProject(path, back);
        EXPECT_EQ(back.SearchString, row.text);
        EXPECT_EQ(back.Operators, cfg.Operators);
        EXPECT_EQ(back.SearchUnicode, row.unicode);
        ASSERT_EQ(back.FoundFiles.size(), 1u);
        EXPECT_EQ(back.FoundFiles[0].Path(), "/srv/\xD0\x96/a.txt");
    }
    // A UTF-8 project whose texts are no UTF-8 is refused as any damaged one.
    Write(File("bad.qrv"), "\xEF\xBB\xBF[UTF-8 Quarvel]\r\nSearchString=caf\xE9\r\n[UTF-8 FoundFiles]\r\n");
    TSearchCFG bad = Record();
    EXPECT_THROW(LoadProject(File("bad.qrv"), bad), QuarvelError);
}

// A project written before the Unicode reading came: its Windows-1252 text
// loads as the same characters, and its search is the old one, Unicode off,
// whatever the record held; a file of results alone leaves the settings.
TEST_F(UnicodeFiles, AnOldProjectLoadsAsItWasSearched) {
    const std::string old = "[Quarvel]\r\nVersionQRV=1.00\r\nSearchFilesMask=*.txt\r\nSearchString=caf\xE9+\xA7\r\n"
                            "SearchDefaultPath=/srv\r\nSearchWithin=2\r\nSearchCode=1\r\nSearchIgnoreCase=1\r\n"
                            "OperatorAnd=+\r\nOperatorOr=|\r\nOperatorNot=-\r\nOperatorStr=\"\r\nOperatorLevelO=(\r\n"
                            "OperatorLevelC=)\r\nFileSeparator=,\r\nFileNotSearch=\xAC\r\n\r\n[FoundFiles]\r\n/srv,a.txt,1,2,3,4\r\n";
    Write(File("old.qrv"), old);
    TSearchCFG cfg = Record();
    ASSERT_EQ(cfg.SearchUnicode, kUnicodeToo);
    LoadProject(File("old.qrv"), cfg);
    EXPECT_EQ(cfg.SearchString, kCafe + "+\xC2\xA7");
    EXPECT_EQ(cfg.Operators[kOpFileNotSearch], "\xC2\xAC");
    EXPECT_EQ(cfg.SearchUnicode, kUnicodeOff);
    EXPECT_EQ(cfg.Readings(), std::uint32_t{kReadingAnsi});
    // Saved again, it is the same file, byte for byte.
    const std::string again = ProjectText(cfg);
    EXPECT_NE(again.find("SearchString=caf\xE9+\xA7\r\n"), std::string::npos);
    EXPECT_EQ(again.find("SearchUnicode"), std::string::npos);

    Write(File("results.qrv"), "[FoundFiles]\r\n/srv,b.txt,1,2,3,4\r\n");
    TSearchCFG held = Record();
    LoadProject(File("results.qrv"), held);
    EXPECT_EQ(held.SearchUnicode, kUnicodeToo) << "no settings section: the settings stay";
}

// The settings file: Windows-1252 when every typed text fits (REGEDIT4, as
// always), else a Unicode registry file in UTF-8; an old file loads with the
// Unicode reading off and its texts as the characters they were; a first run
// reads all three.
TEST_F(UnicodeFiles, TheSettingsFileKeepsTypedTextAndTheOldSearch) {
    for (const std::string& text : {kCafe, kCyrillic + "+\xF0\x9F\x98\x80"}) {
        StoredSettings saved;
        {
            Registry none(File("none.reg"));
            LoadSettings(none, saved, 96);
        }
        EXPECT_EQ(saved.search.SearchUnicode, kUnicodeToo) << "a first run";
        saved.ui.StringHistory = {text, "old"};
        saved.search.Operators[kOpOr] = "\xD0\x98";  // a Cyrillic I
        Registry registry(File("q.reg"));
        ASSERT_TRUE(SaveSettings(registry, saved));
        const std::string bytes = Read(File("q.reg"));
        EXPECT_TRUE(bytes.starts_with("Windows Registry Editor Version 5.00\n")) << "the operator is Cyrillic";
        EXPECT_NE(bytes.find("\"String0\"=\"" + text + "\""), std::string::npos);
        Registry reread(File("q.reg"));
        StoredSettings loaded;
        LoadSettings(reread, loaded, 96);
        EXPECT_EQ(loaded.ui.StringHistory, saved.ui.StringHistory);
        EXPECT_EQ(loaded.search.SearchString, text);
        EXPECT_EQ(loaded.search.Operators, saved.search.Operators);
        EXPECT_EQ(loaded.search.SearchUnicode, kUnicodeToo);

        loaded.search.Operators[kOpOr] = "|";
        loaded.ui.StringHistory = {kCafe};
        loaded.search.SearchUnicode = kUnicodeOff;
        ASSERT_TRUE(SaveSettings(reread, loaded));
        const std::string plain = Read(File("q.reg"));
        EXPECT_TRUE(plain.starts_with("REGEDIT4\n"));
        EXPECT_NE(plain.find("\"String0\"=\"caf\xE9\""), std::string::npos) << "Windows-1252, as always";
        Registry again(File("q.reg"));
        StoredSettings off;
        LoadSettings(again, off, 96);
        EXPECT_EQ(off.search.SearchUnicode, kUnicodeOff);
        EXPECT_EQ(off.ui.StringHistory.front(), kCafe);
    }
    Write(File("old.reg"), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n\"SearchCode\"=dword:00000001\n"
                           "\"OperatorAnd\"=\"\xA7\"\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Save]\n\"String0\"=\"na\xEFve\"\n");
    Registry old(File("old.reg"));
    StoredSettings state;
    LoadSettings(old, state, 96);
    EXPECT_EQ(state.search.SearchUnicode, kUnicodeOff) << "written before the Unicode reading: the old search";
    EXPECT_EQ(state.search.Readings(), std::uint32_t{kReadingAnsi});
    EXPECT_EQ(state.search.Operators[kOpAnd], "\xC2\xA7");
    EXPECT_EQ(state.search.SearchString, "na\xC3\xAFve");
}

// The record's copy, check and both files walk one list: every field of it
// is copied, and each file keeps exactly the fields the list says.
TEST(SearchFieldList, EveryListedFieldIsCopiedCheckedAndStoredWhereTheListSays) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDateFrom = cfg.SearchDateBefore = 0x2821;
    std::uint32_t n = 0;
    for (const SearchField& f : SearchFields()) {
        ++n;
        switch (f.kind) {
            case FieldKind::Text: f.text(cfg) = f.typed ? "t" + std::to_string(n) : "/f" + std::to_string(n); break;
            case FieldKind::U32: cfg.*f.u32 = f.below ? (n % f.below) : n; break;
            case FieldKind::U16: if (!f.date) cfg.*f.u16 = static_cast<std::uint16_t>(n); break;
            case FieldKind::U64: cfg.*f.u64 = n; break;
            case FieldKind::Real: cfg.*f.real = n; break;
        }
    }
    ASSERT_TRUE(cfg.Validate());
    const TSearchCFG copy = cfg;
    const std::string project = ProjectText(cfg);
    for (const SearchField& f : SearchFields()) {
        SCOPED_TRACE(f.key);
        std::string value;
        switch (f.kind) {
            case FieldKind::Text: EXPECT_EQ(f.Text(copy), f.Text(cfg)); value = f.Text(cfg); break;
            case FieldKind::U32: case FieldKind::U16: EXPECT_EQ(f.Number(copy), f.Number(cfg)); value = std::to_string(f.Number(cfg)); break;
            case FieldKind::U64: EXPECT_EQ(copy.*f.u64, cfg.*f.u64); break;
            case FieldKind::Real: EXPECT_EQ(copy.*f.real, cfg.*f.real); value = std::to_string(static_cast<long>(cfg.*f.real)); break;
        }
        const bool written = project.find("\r\n" + std::string(f.key) + "=" + value + "\r\n") != std::string::npos;
        EXPECT_EQ(written, (f.stores & kInProject) != 0 && !(f.onlyWhenSet && f.Number(cfg) == 0));
        // Out of its range, a number fails the check.
        if ((f.kind == FieldKind::U32 || f.kind == FieldKind::U16) && (f.below || f.date)) {
            TSearchCFG wrong = cfg;
            f.SetNumber(wrong, f.date ? 0xFFFF : f.below);
            EXPECT_FALSE(wrong.Validate());
        }
    }
}

}  // namespace
}  // namespace quarvel
