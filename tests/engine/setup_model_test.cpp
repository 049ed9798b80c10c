#include <gtest/gtest.h>

#include "dialogs/file_filter.h"
#include "dialogs/setup_model.h"
#include "platform/clock.h"

namespace quarvel {
namespace {

const std::uint16_t kToday = PackDosDate(15, 3, 1997);

struct SetupModelTest : ::testing::Test {
    TSearchCFG cfg;
    TUiSettings ui;
    SetupModelTest() { cfg.SetDefaults(); }
    SetupModel Model() const { return SetupModel(cfg, ui, kToday); }
};

TEST_F(SetupModelTest, EveryRadioChoiceShowsItsValueAndOkStoresItBack) {
    struct Row { std::uint32_t TSearchCFG::*field; std::uint32_t value; int radio; };
    const Row rows[] = {
        {&TSearchCFG::SearchWithin, 0, kSetupWithinFile}, {&TSearchCFG::SearchWithin, 1, kSetupWithinPage},
        {&TSearchCFG::SearchWithin, 2, kSetupWithinLine}, {&TSearchCFG::SearchWithin, 3, kSetupWithinSentence},
        {&TSearchCFG::SearchCode, 0, kSetupCodeOem}, {&TSearchCFG::SearchCode, 1, kSetupCodeAnsi},
        {&TSearchCFG::SearchCode, 2, kSetupCodeBoth}, {&TSearchCFG::SearchDateId, 0, kSetupDateAll},
        {&TSearchCFG::SearchDateId, 1, kSetupDateBetween}, {&TSearchCFG::SearchDateId, 2, kSetupDateMonths},
        {&TSearchCFG::SearchDateId, 3, kSetupDateDays}, {&TSearchCFG::SearchSizeId, 0, kSetupSizeAll},
        {&TSearchCFG::SearchSizeId, 1, kSetupSizeAtMost}, {&TSearchCFG::SearchSizeId, 2, kSetupSizeAtLeast}};
    for (const Row& row : rows) {
        TSearchCFG record = cfg;
        record.*row.field = row.value;
        SetupModel model(record, ui, kToday);
        EXPECT_TRUE(model.Checked(row.radio)) << row.radio;
        // Checking a radio in the dialog stores its value, whatever the record held before.
        TSearchCFG stored = cfg;
        stored.*row.field = row.value == 0 ? 1 : 0;
        SetupModel clicked(stored, ui, kToday);
        clicked.SetChecked(row.radio, true);
        ASSERT_TRUE(clicked.Ok(stored, ui).accepted);
        EXPECT_EQ(stored.*row.field, row.value) << row.radio;
    }
    SetupModel model = Model();
    model.SetChecked(kSetupWithinPage, true);
    model.SetChecked(kSetupWithinLine, true);
    EXPECT_FALSE(model.Checked(kSetupWithinPage)) << "one radio of a group at a time";
    EXPECT_TRUE(model.Checked(kSetupCodeBoth)) << "other groups keep theirs";
}

TEST_F(SetupModelTest, HistoriesPutTheTextFirstAndKeepOtherSpellings) {
    ui.StringHistory = {"alpha", "beta", "Gamma", "gamma", "delta"};
    ui.PathHistory = {};
    ui.FileHistory = {};
    cfg.SearchString = "alpha";
    cfg.SearchDefaultPath = "/src";
    cfg.SearchFilesMask = "*.c";
    SetupModel model = Model();
    EXPECT_EQ(model.List(kSetupPath), std::vector<std::string>{"/src"}) << "an empty history shows the text";
    EXPECT_TRUE(model.List(kSetupMask).empty()) << "the file list's history is shown as it is";

    model.SetText(kSetupString, "gamma");
    model.SetText(kSetupMask, "*.h");
    ASSERT_TRUE(model.Ok(cfg, ui).accepted);
    EXPECT_EQ(ui.StringHistory, (std::vector<std::string>{"gamma", "alpha", "beta", "Gamma", "delta"}));
    EXPECT_EQ(cfg.SearchString, "gamma");
    EXPECT_EQ(ui.PathHistory, std::vector<std::string>{"/src"}) << "no duplicate of the shown entry";
    EXPECT_EQ(ui.FileHistory, std::vector<std::string>{"*.h"});

    ui.StringHistory = {"", "x", "", "y"};
    SetupModel again(cfg, ui, kToday);
    again.SetText(kSetupString, "z");
    ASSERT_TRUE(again.Ok(cfg, ui).accepted);
    EXPECT_EQ(ui.StringHistory, (std::vector<std::string>{"z", "x", "y"})) << "no empty entry behind the front";
}

TEST_F(SetupModelTest, RefinedFixesWhereToLookAndModesEnableTheirEdits) {
    SetupModel model = Model();
    const int fixed[] = {kSetupPath, kSetupBrowseFolder, kSetupMask, kSetupBrowseFile, kSetupSubDir};
    for (int id : fixed) EXPECT_TRUE(model.Enabled(id));
    model.SetChecked(kSetupRefined, true);
    for (int id : fixed) EXPECT_FALSE(model.Enabled(id)) << id;
    EXPECT_TRUE(model.Enabled(kSetupString));
    EXPECT_TRUE(model.Enabled(kSetupIgnoreCase));

    struct Mode { int radio; std::vector<int> enabled; };
    const std::vector<int> dateEdits = {kSetupDateFrom, kSetupDateBefore, kSetupMonths, kSetupMonthsUpDown,
                                        kSetupDays, kSetupDaysUpDown};
    const Mode dateModes[] = {{kSetupDateAll, {}},
                              {kSetupDateBetween, {kSetupDateFrom, kSetupDateBefore}},
                              {kSetupDateMonths, {kSetupMonths, kSetupMonthsUpDown}},
                              {kSetupDateDays, {kSetupDays, kSetupDaysUpDown}}};
    const std::vector<int> sizeEdits = {kSetupSizeMax, kSetupSizeMaxUpDown, kSetupSizeMin, kSetupSizeMinUpDown};
    const Mode sizeModes[] = {{kSetupSizeAll, {}},
                              {kSetupSizeAtMost, {kSetupSizeMax, kSetupSizeMaxUpDown}},
                              {kSetupSizeAtLeast, {kSetupSizeMin, kSetupSizeMinUpDown}}};
    auto check = [&](const Mode& mode, const std::vector<int>& edits) {
        model.SetChecked(mode.radio, true);
        for (int id : edits) {
            bool expected = std::find(mode.enabled.begin(), mode.enabled.end(), id) != mode.enabled.end();
            EXPECT_EQ(model.Enabled(id), expected) << "radio " << mode.radio << ", control " << id;
        }
    };
    for (const Mode& mode : dateModes) check(mode, dateEdits);
    for (const Mode& mode : sizeModes) check(mode, sizeEdits);
}

TEST_F(SetupModelTest, NumericEditsReadAsTheCLibraryAndClampWhenLeft) {
    struct Row { int id; const char* typed; const char* shown; };
    const std::string pastTheRead = std::string(100, ' ') + "5";  // only 100 characters are read
    const Row rows[] = {
        {kSetupMonths, "12abc", "12"}, {kSetupMonths, "-5", "0"}, {kSetupMonths, "1500", "999"},
        {kSetupMonths, "", "0"}, {kSetupDays, " \t+7", "7"}, {kSetupDays, "abc", "0"},
        {kSetupDays, "99999999999999999999999", "999"}, {kSetupSizeMax, "1000000", "999999"},
        {kSetupSizeMin, "-99999999999999999999", "0"}, {kSetupSizeMin, "007", "7"},
        {kSetupSizeMax, pastTheRead.c_str(), "0"}};
    for (const Row& row : rows) {
        SetupModel model = Model();
        model.SetText(row.id, row.typed);
        model.EditLostFocus(row.id);
        EXPECT_EQ(model.Text(row.id), row.shown) << "'" << row.typed << "'";
    }
    struct Step { int upDown, edit, delta; const char* before; const char* after; };
    const Step steps[] = {
        {kSetupMonthsUpDown, kSetupMonths, 1, "998", "999"}, {kSetupMonthsUpDown, kSetupMonths, 1, "999", "999"},
        {kSetupDaysUpDown, kSetupDays, -1, "0", "0"}, {kSetupDaysUpDown, kSetupDays, 1, "-5", "1"},
        {kSetupDaysUpDown, kSetupDays, 1, "4x", "5"}, {kSetupSizeMaxUpDown, kSetupSizeMax, 1, "5000", "5001"},
        {kSetupSizeMinUpDown, kSetupSizeMin, -1, "2000000", "999998"}};
    for (const Step& step : steps) {
        SetupModel model = Model();
        model.SetText(step.edit, step.before);
        model.Step(step.upDown, step.delta);
        EXPECT_EQ(model.Text(step.edit), step.after) << step.before << " " << step.delta;
    }
    SetupModel model = Model();
    model.SetText(kSetupMonths, "1500");
    ASSERT_TRUE(model.Ok(cfg, ui).accepted);
    EXPECT_EQ(cfg.SearchDateLastMonate, 999u) << "OK limits an edit that never lost the focus";
}

TEST_F(SetupModelTest, DateEditsShowTodayWhenUnsetOrLeftEmpty) {
    cfg.SearchDateFrom = 0;
    cfg.SearchDateBefore = PackDosDate(2, 1, 2005);
    SetupModel model = Model();
    EXPECT_EQ(model.Text(kSetupDateFrom), "15/03/1997");
    EXPECT_EQ(model.Text(kSetupDateBefore), "02/01/2005");
    model.SetText(kSetupDateFrom, "");
    model.EditLostFocus(kSetupDateFrom);
    EXPECT_EQ(model.Text(kSetupDateFrom), "15/03/1997");
    model.SetText(kSetupDateBefore, "nonsense");
    model.EditLostFocus(kSetupDateBefore);
    EXPECT_EQ(model.Text(kSetupDateBefore), "nonsense") << "a typed text stays as typed";
}

TEST_F(SetupModelTest, DatesAreCheckedOnlyWhenBetweenIsChosen) {
    struct Row { const char* text; std::uint16_t date; };  // 0: no date
    const Row rows[] = {{"1/2/97", PackDosDate(1, 2, 1997)}, {"01.02.1997", PackDosDate(1, 2, 1997)},
                        {"29/02/2000", PackDosDate(29, 2, 2000)}, {"", kToday},
                        {"1/2/1997x", 0}, {"1/2", 0}, {"/1/2/1997", 0}, {"31/02/1997", 0}, {"29/02/1900", 0}};
    for (const Row& row : rows) {
        for (bool between : {false, true}) {
            TSearchCFG record = cfg;
            record.SearchDateFrom = record.SearchDateBefore = PackDosDate(9, 9, 1999);
            SetupModel model(record, ui, kToday);
            model.SetChecked(between ? kSetupDateBetween : kSetupDateAll, true);
            model.SetText(kSetupDateBefore, row.text);
            auto outcome = model.Ok(record, ui);
            SCOPED_TRACE(std::string(row.text) + (between ? " between" : " all files"));
            if (row.date || !between) {
                EXPECT_TRUE(outcome.accepted);
                EXPECT_EQ(record.SearchDateBefore, row.date ? row.date : kToday);
            } else {
                EXPECT_FALSE(outcome.accepted);
                EXPECT_EQ(outcome.focus, kSetupDateBefore);
                EXPECT_EQ(outcome.message, kInvalidDateMessage);
                EXPECT_EQ(record.SearchDateBefore, PackDosDate(9, 9, 1999));
            }
        }
    }
}

TEST_F(SetupModelTest, ARefusedDateLeavesWhatWasStoredBeforeIt) {
    cfg.SearchDateFrom = cfg.SearchDateBefore = PackDosDate(9, 9, 1999);
    SetupModel model = Model();
    model.SetText(kSetupString, "new");
    model.SetChecked(kSetupWholeWord, true);
    model.SetChecked(kSetupCodeOem, true);
    model.SetChecked(kSetupDateBetween, true);
    model.SetText(kSetupDateFrom, "3/4/2001");
    model.SetText(kSetupDateBefore, "31/02/1997");
    model.SetText(kSetupMonths, "5");
    auto outcome = model.Ok(cfg, ui);
    ASSERT_FALSE(outcome.accepted);
    EXPECT_EQ(cfg.SearchString, "new");
    EXPECT_EQ(ui.StringHistory.front(), "new");
    EXPECT_EQ(cfg.SearchWholeWord, 1u);
    EXPECT_EQ(cfg.SearchCode, 0u);
    EXPECT_EQ(cfg.SearchDateFrom, PackDosDate(3, 4, 2001)) << "the first date was good";
    EXPECT_EQ(cfg.SearchDateBefore, PackDosDate(9, 9, 1999));
    EXPECT_EQ(cfg.SearchDateLastMonate, 0u) << "nothing after the refused date";
    EXPECT_EQ(cfg.SearchDateId, 0u);

    model.SetText(kSetupDateFrom, "x");
    EXPECT_EQ(model.Ok(cfg, ui).focus, kSetupDateFrom);
}

TEST_F(SetupModelTest, OkDerivesTheDateAndSizeWindows) {
    SetupModel model = Model();
    model.SetChecked(kSetupDateMonths, true);
    model.SetText(kSetupMonths, "2");
    model.SetChecked(kSetupSizeAtMost, true);
    model.SetText(kSetupSizeMax, "5");
    ASSERT_TRUE(model.Ok(cfg, ui).accepted);
    EXPECT_EQ(cfg.DateLow, PackDosDate(14, 1, 1997)) << "two 30-day months back from 15 March 1997";
    EXPECT_EQ(cfg.DateHigh, kToday);
    EXPECT_EQ(cfg.SizeLow, 0u);
    EXPECT_EQ(cfg.SizeHigh, 5000u) << "a kilobyte is 1000 bytes";

    model.SetChecked(kSetupDateDays, true);
    model.SetText(kSetupDays, "15");
    model.SetChecked(kSetupSizeAtLeast, true);
    model.SetText(kSetupSizeMin, "3");
    ASSERT_TRUE(model.Ok(cfg, ui).accepted);
    EXPECT_EQ(cfg.DateLow, PackDosDate(28, 2, 1997));
    EXPECT_EQ(cfg.SizeLow, 3000u);
    EXPECT_EQ(cfg.SizeHigh, UINT64_MAX);

    model.SetChecked(kSetupDateBetween, true);
    model.SetText(kSetupDateFrom, "1/1/1990");
    model.SetText(kSetupDateBefore, "2/2/1992");
    ASSERT_TRUE(model.Ok(cfg, ui).accepted);
    EXPECT_EQ(cfg.DateLow, PackDosDate(1, 1, 1990));
    EXPECT_EQ(cfg.DateHigh, PackDosDate(2, 2, 1992));
}

TEST_F(SetupModelTest, ResetChangesTheFormAndNotTheRecord) {
    cfg.SearchString = "keep", cfg.SearchRefined = 1, cfg.SearchIncludeHidden = 0, cfg.SearchCode = 0;
    cfg.SearchDocuments = 0, cfg.SearchWithin = 2, cfg.SearchDateId = 2, cfg.SearchDateLastMonate = 6, cfg.SearchSizeId = 1;
    ui.StringHistory = {"keep", "older"};
    const TSearchCFG before = cfg;
    SetupModel model = Model();
    EXPECT_FALSE(model.Checked(kSetupDocuments)) << "set-up shows the record's choice";
    model.Reset();
    EXPECT_EQ(model.Text(kSetupString), "");
    EXPECT_EQ(model.List(kSetupString), ui.StringHistory) << "the lists stay";
    EXPECT_FALSE(model.Checked(kSetupRefined));
    EXPECT_TRUE(model.Checked(kSetupHidden));
    EXPECT_TRUE(model.Checked(kSetupDocuments));
    EXPECT_TRUE(model.Checked(kSetupCodeBoth));
    EXPECT_TRUE(model.Checked(kSetupWithinFile));
    EXPECT_TRUE(model.Checked(kSetupDateAll));
    EXPECT_TRUE(model.Checked(kSetupSizeAll));
    EXPECT_EQ(model.Text(kSetupMonths), "0");
    EXPECT_EQ(model.Text(kSetupDateFrom), "15/03/1997");
    EXPECT_TRUE(model.Enabled(kSetupPath)) << "the rules follow the reset controls";
    EXPECT_FALSE(model.Enabled(kSetupMonths));
    EXPECT_EQ(cfg.SearchString, before.SearchString);
    EXPECT_EQ(cfg.SearchRefined, before.SearchRefined);
    EXPECT_EQ(cfg.SearchDateLastMonate, before.SearchDateLastMonate);

    ASSERT_TRUE(model.Ok(cfg, ui).accepted);
    EXPECT_EQ(cfg.SearchString, "");
    EXPECT_EQ(cfg.SearchIncludeHidden, 1u);
    EXPECT_EQ(cfg.SearchDocuments, 1u);
    EXPECT_EQ(cfg.SearchWithin, 0u);
    EXPECT_EQ(cfg.SearchDateId, 0u);
    EXPECT_EQ(ui.StringHistory, (std::vector<std::string>{"", "keep", "older"}));
}

TEST_F(SetupModelTest, AChosenFileReplacesOrJoinsTheFileList) {
    struct Row { bool queue, fullPath; const char* before; const char* after; };
    const Row rows[] = {
        {false, false, "*.txt", "b:c\\d.txt"}, {false, true, "*.txt", "/data/a/b:c\\d.txt"},
        {true, false, "*.txt", "*.txt,b:c\\d.txt"}, {true, false, "", "b:c\\d.txt"},
        {true, false, "*.txt,", "*.txt,b:c\\d.txt"}, {true, true, "*.txt,-", "*.txt,-/data/a/b:c\\d.txt"}};
    for (const Row& row : rows) {
        ui.FileQueue = row.queue, ui.FileFullPath = row.fullPath;
        SetupModel model = Model();
        model.SetText(kSetupMask, row.before);
        model.FileChosen("/data/a/b:c\\d.txt");
        EXPECT_EQ(model.Text(kSetupMask), row.after) << row.queue << row.fullPath << " " << row.before;
    }
}

TEST(FileDialogFilter, MasksMatchEitherCaseAndAllFilesNeedNoDot) {
    EXPECT_EQ(SearchFileFilter(),
              "All files (*.*)|*|Quarvel files (*.QRV)|*.[qQ][rR][vV]|Text files (*.txt)|*.[tT][xX][tT]");
    EXPECT_EQ(FileDialogFilter({{"Logs", "a?_9*.LoG"}}), "Logs|[aA]?_9*.[lL][oO][gG]");
}

TEST_F(SetupModelTest, ATextTooLongToStoreIsRefusedBeforeAnythingIsStored) {
    SetupModel model = Model();
    model.SetText(kSetupString, "short");
    model.SetText(kSetupPath, "/" + std::string(258, 'p'));
    ASSERT_TRUE(model.Ok(cfg, ui).accepted) << "259 bytes fit";
    model.SetText(kSetupString, "changed");
    model.SetText(kSetupPath, "/" + std::string(259, 'p'));
    auto outcome = model.Ok(cfg, ui);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(outcome.focus, kSetupPath);
    EXPECT_EQ(cfg.SearchString, "short");
}

}  // namespace
}  // namespace quarvel

namespace quarvel {
namespace {

// The Unicode check box beside the one-byte choice: it shows the record, OK
// stores it, a search of Unicode alone stays so until its choice is changed,
// and search text is measured in characters, names in bytes.
TEST_F(SetupModelTest, TheUnicodeBoxShowsAndStoresTheUnicodeReading) {
    struct Row { std::uint32_t unicode; bool checked; bool click; std::uint32_t code; std::uint32_t stored; };
    const Row rows[] = {
        {kUnicodeOff, false, false, kCodeBoth, kUnicodeOff},   {kUnicodeToo, true, false, kCodeBoth, kUnicodeToo},
        {kUnicodeAlone, true, false, kCodeBoth, kUnicodeAlone}, {kUnicodeAlone, true, true, kCodeAnsi, kUnicodeToo},
        {kUnicodeToo, true, true, kCodeOem, kUnicodeToo},      {kUnicodeOff, false, true, kCodeAnsi, kUnicodeOff},
    };
    for (const Row& row : rows) {
        TSearchCFG record = cfg;
        record.SearchUnicode = row.unicode;
        SetupModel model(record, ui, kToday);
        EXPECT_EQ(model.Checked(kSetupCodeUnicode), row.checked) << row.unicode;
        if (row.click) model.SetChecked(row.code == kCodeAnsi ? kSetupCodeAnsi : kSetupCodeOem, true);
        ASSERT_TRUE(model.Ok(record, ui).accepted);
        EXPECT_EQ(record.SearchUnicode, row.stored) << row.unicode << " " << row.click;
        EXPECT_EQ(record.SearchCode, row.code);
        SetupModel unchecked(record, ui, kToday);
        unchecked.SetChecked(kSetupCodeUnicode, false);
        ASSERT_TRUE(unchecked.Ok(record, ui).accepted);
        EXPECT_EQ(record.SearchUnicode, kUnicodeOff);
    }
    SetupModel reset = Model();
    reset.SetChecked(kSetupCodeUnicode, false);
    reset.Reset();
    EXPECT_TRUE(reset.Checked(kSetupCodeUnicode)) << "a new search reads all three";

    std::string cyrillic;
    for (int i = 0; i < 259; ++i) cyrillic += "\xD0\xB6";
    SetupModel typed = Model();
    typed.SetText(kSetupString, cyrillic);
    EXPECT_TRUE(typed.Ok(cfg, ui).accepted) << "259 characters of two bytes each fit";
    typed.SetText(kSetupString, cyrillic + "\xD0\xB6");
    EXPECT_FALSE(typed.Ok(cfg, ui).accepted);
    typed.SetText(kSetupString, "x");
    typed.SetText(kSetupPath, "/" + cyrillic.substr(0, 260));
    EXPECT_EQ(typed.Ok(cfg, ui).focus, kSetupPath) << "130 characters of a folder take 261 bytes, more than a path holds";
}

}  // namespace
}  // namespace quarvel
