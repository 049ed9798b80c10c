// Awkward names from the main window: View opens the row's own file (never
// a decoy where the name cut at the file list's separator, or read as a mask,
// would lead), and Open with hands a program the path whole.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/utils.h>

#include "tests/file_bytes.h"
#include "tests/shell/settle.h"
#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "dialogs/setup_dlg_wx.h"
#include "platform/clock.h"
#include "platform/file_launch_wx.h"
#include "results/results_list_wx.h"
#include "tests/shell/modal_expect.h"
#include "tests/temp_folder.h"
#include "viewer/view_dlg_wx.h"

namespace quarvel {
namespace {


TViewDlg* OpenViewer() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* viewer = dynamic_cast<TViewDlg*>(window); viewer && !viewer->IsBeingDeleted()) return viewer;
    return nullptr;
}

// OK in the search dialog, which stores the form as it stands.
class ConfirmSearch : public wxExpectModalBase<TSetupDlg, ConfirmSearch> {
protected:
    int OnInvoked(TSetupDlg* dialog) const override {
        return dialog->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    }
};

TEST(FaultViewNames, ViewOpensTheRowsOwnFileWhateverItsName) {
    TempFolder tree("qv-view-names");
    const std::vector<std::string> names = {"a,b.txt", "st*r.txt", "Case.TXT", "-dash.txt", "two  words.txt"};
    for (const std::string& name : names) Put(tree.Path() + "/" + name, "alpha here\n");
    for (const char* decoy : {"a", "b.txt", "star.txt", "case.txt", "dash.txt"})
        Put(tree.Path() + "/" + decoy, "decoy alpha\n");
    ProgramState state;
    state.search.SetDefaults();
    state.search.SearchDefaultPath = tree.Path();
    state.search.SearchFilesMask = "*";
    state.search.SearchString = "alpha";
    state.search.SearchDateFrom = state.search.SearchDateBefore = PackDosDate(1, 1, 2000);
    state.search.DeriveWindows(TodayDosDate());
    auto* frame = new TMainFrame(state);
    frame->SetSize(0, 0, 800, 500);
    frame->Show();
    Settle(100);
    const auto issue = [frame](int command) {
        wxCommandEvent event(wxEVT_MENU, command);
        frame->ProcessWindowEvent(event);
    };
    wxTEST_DIALOG(issue(kCmNew), ConfirmSearch());
    TListWindow1* list = frame->List();
    ASSERT_EQ(list->GetItemCount(), 10);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        long row = 0;
        while (row < list->GetItemCount() && list->GetItemText(row, 0).ToStdString() != name) ++row;
        ASSERT_LT(row, list->GetItemCount());
        list->SelectRow(static_cast<int>(row), true);
        issue(kCmView);
        TViewDlg* viewer = OpenViewer();
        ASSERT_NE(viewer, nullptr);
        Settle(100);
        EXPECT_EQ(viewer->GetTitle().ToStdString(), tree.Path() + "/" + name + " (line:1/0%)");
        EXPECT_EQ(viewer->Model().ReadRows(1).at(0).text, "alpha here");
        EXPECT_EQ(viewer->Model().Record().Hits.at(0).offset, 0u) << "the hits of another file";
        viewer->Close();
        Settle(100);
    }
    frame->Destroy();
    Settle(50);
}

// Open with: the program gets the path as one argument, byte for byte.
TEST(FaultOpenWithNames, TheProgramGetsEveryPathWhole) {
    TempFolder folder("qv-open-with-names");
    const std::string writer = folder.Path() + "/writer";
    // Writes its arguments, each ended by NUL, to the file named first; the whole file at once.
    Put(writer, "#!/bin/sh\nout=$1; shift\nfor a; do printf '%s\\0' \"$a\"; done > \"$out.part\" && mv \"$out.part\" \"$out\"\n");
    ::chmod(writer.c_str(), 0755);
    std::string longFolder = folder.Path();
    while (longFolder.size() < 300) longFolder += "/" + std::string(60, 'l');
    std::filesystem::create_directories(longFolder);
    const std::vector<std::string> paths = {
        folder.Path() + "/a,b.txt",
        folder.Path() + "/line\nfeed.txt",
        folder.Path() + "/bad\xff\xfe.txt",
        folder.Path() + "/-dash.txt",
        folder.Path() + "/ lead and trail .txt ",
        longFolder + "/" + std::string(200, 'n') + ".txt",
    };
    int n = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(::testing::PrintToString(path));
        Put(path, "x");
        const std::string out = folder.Path() + "/args" + std::to_string(n++);
        std::string why;
        ASSERT_TRUE(StartProgramWith("'" + writer + "' '" + out + "'", path, why)) << why;
        for (int wait = 0; wait < 200 && !std::filesystem::exists(out); ++wait) wxMilliSleep(25);
        ASSERT_TRUE(std::filesystem::exists(out)) << "the program never ran";
        EXPECT_EQ(Get(out), path + std::string(1, '\0'));
    }
}

}  // namespace
}  // namespace quarvel
