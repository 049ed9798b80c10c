#include <gtest/gtest.h>

#include <wx/display.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "dialogs/about_dlg_wx.h"
#include "dialogs/info_dlg_wx.h"

namespace quarvel {
namespace {

template <class T> T* Get(wxDialog& dlg, int id) {
    T* window = dynamic_cast<T*>(dlg.FindWindow(id));
    EXPECT_TRUE(window) << id;
    return window;
}

wxString Label(wxDialog& dlg, int id) {
    auto* text = Get<wxStaticText>(dlg, id);
    return text ? text->GetLabel() : wxString("(missing)");
}

void ExpectCentredOverTheScreen(wxDialog& dlg) {
    // There is no main window here, so the screen stands in for it.
    const wxRect screen = wxDisplay(0u).GetGeometry();
    const wxRect area = dlg.GetScreenRect();
    EXPECT_NEAR(area.x + area.width / 2, screen.width / 2, 1);
    EXPECT_NEAR(area.y + area.height / 2, screen.height / 2, 1);
}

// Runs the dialog modally and presses `key` in it; a dialog that does not
// close on the key is closed with wxID_ABORT after five seconds.
int RunAndPress(wxDialog& dlg, int key) {
    wxTimer activate, press, giveUp;
    wxUIActionSimulator sim;
    activate.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        // Without a window manager the keyboard goes to the window under the pointer.
        const wxRect where = dlg.GetScreenRect();
        sim.MouseMove(where.GetLeft() + where.GetWidth() / 2, where.GetTop() + 10);
        dlg.Raise();
        press.StartOnce(300);
    });
    press.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { sim.Char(key); });
    giveUp.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dlg.EndModal(wxID_ABORT); });
    activate.StartOnce(200);
    giveUp.StartOnce(5000);
    return dlg.ShowModal();
}

TEST(InfoDialog, ShowsTheLastRunAndClosesWithOk) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.FoundFiles.resize(3);
    cfg.GFiles = 120;
    // A mask is file-system bytes (UTF-8 here); the expression is Windows-1252.
    const std::string longMask = "/tmp/\xD0\x96/*.txt," + std::string(300, 'm') + ".log";
    cfg.SearchFilesMask = longMask;
    cfg.SearchString = "caf\xE9+dog";
    cfg.timeStart = 1000;
    cfg.timeEnd = 1000 + 3600 + 125;
    cfg.GSizeFilesCurrent = 3725 * 1000.0;
    cfg.timeSum = -1;

    for (int key : {WXK_RETURN, WXK_ESCAPE}) {
        TInfoDlg dlg(nullptr, cfg);
        EXPECT_EQ(dlg.GetTitle(), "Quarvel info");
        EXPECT_EQ(cfg.timeSum, 3725.0) << "the run's length is kept in the record";
        ExpectCentredOverTheScreen(dlg);

        EXPECT_EQ(Label(dlg, kInfoHits), "Hits in 3 file(s) out of 120");
        EXPECT_EQ(Label(dlg, kInfoStringLabel), "String(s) to find");
        EXPECT_EQ(Label(dlg, kInfoDuration), "Search duration 1:2:5");
        EXPECT_EQ(Label(dlg, kInfoBytes), "Read 3725000 byte(s)");
        EXPECT_EQ(Label(dlg, kInfoRate), "Rate of search 1.00 KB/sec");

        auto* masks = Get<wxTextCtrl>(dlg, kInfoMasks);
        auto* expression = Get<wxTextCtrl>(dlg, kInfoExpression);
        ASSERT_TRUE(masks && expression);
        EXPECT_EQ(masks->GetValue(), wxString::FromUTF8(longMask));
        EXPECT_EQ(expression->GetValue(), wxString::FromUTF8("caf\xC3\xA9+dog"));
        EXPECT_FALSE(masks->IsEditable());
        EXPECT_FALSE(expression->IsEditable());
        EXPECT_FALSE(masks->IsMultiLine());
        EXPECT_TRUE(expression->AcceptsFocusFromKeyboard());
        EXPECT_FALSE(masks->AcceptsFocusFromKeyboard()) << "only the expression is a tab stop";
        EXPECT_LT(masks->GetSize().x, masks->GetTextExtent(masks->GetValue()).x) << "a long mask scrolls";
        EXPECT_LT(dlg.GetSize().x, wxDisplay(0u).GetGeometry().width / 2);

        // Each pair of lines stands in a frame of its own.
        EXPECT_TRUE(dynamic_cast<wxStaticBox*>(masks->GetParent()));
        EXPECT_TRUE(dynamic_cast<wxStaticBox*>(expression->GetParent()));
        EXPECT_NE(masks->GetParent(), expression->GetParent());
        EXPECT_TRUE(dynamic_cast<wxStaticBox*>(dlg.FindWindow(kInfoRate)->GetParent()));

        EXPECT_EQ(RunAndPress(dlg, key), wxID_OK) << key;
    }

    // Within one second: no rate, and its line stays empty.
    cfg.timeEnd = cfg.timeStart;
    TInfoDlg sameSecond(nullptr, cfg);
    EXPECT_EQ(cfg.timeSum, 0.0);
    EXPECT_EQ(Label(sameSecond, kInfoDuration), "Search duration 0:0:0");
    EXPECT_EQ(Label(sameSecond, kInfoRate), "");
}

TEST(AboutDialog, ShowsNameVersionAndPlatformAndClosesWithOk) {
    for (int key : {WXK_RETURN, WXK_ESCAPE}) {
        TAboutDlg dlg(nullptr);
        EXPECT_EQ(dlg.GetTitle(), "About");
        ExpectCentredOverTheScreen(dlg);
        EXPECT_EQ(Label(dlg, kAboutName), "Quarvel");
        EXPECT_EQ(Label(dlg, kAboutVersion), "Version 1.0");
        const wxString platform = Label(dlg, kAboutPlatform);
        EXPECT_TRUE(platform.Contains(wxGetOsDescription())) << platform;
        EXPECT_TRUE(platform.Contains("wxWidgets 3.")) << platform;
        EXPECT_FALSE(Label(dlg, kAboutNote).empty());
        auto* icon = Get<wxStaticBitmap>(dlg, kAboutIcon);
        ASSERT_TRUE(icon);
        EXPECT_GE(icon->GetBitmap().GetWidth(), 48);
        EXPECT_EQ(RunAndPress(dlg, key), wxID_OK) << key;
    }
}

}  // namespace
}  // namespace quarvel
