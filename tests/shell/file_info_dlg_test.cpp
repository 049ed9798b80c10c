#include <gtest/gtest.h>

#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "dialogs/file_info_dlg_wx.h"
#include "platform/clock.h"

namespace quarvel {
namespace {

struct FileInfoDialogTest : ::testing::Test {
    TSearchCFG cfg;
    FileInfoDialogTest() {
        cfg.SetDefaults();
        // A name in UTF-8, and a search word whose Windows-1252 bytes would also read as UTF-8.
        cfg.SearchFilesMask = "/tmp/\xD0\x96/notes.txt";
        cfg.SearchString = "caf\xC3\xA9+dog|bird";
        TSaveFile file;
        file.name = "notes.txt";
        file.folder = "/tmp/\xD0\x96";
        file.size = 5'000'000'123ull;
        file.date = PackDosDate(7, 3, 2024);
        file.time = static_cast<std::uint16_t>((9 << 11) | (5 << 5) | 29);
        cfg.FoundFiles = {file};
        cfg.Hits = {{3, 2, 1}, {3, 2, 1}, {12, 0, 0}, {20, 2, 0}};
    }
    template <class T> static T* Get(wxDialog& dlg, int id) {
        T* window = dynamic_cast<T*>(dlg.FindWindow(id));
        EXPECT_TRUE(window) << id;
        return window;
    }
};

TEST_F(FileInfoDialogTest, ShowsTheFileAndHowOftenEachWordOccurs) {
    std::string expression = cfg.SearchString;
    Tstr query(expression, cfg);
    TFileInfoDlg dlg(nullptr, cfg, &query);
    EXPECT_EQ(dlg.GetTitle(), "Quarvel Info");
    wxRect screen = wxDisplay(0u).GetGeometry();
    wxRect area = dlg.GetScreenRect();
    EXPECT_NEAR(area.x + area.width / 2, screen.width / 2, 1) << "over the screen while there is no main window";
    EXPECT_NEAR(area.y + area.height / 2, screen.height / 2, 1);

    auto* path = Get<wxTextCtrl>(dlg, kFileInfoPath);
    auto* shownExpression = Get<wxTextCtrl>(dlg, kFileInfoExpression);
    ASSERT_TRUE(path && shownExpression);
    EXPECT_EQ(path->GetValue(), wxString::FromUTF8("/tmp/\xD0\x96/notes.txt")) << "a name is file-system bytes";
    EXPECT_EQ(shownExpression->GetValue(), wxString::FromUTF8("caf\xC3\xA9+dog|bird")) << "the expression is UTF-8";
    EXPECT_FALSE(path->IsEditable());
    EXPECT_FALSE(shownExpression->IsEditable());
    EXPECT_EQ(Get<wxStaticText>(dlg, kFileInfoSize)->GetLabel(), "Size 5000000123 byte(s)");
    EXPECT_EQ(Get<wxStaticText>(dlg, kFileInfoDate)->GetLabel(), "Date 07/03/2024");
    EXPECT_EQ(Get<wxStaticText>(dlg, kFileInfoTime)->GetLabel(), "Time 09:05");

    auto* words = Get<wxListCtrl>(dlg, kFileInfoWords);
    ASSERT_TRUE(words);
    ASSERT_EQ(words->GetColumnCount(), 2);
    wxListItem heading;
    heading.SetMask(wxLIST_MASK_TEXT);
    ASSERT_TRUE(words->GetColumn(1, heading));
    EXPECT_EQ(heading.GetText(), "Times");
    ASSERT_EQ(words->GetItemCount(), 3);
    const char* rows[][2] = {{"caf\xC3\xA9", "1"}, {"dog", "0"}, {"bird", "2"}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(words->GetItemText(row, 0), wxString::FromUTF8(rows[row][0])) << row;
        EXPECT_EQ(words->GetItemText(row, 1), rows[row][1]) << row;
    }
}

TEST_F(FileInfoDialogTest, EnterAndEscapeBothCloseItWithOk) {
    for (int key : {WXK_RETURN, WXK_ESCAPE}) {
        TFileInfoDlg dlg(nullptr, cfg, nullptr);
        EXPECT_EQ(Get<wxListCtrl>(dlg, kFileInfoWords)->GetItemCount(), 0) << "no query, no words";
        wxTimer activate, press, giveUp;
        wxUIActionSimulator sim;
        activate.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            // Without a window manager the keyboard goes to the window under the pointer.
            wxRect where = dlg.GetScreenRect();
            sim.MouseMove(where.GetLeft() + where.GetWidth() / 2, where.GetTop() + 10);
            dlg.Raise();
            press.StartOnce(300);
        });
        press.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { sim.Char(key); });
        // Should the key never arrive, the test fails instead of hanging.
        giveUp.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dlg.EndModal(wxID_ABORT); });
        activate.StartOnce(200);
        giveUp.StartOnce(5000);
        EXPECT_EQ(dlg.ShowModal(), wxID_OK) << key;
    }
}

}  // namespace
}  // namespace quarvel
