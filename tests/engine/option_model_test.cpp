// The options dialog's rules: the operator checks with the edit that gets
// the focus, nothing stored on refusal, the 10-character limit, the threads
// edit's range, the editor command, and a font that holds at once.
#include <gtest/gtest.h>

#include "dialogs/option_model.h"
#include "platform/editor_command.h"

namespace quarvel {
namespace {

struct Options : ::testing::Test {
    Options() {
        cfg.SetDefaults();
        ui.HintMode = 0;
        ui.StatusBar = 1;
        ui.ViewerFont.lfFaceName = "Courier New";
    }
    TSearchCFG cfg;
    TUiSettings ui;
};

TEST_F(Options, TheOperatorRuleRefusesWithTheFocusOnTheLaterEdit) {
    struct Case {
        std::vector<std::pair<int, std::string>> edits;
        int focus;  // 0: accepted
        const char* message;
    };
    const std::vector<Case> cases = {
        {{{kOptAnd, "and"}, {kOptOr, "AND"}}, kOptOr, "Dublicate operator"},
        {{{kOptSeparator, ";"}, {kOptNotSearch, ";"}}, kOptNotSearch, "Dublicate operator"},
        {{{kOptNot, "-"}, {kOptNotSearch, "-"}}, 0, ""},  // the groups are checked apart
        {{{kOptQuote, ""}}, kOptQuote, "Missing operator"},
        {{{kOptRBracket, "("}}, kOptRBracket, "Dublicate operator"},  // equal to LBracket, which comes first
        {{{kOptLBracket, "(("}}, 0, ""},                              // a prefix of another is fine
        {{{kOptSeparator, ""}, {kOptNotSearch, ""}}, kOptSeparator, "Missing operator"},
        // Any character may be an operator; case is Unicode's, and only the first ten count.
        {{{kOptAnd, "\xCE\xA3"}, {kOptOr, "\xCF\x83"}}, kOptOr, "Dublicate operator"},
        {{{kOptAnd, "\xD0\x98"}, {kOptOr, "\xD0\x98\xD0\x9B\xD0\x98"}}, 0, ""},
        {{{kOptAnd, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x"},
          {kOptOr, "\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89y"}},
         kOptOr, "Dublicate operator"},
    };
    for (const Case& c : cases) {
        TSearchCFG stored = cfg;
        TUiSettings storedUi = ui;
        OptionModel model(stored, storedUi);
        for (const auto& [id, text] : c.edits) model.SetText(id, text);
        model.SetChecked(kOptHints, true);
        const OptionModel::OkResult result = model.Ok(stored, storedUi);
        EXPECT_EQ(result.accepted, c.focus == 0) << c.message;
        EXPECT_EQ(result.focus, c.focus);
        EXPECT_EQ(result.message, c.message);
        if (c.focus != 0) {  // nothing stored
            EXPECT_EQ(stored.Operators, cfg.Operators);
            EXPECT_EQ(storedUi.HintMode, 0u);
        } else {
            EXPECT_EQ(stored.Operators[kOpFileNotSearch], model.Text(kOptNotSearch));
            EXPECT_EQ(storedUi.HintMode, 1u);
        }
    }
}

TEST_F(Options, EditsHoldTenCharactersAndChecksStoreAsOneOrZero) {
    OptionModel model(cfg, ui);
    model.SetText(kOptAnd, "ANDANDANDAND");
    EXPECT_EQ(model.Text(kOptAnd), "ANDANDANDA");
    EXPECT_TRUE(model.Checked(kOptStatusBar));
    model.SetChecked(kOptStatusBar, false);
    model.SetChecked(kOptQueue, true);
    ASSERT_TRUE(model.Ok(cfg, ui).accepted);
    EXPECT_EQ(cfg.Operators[kOpAnd], "ANDANDANDA");
    EXPECT_EQ(ui.StatusBar, 0u);
    EXPECT_EQ(ui.FileQueue, 1u);
}

TEST_F(Options, ThreadsShowTheSettingAndStepWithinTheirRange) {
    for (auto [stored, shown] : {std::pair{0u, "0"}, std::pair{1u, "1"}, std::pair{256u, "256"},
                                 // a number no run takes shows as the default, as loading makes it
                                 std::pair{257u, "0"}, std::pair{0xFFFFFFFFu, "0"}}) {
        ui.Threads = stored;
        EXPECT_EQ(OptionModel(cfg, ui).Text(kOptThreads), shown) << stored;
    }
    ui.Threads = 255;
    OptionModel model(cfg, ui);
    model.Step(kOptThreadsUpDown, +1);
    EXPECT_EQ(model.Text(kOptThreads), "256");
    model.Step(kOptThreadsUpDown, +1);
    EXPECT_EQ(model.Text(kOptThreads), "256");
    model.SetText(kOptThreads, "1");
    model.Step(kOptThreadsUpDown, -1);
    model.Step(kOptThreadsUpDown, -1);
    EXPECT_EQ(model.Text(kOptThreads), "0");
    model.Step(kOptFont, +1);  // no up-down of its own
    EXPECT_EQ(model.Text(kOptThreads), "0");
}

TEST_F(Options, OkStoresTheThreadsOrRefusesThemWithTheFocusInTheirEdit) {
    const std::string refusal = "Threads must be a whole number from 0 (all processors) to 256";
    ui.Threads = 8;
    for (auto [typed, stored] : {std::pair{"0", 0u}, std::pair{"256", 256u}, std::pair{" 16 ", 16u},
                                 std::pair{"007", 7u}, std::pair{"1", 1u}}) {
        TUiSettings storedUi = ui;
        OptionModel model(cfg, storedUi);
        model.SetText(kOptThreads, typed);
        const OptionModel::OkResult result = model.Ok(cfg, storedUi);
        EXPECT_TRUE(result.accepted) << typed;
        EXPECT_EQ(storedUi.Threads, stored) << typed;
    }
    for (const char* typed : {"257", "1000", "99999999999999999999999", "", "  ", "abc", "12abc", "-1", "+4", "4.5",
                              "1 2"}) {
        TSearchCFG storedCfg = cfg;
        TUiSettings storedUi = ui;
        OptionModel model(storedCfg, storedUi);
        model.SetText(kOptThreads, typed);
        model.SetChecked(kOptHints, true);
        model.SetText(kOptAnd, "&");
        const OptionModel::OkResult result = model.Ok(storedCfg, storedUi);
        EXPECT_FALSE(result.accepted) << typed;
        EXPECT_EQ(result.focus, kOptThreads) << typed;
        EXPECT_EQ(result.message, refusal) << typed;
        EXPECT_EQ(storedUi.Threads, 8u) << typed;  // nothing stored
        EXPECT_EQ(storedUi.HintMode, 0u) << typed;
        EXPECT_EQ(storedCfg.Operators, cfg.Operators) << typed;
        EXPECT_EQ(model.Text(kOptThreads), typed) << "the edit keeps what was typed, to be put right";
    }
    // The edits are checked in the dialog's order: the operators stand above the threads.
    OptionModel model(cfg, ui);
    model.SetText(kOptThreads, "x");
    model.SetText(kOptOr, "+");
    EXPECT_EQ(model.Ok(cfg, ui).focus, kOptOr);
}

TEST_F(Options, OkStoresTheEditorCommandAsTypedOrRefusesOneThatCannotBeSplit) {
    ui.Editor = "gedit +%l";
    EXPECT_EQ(OptionModel(cfg, ui).Text(kOptEditor), "gedit +%l");
    // Stored byte for byte, blanks and bytes that are no UTF-8 included; empty is the default program.
    for (const char* typed : {"'/opt/my ed' -g %f:%l", "", "  ", "ed\xE9 %f"}) {
        TUiSettings storedUi = ui;
        OptionModel model(cfg, storedUi);
        model.SetText(kOptEditor, typed);
        EXPECT_TRUE(model.Ok(cfg, storedUi).accepted) << typed;
        EXPECT_EQ(storedUi.Editor, typed);
    }
    for (const char* typed : {"code -g '%f:%l", "\"/opt/ed", "ed %f \\"}) {
        TSearchCFG storedCfg = cfg;
        TUiSettings storedUi = ui;
        OptionModel model(storedCfg, storedUi);
        model.SetText(kOptEditor, typed);
        model.SetChecked(kOptHints, true);
        const OptionModel::OkResult result = model.Ok(storedCfg, storedUi);
        EXPECT_FALSE(result.accepted) << typed;
        EXPECT_EQ(result.focus, kOptEditor) << typed;
        EXPECT_EQ(result.message, EditorTextProblem(typed)) << typed;
        EXPECT_NE(result.message, "") << typed;
        EXPECT_EQ(storedUi.Editor, "gedit +%l") << typed;  // nothing stored
        EXPECT_EQ(storedUi.HintMode, 0u) << typed;
    }
}

TEST_F(Options, AChosenFontHoldsAtOnce) {
    OptionModel model(cfg, ui);
    TLogFont font;
    font.lfFaceName = "DejaVu Sans Mono";
    font.lfHeight = -15;
    model.FontChosen(ui, font, 0x00FF00);
    EXPECT_EQ(ui.ViewerFont, font);  // before and without OK
    EXPECT_EQ(ui.ColorVD, 0x00FF00u);
    EXPECT_EQ(model.FaceName(), "DejaVu Sans Mono");
}

}  // namespace
}  // namespace quarvel
