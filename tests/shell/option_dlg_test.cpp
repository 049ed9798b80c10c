// The options window: a font chosen holds even when the dialog is cancelled,
// OK refuses a duplicate with the focus in the later edit, an edit takes no
// eleventh character, and the threads typed or stepped reach the settings.
#include <gtest/gtest.h>

#include <cmath>

#include <wx/app.h>
#include <wx/colordlg.h>
#include <wx/fontdlg.h>
#include <wx/msgdlg.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "tests/shell/settle.h"
#include "dialogs/option_dlg_wx.h"
#include "tests/shell/modal_expect.h"

namespace quarvel {
namespace {

class ChooseFont : public wxExpectModalBase<wxFontDialog, ChooseFont> {
public:
    explicit ChooseFont(wxFont font) : font_(font) {}

protected:
    int OnInvoked(wxFontDialog* dialog) const override {
        dialog->GetFontData().SetChosenFont(font_);
        return wxID_OK;
    }

private:
    wxFont font_;
};


struct OptionWindow : ::testing::Test {
    OptionWindow() {
        cfg.SetDefaults();
        ui.StatusBar = 1;
        ui.ViewerFont.lfFaceName = "Courier New";
        ui.ViewerFont.lfHeight = -13;
        ui.ColorVD = 0x0000FF;
    }
    TSearchCFG cfg;
    TUiSettings ui;
};

TEST_F(OptionWindow, AFontChosenHoldsAfterCancel) {
    int told = 0;
    {
        TOptionDlg options(nullptr, cfg, ui, [&](const TUiSettings& now) {
            ++told;
            EXPECT_EQ(now.ViewerFont.lfFaceName, "Liberation Mono");
        });
        const wxFont mono(wxFontInfo(12).FaceName("Liberation Mono"));
        wxCommandEvent press(wxEVT_BUTTON, kOptFont);
        wxTEST_DIALOG(options.Control(kOptFont)->GetEventHandler()->ProcessEvent(press), ChooseFont(mono),
                      // The toolkit's colour chooser reads its colour from its own window; here
                      // it is cancelled, which keeps the hit colour.
                      wxExpectDismissableModal<wxColourDialog>(wxID_CANCEL));
        EXPECT_EQ(static_cast<wxStaticText*>(options.Control(kOptFaceName))->GetLabel(), "Liberation Mono");
    }  // closed without OK
    EXPECT_EQ(told, 1);
    EXPECT_EQ(ui.ViewerFont.lfFaceName, "Liberation Mono");
    EXPECT_EQ(ui.ViewerFont.lfHeight, -std::lround(12 * wxGetDisplayPPI().y / 72.0));  // 12 points
    EXPECT_EQ(ui.ColorVD, 0x0000FFu);
}

TEST_F(OptionWindow, OkRefusesADuplicateWithTheFocusInTheLaterEditAndEditsStopAtTen) {
    TOptionDlg options(nullptr, cfg, ui);
    options.Show();
    auto* orEdit = static_cast<wxTextCtrl*>(options.Control(kOptOr));
    orEdit->SetValue("+");
    bool accepted = true;
    wxTEST_DIALOG(accepted = options.TransferDataFromWindow(),
                  ExpectMessage("Dublicate operator"));
    EXPECT_FALSE(accepted);
    EXPECT_EQ(wxWindow::FindFocus(), orEdit);
    EXPECT_EQ(cfg.Operators[kOpOr], "|");  // nothing stored

    auto* andEdit = static_cast<wxTextCtrl*>(options.Control(kOptAnd));
    andEdit->SetValue("");
    andEdit->SetFocus();
    options.Raise();
    const wxRect area = andEdit->GetScreenRect();
    wxUIActionSimulator keys;
    keys.MouseMove(area.GetPosition() + wxPoint(4, 4));
    Settle(100);
    keys.Text("abcdefghijkl");
    Settle(200);
    EXPECT_EQ(andEdit->GetValue(), "abcdefghij");
}

TEST_F(OptionWindow, TheThreadsEditShowsTheSettingAndOkStoresWhatItHolds) {
    ui.Threads = 4;
    TOptionDlg options(nullptr, cfg, ui);
    options.Show();
    auto* threads = dynamic_cast<wxTextCtrl*>(options.Control(kOptThreads));
    ASSERT_NE(threads, nullptr);
    EXPECT_EQ(threads->GetValue(), "4");

    threads->SetValue("300");
    bool accepted = true;
    wxTEST_DIALOG(accepted = options.TransferDataFromWindow(),
                  ExpectMessage("Threads must be a whole number from 0 (all processors) to 256"));
    EXPECT_FALSE(accepted);
    EXPECT_EQ(wxWindow::FindFocus(), threads);
    EXPECT_EQ(ui.Threads, 4u);

    threads->SetValue("11");
    wxSpinEvent up(wxEVT_SPIN_UP, kOptThreadsUpDown);
    up.SetEventObject(options.Control(kOptThreadsUpDown));
    options.Control(kOptThreadsUpDown)->GetEventHandler()->ProcessEvent(up);
    EXPECT_EQ(threads->GetValue(), "12");
    EXPECT_TRUE(options.TransferDataFromWindow());
    EXPECT_EQ(ui.Threads, 12u);
}

}  // namespace
}  // namespace quarvel
