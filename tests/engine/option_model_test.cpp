// The options dialog's rules: the operator checks with the edit that gets
// the focus, nothing stored on refusal, the 10-character limit, and a font
// that holds at once.
#include <gtest/gtest.h>

#include "dialogs/option_model.h"

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
