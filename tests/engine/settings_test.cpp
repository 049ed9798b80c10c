#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/registry.h"
#include "settings/persistence.h"
#include "settings/search_cfg.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quarvel-settings-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(SettingsFiles, FirstRunGivesEveryDefault) {
    Registry registry(File("missing.reg"));
    StoredSettings state;
    LoadSettings(registry, state, 96);
    const TSearchCFG& s = state.search;
    EXPECT_EQ(s.SearchCode, 2u);
    EXPECT_EQ(s.SearchWithin, 0u);
    EXPECT_EQ(s.SearchIncludeHidden, 1u);
    EXPECT_EQ(s.SearchIgnoreCase + s.SearchIncludeSubDir + s.SearchWholeWord + s.SearchRefined, 0u);
    EXPECT_EQ(s.SearchDateId + s.SearchSizeId + s.SearchSizeMax + s.SearchSizeMin, 0u);
    const char* ops[] = {"+", "|", "-", "\"", "(", ")", ",", "-"};
    for (int i = 0; i < kOperatorCount; ++i) EXPECT_EQ(s.Operators[i], ops[i]) << i;
    EXPECT_EQ(state.ui.StatusBar, 1u);
    EXPECT_EQ(state.ui.HintMode, 0u);
    EXPECT_EQ(state.ui.ColorVD, 0x0000FFu);
    EXPECT_EQ(state.ui.ViewerFont.lfFaceName, "Courier New");
    EXPECT_EQ(state.ui.ViewerFont.lfHeight, -13);
    EXPECT_EQ(state.ui.ViewerFont.lfWeight, 400);
    EXPECT_EQ(state.ui.ViewerFont.lfOutPrecision, 4);
    EXPECT_EQ(state.ui.ViewerFont.lfQuality, 2);
    EXPECT_EQ(state.ui.ViewerFont.lfPitchAndFamily, 1);
    EXPECT_EQ(state.ui.PathOpenQV, DefaultRememberedFolder());
    for (auto* h : {&state.ui.FileHistory, &state.ui.StringHistory, &state.ui.PathHistory, &state.ui.ProgramHistory})
        EXPECT_EQ(*h, std::vector<std::string>{""});
    EXPECT_EQ(s.SearchFilesMask, "");
    EXPECT_EQ(s.SearchString, "");
    EXPECT_FALSE(fs::exists(File("missing.reg"))) << "loading must never write the registry";
}

TEST(SettingsFontHeight, FollowsTheScreenResolution) {
    EXPECT_EQ(DefaultFontHeight(96), -13);   // 13.33
    EXPECT_EQ(DefaultFontHeight(120), -17);  // 16.67
    EXPECT_EQ(DefaultFontHeight(72), -10);
}

StoredSettings UnusualState() {
    StoredSettings state;
    Registry empty("/nonexistent/quarvel.reg");
    LoadSettings(empty, state, 96);
    TSearchCFG& s = state.search;
    s.SearchCode = 0; s.SearchWithin = 3; s.SearchIgnoreCase = 1; s.SearchIncludeSubDir = 1;
    s.SearchWholeWord = 1; s.SearchRefined = 1; s.SearchIncludeHidden = 0; s.SearchDateId = 1;
    s.SearchDateFrom = PackDosDate(24, 12, 1995); s.SearchDateBefore = PackDosDate(1, 3, 2024);
    s.SearchDateLastMonate = 7; s.SearchDateLastDay = 999; s.SearchSizeId = 2; s.SearchSizeMax = 12; s.SearchSizeMin = 999999;
    s.Operators = {"AND", "OR", "NOT", "'", "[[", "]]", ";", "~"};
    s.Operators[kOpAnd] = "ANDANDANDA";  // exactly 10 characters stays whole
    TUiSettings& ui = state.ui;
    ui.StatusBar = 0; ui.HintMode = 1; ui.FileQueue = 1; ui.FileFullPath = 1;
    ui.PathOpenQV = "/srv/projects"; ui.PathSaveQV = "/tmp/\"quoted\" \\ folder"; ui.PathDefaultBrowser = "/usr/bin";
    ui.ColorVD = 0x00123456;
    ui.ViewerFont = {-27, 3, 900, 450, 700, 1, 1, 1, 255, 3, 2, 5, 0x31, "DejaVu Sans Mono"};
    ui.FileHistory = {"*.txt,*.doc", "-*.bak", "caf\xE9.txt"};
    ui.StringHistory = {"cat+dog", "\"black cat\""};
    ui.PathHistory = {"/home/user", "/data"};
    ui.ProgramHistory = {"/usr/bin/less", "", "/usr/bin/vi"};  // a gap closes on load
    for (int i = 0; i < 10; ++i) ui.FileHistory.push_back("f" + std::to_string(i));  // beyond ten is not saved
    return state;
}

TEST_F(SettingsFiles, EveryValueSurvivesASaveAndALoad) {
    StoredSettings saved = UnusualState();
    {
        Registry registry(File("q.reg"));
        ASSERT_TRUE(SaveSettings(registry, saved));
    }
    Registry reread(File("q.reg"));
    StoredSettings loaded;
    LoadSettings(reread, loaded, 96);
    const TSearchCFG& a = saved.search;
    const TSearchCFG& b = loaded.search;
    EXPECT_EQ(b.SearchCode, a.SearchCode);
    EXPECT_EQ(b.SearchWithin, a.SearchWithin);
    EXPECT_EQ(b.SearchIgnoreCase, a.SearchIgnoreCase);
    EXPECT_EQ(b.SearchIncludeSubDir, a.SearchIncludeSubDir);
    EXPECT_EQ(b.SearchWholeWord, a.SearchWholeWord);
    EXPECT_EQ(b.SearchRefined, a.SearchRefined);
    EXPECT_EQ(b.SearchIncludeHidden, a.SearchIncludeHidden);
    EXPECT_EQ(b.SearchDateId, a.SearchDateId);
    EXPECT_EQ(b.SearchDateFrom, a.SearchDateFrom);
    EXPECT_EQ(b.SearchDateBefore, a.SearchDateBefore);
    EXPECT_EQ(b.SearchDateLastMonate, a.SearchDateLastMonate);
    EXPECT_EQ(b.SearchDateLastDay, a.SearchDateLastDay);
    EXPECT_EQ(b.SearchSizeId, a.SearchSizeId);
    EXPECT_EQ(b.SearchSizeMax, a.SearchSizeMax);
    EXPECT_EQ(b.SearchSizeMin, a.SearchSizeMin);
    EXPECT_EQ(b.Operators, a.Operators);
    EXPECT_EQ(loaded.ui.StatusBar, 0u);
    EXPECT_EQ(loaded.ui.HintMode, 1u);
    EXPECT_EQ(loaded.ui.FileQueue, 1);
    EXPECT_EQ(loaded.ui.FileFullPath, 1);
    EXPECT_EQ(loaded.ui.PathOpenQV, saved.ui.PathOpenQV);
    EXPECT_EQ(loaded.ui.PathSaveQV, saved.ui.PathSaveQV);
    EXPECT_EQ(loaded.ui.PathDefaultBrowser, saved.ui.PathDefaultBrowser);
    EXPECT_EQ(loaded.ui.ColorVD, saved.ui.ColorVD);
    EXPECT_EQ(loaded.ui.ViewerFont, saved.ui.ViewerFont);
    std::vector<std::string> files(saved.ui.FileHistory.begin(), saved.ui.FileHistory.begin() + 10);
    EXPECT_EQ(loaded.ui.FileHistory, files);
    EXPECT_EQ(loaded.ui.StringHistory, saved.ui.StringHistory);
    EXPECT_EQ(loaded.ui.PathHistory, saved.ui.PathHistory);
    EXPECT_EQ(loaded.ui.ProgramHistory, (std::vector<std::string>{"/usr/bin/less", "/usr/bin/vi"}));
    EXPECT_EQ(b.SearchFilesMask, "*.txt,*.doc");
    EXPECT_EQ(b.SearchString, "cat+dog");
    EXPECT_EQ(b.SearchDefaultPath, "/home/user");
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST_F(SettingsFiles, StoredValuesAreCutAndNormalisedOnLoad) {
    WriteFile(File("in.reg"),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n"
              "\"OperatorAnd\"=\"ABCDEFGHIJKL\"\n"
              "\"FileQueue\"=dword:00000005\n"
              "\"SearchDateFrom\"=dword:00012345\n"
              "\"FontItalic\"=dword:00000101\n"
              "\"FontFaceName\"=\"0123456789012345678901234567890123456789\"\n"
              "\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Save]\n"
              "\"File0\"=\"*.txt\"\n\"File1\"=\"\"\n\"File2\"=\"*.doc\"\n"
              "\"String0\"=\"\"\n\"String3\"=\"later\"\n");
    Registry registry(File("in.reg"));
    StoredSettings state;
    LoadSettings(registry, state, 96);
    EXPECT_EQ(state.search.Operators[kOpAnd], "ABCDEFGHIJ");
    EXPECT_EQ(state.ui.FileQueue, 1);
    EXPECT_EQ(state.search.SearchDateFrom, 0x2345);
    EXPECT_EQ(state.ui.ViewerFont.lfItalic, 1);
    EXPECT_EQ(state.ui.ViewerFont.lfFaceName.size(), 31u);
    EXPECT_EQ(state.ui.FileHistory, (std::vector<std::string>{"*.txt", "*.doc"}));
    EXPECT_EQ(state.ui.StringHistory, (std::vector<std::string>{"", "later"}));
    EXPECT_EQ(state.search.SearchString, "") << "an empty first entry gives an empty expression";

    ASSERT_TRUE(SaveSettings(registry, state));
    Registry saved(File("in.reg"));
    std::string v;
    std::uint32_t n = 0;
    ASSERT_TRUE(saved.ReadString(kSaveKey, "File1", v));
    EXPECT_EQ(v, "*.doc");
    ASSERT_TRUE(saved.ReadString(kSaveKey, "File2", v));
    EXPECT_EQ(v, "");
    ASSERT_TRUE(saved.ReadString(kSaveKey, "DefaultBrowser9", v));
    ASSERT_TRUE(saved.ReadDword(kOptionsKey, "FileQueue", n));
    EXPECT_EQ(n, 1u);
    ASSERT_TRUE(saved.ReadString(kProductKey, "Version", v));
    EXPECT_EQ(v, "1.00");
}

TEST_F(SettingsFiles, ThreadsRoundTripAndAFileWithoutThemOrOutOfRangeLoadsAllProcessors) {
    const std::string older = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n"
                              "\"StatusBar\"=dword:00000000\n\"HintMode\"=dword:00000001\n"
                              "\"FileQueue\"=dword:00000001\n\"SearchCode\"=dword:00000001\n";
    // A file from before the setting loads every value it has as before, and the threads as 0.
    for (const char* threads : {"", "\"Threads\"=dword:00000101\n", "\"Threads\"=dword:ffffffff\n"}) {
        WriteFile(File("old.reg"), older + threads);
        Registry registry(File("old.reg"));
        StoredSettings state;
        state.ui.Threads = 5;
        LoadSettings(registry, state, 96);
        EXPECT_EQ(state.ui.Threads, 0u) << threads;
        EXPECT_EQ(state.ui.StatusBar, 0u) << threads;
        EXPECT_EQ(state.ui.HintMode, 1u) << threads;
        EXPECT_EQ(state.ui.FileQueue, 1) << threads;
        EXPECT_EQ(state.search.SearchCode, 1u) << threads;
    }
    for (std::uint32_t threads : {256u, 1u, 0u}) {
        StoredSettings saved = UnusualState();
        saved.ui.Threads = threads;
        {
            Registry registry(File("q.reg"));
            ASSERT_TRUE(SaveSettings(registry, saved));
        }
        Registry reread(File("q.reg"));
        std::uint32_t raw = 12345;
        ASSERT_TRUE(reread.ReadDword(kOptionsKey, "Threads", raw));  // a number, beside the other options
        EXPECT_EQ(raw, threads);
        StoredSettings loaded;
        loaded.ui.Threads = 7;
        LoadSettings(reread, loaded, 96);
        EXPECT_EQ(loaded.ui.Threads, threads);
    }
}

TEST_F(SettingsFiles, EditorAndPreviewRoundTripAndAFileWithoutThemLoadsTheirDefaults) {
    // The editor command is file-system bytes: kept as they are in a
    // Windows-1252 file and in a UTF-8 one (which Cyrillic search text makes).
    const std::string editor = "'/opt/my \"ed\"' -g %f:%l --caf\xE9 \\ caf\xC3\xA9";
    for (bool unicode : {false, true}) {
        StoredSettings saved = UnusualState();
        saved.ui.Editor = editor;
        saved.ui.PreviewPane = 0;
        saved.ui.PreviewHeight = 312;
        if (unicode) saved.ui.StringHistory = {"\xD0\xBF\xD1\x80\xD0\xB8"};
        {
            Registry registry(File("q.reg"));
            ASSERT_TRUE(SaveSettings(registry, saved));
        }
        Registry reread(File("q.reg"));
        ASSERT_EQ(reread.Unicode(), unicode);
        std::uint32_t raw = 12345;
        ASSERT_TRUE(reread.ReadDword(kOptionsKey, "PreviewHeight", raw));
        EXPECT_EQ(raw, 312u);
        StoredSettings loaded;
        LoadSettings(reread, loaded, 96);
        EXPECT_EQ(loaded.ui.Editor, editor) << unicode;
        EXPECT_EQ(loaded.ui.PreviewPane, 0u) << unicode;
        EXPECT_EQ(loaded.ui.PreviewHeight, 312) << unicode;
        EXPECT_EQ(loaded.ui.Threads, saved.ui.Threads) << unicode;
    }
    // A file from before these values loads them as their defaults, and the
    // rest as before; a height below 0, edited by hand, is the program's own.
    const std::string older = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n"
                              "\"StatusBar\"=dword:00000000\n\"HintMode\"=dword:00000001\n"
                              "\"PathOpenQV\"=\"/srv\"\n\"SearchCode\"=dword:00000001\n";
    for (const char* extra : {"", "\"PreviewHeight\"=dword:ffffff00\n\"PreviewPane\"=dword:00000007\n"}) {
        WriteFile(File("old.reg"), older + extra);
        Registry registry(File("old.reg"));
        StoredSettings state;
        state.ui.Editor = "left over";
        state.ui.PreviewPane = 0;
        state.ui.PreviewHeight = 99;
        LoadSettings(registry, state, 96);
        EXPECT_EQ(state.ui.Editor, "") << extra;
        EXPECT_EQ(state.ui.PreviewPane, 1u) << extra;
        EXPECT_EQ(state.ui.PreviewHeight, 0) << extra;
        EXPECT_EQ(state.ui.StatusBar, 0u) << extra;
        EXPECT_EQ(state.ui.HintMode, 1u) << extra;
        EXPECT_EQ(state.ui.PathOpenQV, "/srv") << extra;
        EXPECT_EQ(state.search.SearchCode, 1u) << extra;
    }
}

TEST_F(SettingsFiles, AFailedSaveIsReportedAndLeavesTheOldFile) {
    WriteFile(File("keep.reg"), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n\"HintMode\"=dword:00000001\n");
    Registry registry(File("keep.reg"));
    StoredSettings state;
    LoadSettings(registry, state, 96);
    // The folder turns into a file, so nothing can be written beside keep.reg.
    fs::rename(dir_, dir_.string() + ".moved");
    WriteFile(dir_.string(), "not a folder");
    EXPECT_FALSE(SaveSettings(registry, state));
    fs::remove(dir_);
    fs::rename(dir_.string() + ".moved", dir_);
    Registry old(File("keep.reg"));
    std::uint32_t hint = 0;
    ASSERT_TRUE(old.ReadDword(kOptionsKey, "HintMode", hint));
    EXPECT_EQ(hint, 1u);
}

TEST(SearchRecord, ACopySharesNoTextAndStartsWithoutUnitHits) {
    TSearchCFG a;
    TSaveFile f;
    f.name = "a.txt";
    f.folder = "/data";
    a.FoundFiles.push_back(f);
    a.IncludeList.push_back(f);
    a.Hits.push_back({5, 0, 1});
    a.UnitHits.push_back({6, 0, 0});
    a.LineStarts = {0, 3};
    TSearchCFG b = a;
    ASSERT_EQ(b.FoundFiles.size(), 1u);
    EXPECT_EQ(b.FoundFiles[0].name.str(), "a.txt");
    EXPECT_FALSE(b.FoundFiles[0].name.SharesWith(a.FoundFiles[0].name));
    EXPECT_FALSE(b.IncludeList[0].folder.SharesWith(a.IncludeList[0].folder));
    EXPECT_TRUE(a.IncludeList[0].folder.SharesWith(a.FoundFiles[0].folder)) << "list-to-list copies share";
    EXPECT_EQ(b.Hits, a.Hits);
    EXPECT_TRUE(b.UnitHits.empty());
    EXPECT_EQ(b.LineStarts, a.LineStarts);
}

TEST(SearchRecord, ResetForRunKeepsTheFoundFiles) {
    TSearchCFG s;
    s.FoundFiles.resize(2);
    s.SearchList.resize(3);
    s.IncludeList.resize(1);
    s.ExcludeList.resize(1);
    s.GFiles = 4; s.GSizeFiles = 10; s.CurrentFileSize = 2; s.GSizeFilesCurrent = 7;
    s.LineStarts = {0}; s.LineCount = 9; s.LongestLine = 8; s.Hits.resize(1); s.UnitHits.resize(1);
    s.timeSum = 12;
    s.ResetForRun();
    EXPECT_EQ(s.FoundFiles.size(), 2u);
    EXPECT_TRUE(s.SearchList.empty() && s.IncludeList.empty() && s.ExcludeList.empty());
    EXPECT_EQ(s.GFiles, 0u);
    EXPECT_EQ(s.GSizeFiles + s.CurrentFileSize + s.GSizeFilesCurrent, 0.0);
    EXPECT_TRUE(s.LineStarts.empty() && s.Hits.empty() && s.UnitHits.empty());
    EXPECT_EQ(s.LineCount + s.LongestLine, 0u);
    EXPECT_EQ(s.timeSum, 12) << "a run does not reset the shown duration";
}

TSearchCFG ValidRecord() {
    TSearchCFG s;
    s.SetDefaults();
    s.SearchDateFrom = s.SearchDateBefore = PackDosDate(1, 1, 2000);
    return s;
}

TEST(SearchRecord, ValidateHoldsEveryRangeRule) {
    EXPECT_TRUE(ValidRecord().Validate());
    auto broken = [](auto change) {
        TSearchCFG s = ValidRecord();
        change(s);
        return !s.Validate();
    };
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchWithin = 4; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchCode = 3; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchWholeWord = 2; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchIncludeHidden = 2; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchDateId = 4; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchDateFrom = PackDosDate(31, 2, 2001); }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchDateBefore = 0; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchDateLastDay = 1000; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchSizeId = 3; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.SearchSizeMin = 1000000; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.Operators[kOpNot] = ""; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.Operators[kOpAnd] = "AND"; s.Operators[kOpLevelClose] = "and"; }));
    EXPECT_TRUE(broken([](TSearchCFG& s) { s.Operators[kOpFileNotSearch] = ","; }));
    EXPECT_FALSE(broken([](TSearchCFG& s) { s.Operators[kOpAnd] = "AND"; s.Operators[kOpOr] = "AN"; }));
    EXPECT_FALSE(broken([](TSearchCFG& s) { s.SearchDateFrom = PackDosDate(29, 2, 2000); }));
    EXPECT_FALSE(broken([](TSearchCFG& s) { s.Operators[kOpFileSeparator] = "+"; }))
        << "expression and file-list operators are not compared with each other";
}

TEST(SearchRecord, DerivedWindows) {
    TSearchCFG s = ValidRecord();
    const std::uint16_t today = PackDosDate(15, 3, 2024);
    s.DeriveWindows(today);
    EXPECT_EQ(s.DateLow, 0);
    EXPECT_EQ(s.DateHigh, 0xFFFF);
    EXPECT_EQ(s.SizeLow, 0u);
    EXPECT_EQ(s.SizeHigh, UINT64_MAX) << "every file passes All, however large";

    s.SearchDateId = 2; s.SearchDateLastMonate = 1;
    s.DeriveWindows(today);
    EXPECT_EQ(s.DateLow, PackDosDate(14, 2, 2024)) << "a month is 30 days (2024 is a leap year)";
    EXPECT_EQ(s.DateHigh, today);
    s.SearchDateId = 3; s.SearchDateLastDay = 15;
    s.DeriveWindows(today);
    EXPECT_EQ(s.DateLow, PackDosDate(29, 2, 2024));
    s.SearchDateId = 1; s.SearchDateFrom = PackDosDate(1, 1, 2020); s.SearchDateBefore = PackDosDate(2, 2, 2021);
    s.DeriveWindows(today);
    EXPECT_EQ(s.DateLow, s.SearchDateFrom);
    EXPECT_EQ(s.DateHigh, s.SearchDateBefore);

    s.SearchSizeId = 1; s.SearchSizeMax = 0;
    s.DeriveWindows(today);
    EXPECT_EQ(s.SizeHigh, 0u) << "at most 0 KB accepts only empty files";
    s.SearchSizeMax = 1;
    s.DeriveWindows(today);
    EXPECT_EQ(s.SizeHigh, 1000u) << "a kilobyte is 1000 bytes";
    s.SearchSizeId = 2; s.SearchSizeMin = 999999;
    s.DeriveWindows(today);
    EXPECT_EQ(s.SizeLow, 999999000u);
    EXPECT_EQ(s.SizeHigh, UINT64_MAX) << "a file beyond 4 GiB is at least 1 KB";
    s.SearchSizeMin = 0xFFFFFFFFu;  // out of range values neither wrap nor saturate at 32 bits
    s.DeriveWindows(today);
    EXPECT_EQ(s.SizeLow, 4294967295000u);
    s.SearchSizeId = 1; s.SearchSizeMax = 0xFFFFFFFFu;
    s.DeriveWindows(today);
    EXPECT_EQ(s.SizeHigh, 4294967295000u);
}

}  // namespace
}  // namespace quarvel
