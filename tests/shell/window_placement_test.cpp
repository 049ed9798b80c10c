// Where the windows stand on a desktop: the main window's first size and
// place, and every dialog and the viewer wholly on the work area wherever the
// main window is. The suite runs these without a window manager and with one.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/display.h>

#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "results/results_list_wx.h"
#include "dialogs/about_dlg_wx.h"
#include "dialogs/brouse_dir_dlg_wx.h"
#include "dialogs/file_info_dlg_wx.h"
#include "dialogs/info_dlg_wx.h"
#include "dialogs/open_with_dlg_wx.h"
#include "dialogs/option_dlg_wx.h"
#include "dialogs/setup_dlg_wx.h"
#include "platform/clock.h"
#include "search/proces_dlg_wx.h"
#include "tests/shell/modal_expect.h"
#include "tests/shell/settle.h"
#include "viewer/view_dlg_wx.h"

namespace quarvel {
namespace {

wxRect WorkArea() { return wxDisplay(0u).GetClientArea(); }

::testing::AssertionResult Inside(const wxRect& window, const wxRect& area) {
    if (area.Contains(window)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window at " << window.x << "," << window.y << " size "
                                         << window.width << "x" << window.height << " leaves the work area "
                                         << area.x << "," << area.y << " " << area.width << "x" << area.height;
}

TEST(WindowPlacement, TheMainWindowStartsAtAUsableSizeOnTheWorkArea) {
    ProgramState state;
    state.search.SetDefaults();
    auto* frame = new TMainFrame(state);
    frame->Show();
    Settle(400);  // a window manager places it
    const wxRect area = WorkArea(), rect = frame->GetScreenRect();
    EXPECT_TRUE(Inside(rect, area));
    EXPECT_GE(rect.width * 10, area.width * 6);
    EXPECT_GE(rect.height * 10, area.height * 6);
    frame->Destroy();
    Settle(50);
}

// The progress dialog places itself as its run starts; its place is taken
// once it shows, and the run is then stopped.
class PlacedRun : public TProcesDlg {
public:
    using TProcesDlg::TProcesDlg;
    void OnShown() override {
        Settle(150);
        placed = GetScreenRect();
        OnCancel();
    }
    wxRect placed;
};

TEST(WindowPlacement, EveryDialogAndTheViewerStayOnTheWorkAreaWhereverTheMainWindowIs) {
    ProgramState state;
    state.search.SetDefaults();
    state.search.SearchDefaultPath = "/usr/share";
    state.search.SearchString = "a";
    state.search.SearchIncludeSubDir = 1;
    state.search.DeriveWindows(TodayDosDate());
    auto* frame = new TMainFrame(state);
    frame->Show();
    Settle(300);
    const wxRect area = WorkArea();
    // Small and large, in the middle, at the corners and partly off the screen.
    const std::vector<wxRect> places = {
        {area.x + 300, area.y + 200, 640, 480}, {area.x, area.y, 260, 180},
        {area.GetRight() - 260, area.GetBottom() - 180, 260, 180}, {area.x - 200, area.y - 150, 300, 220},
        {area.GetRight() - 100, area.GetBottom() - 80, 400, 300}, {area.x, area.y, area.width, area.height}};
    wxWindow* owner = frame->Client();
    using Make = std::function<wxTopLevelWindow*()>;
    const std::vector<std::pair<const char*, Make>> windows = {
        {"search", [&] { return new TSetupDlg(owner, state.search, state.ui, TodayDosDate()); }},
        {"options", [&] { return new TOptionDlg(owner, state.search, state.ui); }},
        {"information", [&] { return new TInfoDlg(owner, state.search); }},
        {"about", [&] { return new TAboutDlg(owner); }},
        {"open with", [&] { return new TOpenWithDlg(owner, state.ui); }},
        {"directory browser", [&] { return new TBrouseDirDlg(owner, "/usr/share"); }},
        {"file information", [&] { return new TFileInfoDlg(owner, state.search, nullptr, frame); }},
        {"viewer", [&] {
             auto record = std::make_unique<TSearchCFG>(state.search);
             return new TViewDlg(std::move(record), nullptr, state.ui, state.openViewers, frame);
         }},
    };
    for (const wxRect& place : places) {
        frame->SetSize(place);
        Settle(200);
        const wxRect main = frame->GetScreenRect();
        for (const auto& [what, make] : windows) {
            SCOPED_TRACE(std::string(what) + " over the main window at " + std::to_string(main.x) + "," +
                         std::to_string(main.y) + " " + std::to_string(main.width) + "x" +
                         std::to_string(main.height));
            wxTopLevelWindow* window = make();
            window->Show();
            Settle(150);
            EXPECT_TRUE(Inside(window->GetScreenRect(), area));
            window->Destroy();
            Settle(20);
        }
        SCOPED_TRACE("progress");
        PlacedRun run(owner, "Search", nullptr, state.search, state.query);
        // A run stopped before it found a file may say so.
        wxTEST_DIALOG(run.ShowModal(), wxExpectModal<wxMessageDialog>(wxID_OK).Optional());
        EXPECT_TRUE(Inside(run.placed, area));
    }
    frame->Destroy();
    Settle(50);
}

}  // namespace
}  // namespace quarvel
