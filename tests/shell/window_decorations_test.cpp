// What a window manager lets the user do with each dialog: a dialog of fixed
// layout can be neither resized nor maximised; those that gain from room (the
// directory browser, the information dialogs with their long texts) can be
// resized, never below the size that shows all they hold. Skipped on a
// display without a window manager, which has no such actions.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "dialogs/about_dlg_wx.h"
#include "dialogs/brouse_dir_dlg_wx.h"
#include "dialogs/file_info_dlg_wx.h"
#include "dialogs/info_dlg_wx.h"
#include "dialogs/open_with_dlg_wx.h"
#include "dialogs/option_dlg_wx.h"
#include "dialogs/setup_dlg_wx.h"
#include "platform/clock.h"
#include "results/results_list_wx.h"
#include "search/proces_dlg_wx.h"
#include "tests/shell/settle.h"

namespace quarvel {
namespace {

// The output of a command, or empty.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

bool HasWindowManager() { return Output("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") != std::string::npos; }

// The actions the window manager allows on a shown window.
std::string AllowedActions(wxWindow& window) {
    GdkWindow* gdk = gtk_widget_get_window(window.GetHandle());
    if (!gdk) return std::string();
    const unsigned long xid = gdk_x11_window_get_xid(gdk);
    return Output("xprop -id " + std::to_string(xid) + " _NET_WM_ALLOWED_ACTIONS 2>/dev/null");
}

TEST(WindowDecorations, FixedDialogsNeitherResizeNorMaximiseAndTheOthersResizeSensibly) {
    if (!HasWindowManager()) GTEST_SKIP() << "no window manager on this display";
    ProgramState state;
    state.search.SetDefaults();
    state.search.DeriveWindows(TodayDosDate());
    auto* frame = new TMainFrame(state);
    frame->Show();
    Settle(300);
    wxWindow* owner = frame->Client();
    struct Case {
        const char* what;
        bool resizable;
        std::function<wxDialog*()> make;
    };
    const std::vector<Case> cases = {
        {"search", false, [&] { return new TSetupDlg(owner, state.search, state.ui, TodayDosDate()); }},
        {"options", false, [&] { return new TOptionDlg(owner, state.search, state.ui); }},
        {"about", false, [&] { return new TAboutDlg(owner); }},
        {"open with", false, [&] { return new TOpenWithDlg(owner, state.ui); }},
        {"progress", false, [&] { return new TProcesDlg(owner, "Search", nullptr, state.search, state.query); }},
        {"directory browser", true, [&] { return new TBrouseDirDlg(owner, "/usr"); }},
        {"information", true, [&] { return new TInfoDlg(owner, state.search); }},
        {"file information", true, [&] { return new TFileInfoDlg(owner, state.search, nullptr, frame); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wxDialog* dialog = c.make();
        const wxSize fitted = dialog->GetSize();
        dialog->Show();
        Settle(300);
        const std::string actions = AllowedActions(*dialog);
        ASSERT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
        EXPECT_EQ(actions.find("MAXIMIZE") == std::string::npos, !c.resizable) << actions;
        EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE") != std::string::npos, c.resizable) << actions;
        if (c.resizable) {
            // Made smaller than it was made, it keeps the size that shows everything.
            dialog->SetSize(wxSize(80, 60));
            Settle(150);
            EXPECT_GE(dialog->GetSize().x, fitted.x);
            EXPECT_GE(dialog->GetSize().y, fitted.y);
        }
        dialog->Destroy();
        Settle(30);
    }
    frame->Destroy();
    Settle(50);
}

}  // namespace
}  // namespace quarvel
