#include <gtest/gtest.h>

#include <unistd.h>

#include <wx/checkbox.h>
#include <wx/display.h>
#include <wx/combobox.h>
#include <wx/notebook.h>
#include <wx/radiobut.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <gtk/gtk.h>
#include <wx/clipbrd.h>

#include "tests/shell/modal_expect.h"
#include "tests/shell/settle.h"

#include "dialogs/setup_dlg_wx.h"
#include "platform/clock.h"
#include "platform/text_limit_wx.h"
#include "platform/working_folder.h"

namespace quarvel {
namespace {

const std::uint16_t kToday = PackDosDate(15, 3, 1997);

struct SetupDialogTest : ::testing::Test {
    TSearchCFG cfg;
    TUiSettings ui;
    SetupDialogTest() {
        cfg.SetDefaults();
        cfg.SearchString = "old";
        ui.StringHistory = {"old", "older"};
    }
    template <class T> T* Get(TSetupDlg& dlg, int id) { return static_cast<T*>(dlg.Control(id)); }
    // What a click does: the widget changes and tells the dialog.
    void Click(TSetupDlg& dlg, int id) {
        wxWindow* window = dlg.Control(id);
        auto* check = dynamic_cast<wxCheckBox*>(window);
        wxCommandEvent event(check ? wxEVT_CHECKBOX : wxEVT_RADIOBUTTON, id);
        if (check) {
            check->SetValue(!check->GetValue());
            event.SetInt(check->GetValue());
        } else {
            static_cast<wxRadioButton*>(window)->SetValue(true);
        }
        event.SetEventObject(window);
        window->ProcessWindowEvent(event);
    }
};

TEST_F(SetupDialogTest, StandsCentredAndLeavesNoChangeOfFolderBehind) {
    const std::string folder = WorkingFolder();
    {
        TSetupDlg dlg(nullptr, cfg, ui, kToday);
        wxRect screen = wxDisplay(0u).GetGeometry();
        wxRect area = dlg.GetScreenRect();
        EXPECT_NEAR(area.x + area.width / 2, screen.width / 2, 1) << "over the screen while there is no main window";
        EXPECT_NEAR(area.y + area.height / 2, screen.height / 2, 1);
        ASSERT_EQ(chdir("/"), 0);  // as browsing may do
    }
    EXPECT_EQ(WorkingFolder(), folder);
}

TEST_F(SetupDialogTest, ShowsTheRecordAndStoresWhatTheUserSetOnOk) {
    cfg.SearchWithin = 2;
    cfg.SearchSizeId = 1, cfg.SearchSizeMax = 40;
    TSetupDlg dlg(nullptr, cfg, ui, kToday);
    EXPECT_EQ(dlg.GetTitle(), "Search menu");
    EXPECT_EQ(Get<wxComboBox>(dlg, kSetupString)->GetValue(), "old");
    EXPECT_EQ(Get<wxComboBox>(dlg, kSetupString)->GetCount(), 2u);
    EXPECT_TRUE(Get<wxRadioButton>(dlg, kSetupWithinLine)->GetValue());
    EXPECT_EQ(Get<wxTextCtrl>(dlg, kSetupSizeMax)->GetValue(), "40");
    EXPECT_TRUE(Get<wxTextCtrl>(dlg, kSetupSizeMax)->IsEnabled());
    EXPECT_FALSE(Get<wxTextCtrl>(dlg, kSetupMonths)->IsEnabled());

    Get<wxComboBox>(dlg, kSetupString)->SetValue(wxString::FromUTF8("caf\xC3\xA9+\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"));
    Get<wxComboBox>(dlg, kSetupPath)->SetValue(wxString::FromUTF8("/tmp/\xD0\x96"));
    Click(dlg, kSetupRefined);
    EXPECT_FALSE(dlg.Control(kSetupPath)->IsEnabled());
    EXPECT_FALSE(dlg.Control(kSetupBrowseFile)->IsEnabled());
    EXPECT_TRUE(dlg.Control(kSetupString)->IsEnabled());
    Click(dlg, kSetupWithinSentence);
    Click(dlg, kSetupDateMonths);
    EXPECT_TRUE(dlg.Control(kSetupMonths)->IsEnabled());
    Get<wxTextCtrl>(dlg, kSetupMonths)->SetValue("1500");

    wxSpinEvent step(wxEVT_SPIN_UP, kSetupSizeMaxUpDown);
    step.SetEventObject(dlg.Control(kSetupSizeMaxUpDown));
    dlg.Control(kSetupSizeMaxUpDown)->ProcessWindowEvent(step);
    EXPECT_EQ(Get<wxTextCtrl>(dlg, kSetupSizeMax)->GetValue(), "41");
    EXPECT_FALSE(step.IsAllowed()) << "the arrows keep their middle position";

    ASSERT_TRUE(dlg.TransferDataFromWindow());
    const std::string typed = "caf\xC3\xA9+\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    EXPECT_EQ(cfg.SearchString, typed) << "search text is stored whole, in UTF-8: Cyrillic is no longer refused";
    EXPECT_EQ(cfg.SearchDefaultPath, "/tmp/\xD0\x96") << "a folder keeps the file system's bytes";
    EXPECT_EQ(ui.StringHistory, (std::vector<std::string>{typed, "old", "older"}));
    EXPECT_EQ(cfg.SearchRefined, 1u);
    EXPECT_EQ(cfg.SearchWithin, 3u);
    EXPECT_EQ(cfg.SearchDateId, 2u);
    EXPECT_EQ(cfg.SearchDateLastMonate, 999u);
    EXPECT_EQ(cfg.SearchSizeMax, 41u);
    EXPECT_EQ(cfg.SizeHigh, 41000u);
}

TEST_F(SetupDialogTest, RefusalsKeepTheDialogOpenOnTheOffendingControlsPage) {
    TSetupDlg dlg(nullptr, cfg, ui, kToday);
    dlg.Show();
    // A date that is none, typed on the Date page while Main shows.
    Click(dlg, kSetupDateBetween);
    Get<wxTextCtrl>(dlg, kSetupDateBefore)->SetValue(wxString::FromUTF8("1/2/1997\xE2\x98\x83"));
    Get<wxComboBox>(dlg, kSetupString)->SetValue("new");
    bool accepted = true;
    wxTEST_DIALOG(accepted = dlg.TransferDataFromWindow(), ExpectMessage("You must specify a valid date or date range"));
    EXPECT_FALSE(accepted);
    EXPECT_EQ(dlg.Tabs()->GetSelection(), 2);
    EXPECT_EQ(dlg.Model().Page(), SetupPage::Date);

    // An impossible date with Between: the fields before it are stored.
    dlg.Tabs()->SetSelection(0);
    EXPECT_EQ(dlg.Model().Page(), SetupPage::Main) << "the model follows the tabs";
    Get<wxTextCtrl>(dlg, kSetupDateBefore)->SetValue("31/02/1997");
    wxTEST_DIALOG(accepted = dlg.TransferDataFromWindow(),
                  ExpectMessage("You must specify a valid date or date range"));
    EXPECT_FALSE(accepted);
    EXPECT_EQ(dlg.Tabs()->GetSelection(), 2);
    EXPECT_EQ(cfg.SearchString, "new");
    EXPECT_EQ(cfg.SearchDateId, 0u);
    dlg.Hide();
}

// Pasting text longer than a field holds: the paste is cut at the limit and
// replaces what was selected, the user is told, and no field is left empty.
TEST_F(SetupDialogTest, APasteLongerThanAFieldIsCutToTheLimitAndTold) {
    TSetupDlg dlg(nullptr, cfg, ui, kToday);
    dlg.Show();
    std::string pasted = "/";
    while (pasted.size() < 5000) pasted += "folder" + std::to_string(pasted.size()) + "/";
    pasted.resize(5000);
    {
        wxClipboardLocker clipboard;
        ASSERT_TRUE(!!clipboard);
        wxTheClipboard->SetData(new wxTextDataObject(pasted));
    }
    auto paste = [&](wxComboBox* combo) {
        // What Ctrl+V does in the field.
        g_signal_emit_by_name(gtk_bin_get_child(GTK_BIN(combo->GetHandle())), "paste-clipboard");
        Settle(150);
    };
    const std::string told = TextCutMessage(259);
    for (int id : {kSetupPath, kSetupMask, kSetupString}) {
        auto* combo = Get<wxComboBox>(dlg, id);
        combo->SetFocus();
        combo->SetValue("the old text");
        combo->SelectAll();
        wxTEST_DIALOG(paste(combo), ExpectMessage(told));
        EXPECT_EQ(combo->GetValue(), pasted.substr(0, 259)) << id;
    }
    // Pasted between two characters, with nothing selected: what fits goes in there.
    auto* combo = Get<wxComboBox>(dlg, kSetupString);
    combo->SetValue("ab");
    combo->SetInsertionPoint(1);
    wxTEST_DIALOG(paste(combo), ExpectMessage(told));
    EXPECT_EQ(combo->GetValue(), "a" + pasted.substr(0, 257) + "b");
    // A paste that fits is no news.
    {
        wxClipboardLocker clipboard;
        wxTheClipboard->SetData(new wxTextDataObject("short"));
    }
    combo->SetValue("");
    paste(combo);
    EXPECT_EQ(combo->GetValue(), "short");
    dlg.Hide();
}

TEST_F(SetupDialogTest, EnterIsOkAndEscapeIsCancel) {
    for (int key : {WXK_RETURN, WXK_ESCAPE}) {
        TSearchCFG record = cfg;
        TSetupDlg dlg(nullptr, record, ui, kToday);
        wxTimer activate, keys, giveUp;
        wxUIActionSimulator sim;
        activate.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            // Without a window manager the dialog is given the keyboard itself.
            wxRect where = dlg.GetScreenRect();
            sim.MouseMove(where.GetLeft() + where.GetWidth() / 2, where.GetTop() + 10);
            dlg.Raise();
            dlg.Control(kSetupRefined)->SetFocus();
            keys.StartOnce(300);
        });
        keys.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            sim.Char('s', wxMOD_ALT);  // the label "&String(s) to find" leads to its combo
            sim.Text("typed");  // the combo selects its text as it takes the focus: typing replaces it
            sim.Char(key);
        });
        // Should the keys never arrive, the test fails instead of hanging.
        giveUp.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dlg.EndModal(wxID_ABORT); });
        activate.StartOnce(200);
        giveUp.StartOnce(5000);
        int result = dlg.ShowModal();
        if (key == WXK_RETURN) {
            EXPECT_EQ(result, wxID_OK);
            EXPECT_EQ(record.SearchString, "typed");
        } else {
            EXPECT_EQ(result, wxID_CANCEL);
            EXPECT_EQ(record.SearchString, "old");
        }
    }
}

}  // namespace
}  // namespace quarvel
