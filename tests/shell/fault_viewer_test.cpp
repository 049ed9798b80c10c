// The viewer's window over a file that changes while it is shown: shrunk,
// emptied, grown, removed or replaced. It paints, steps, selects and copies
// what can be read, and never more.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/utils.h>

#include "platform/clock.h"
#include "platform/text_wx.h"
#include "search/search_run.h"
#include "tests/file_bytes.h"
#include "tests/shell/modal_expect.h"
#include "tests/shell/settle.h"
#include "tests/temp_folder.h"
#include "tests/shell/quiet_observer.h"
#include "viewer/view_dlg_wx.h"

namespace quarvel {
namespace {


wxString Copied() {
    wxTextDataObject copied;
    if (!wxTheClipboard->Open()) return "<no clipboard>";
    const bool got = wxTheClipboard->GetData(copied);
    wxTheClipboard->Close();
    return got ? copied.GetText() : wxString("<nothing>");
}

TEST(FaultViewer, TheWindowKeepsWorkingOverAFileChangedUnderIt) {
    TempFolder folder("qv-viewer-change");
    const std::string path = folder.Path() + "/shown.txt";
    std::string original = "alpha first\n";
    for (int i = 0; i < 3000; ++i) original += "filler line " + std::to_string(i) + "\n";
    original += "omega last\n";
    struct Change {
        const char* what;
        std::function<void()> apply;
        bool keepsOldBytes;  // the viewer's open file still holds the original bytes
    };
    const Change changes[] = {
        {"shrunk", [&] { std::filesystem::resize_file(path, 20); }, false},
        {"emptied", [&] { std::filesystem::resize_file(path, 0); }, false},
        {"grown", [&] { std::ofstream(path, std::ios::app) << std::string(100000, 'g'); }, false},
        {"removed", [&] { std::filesystem::remove(path); }, true},
        {"replaced", [&] {
             Put(path + ".new", "other\n");
             std::filesystem::rename(path + ".new", path);
         }, true},
    };
    std::int32_t openViewers = 0;
    TUiSettings ui;
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        Put(path, original);
        auto cfg = std::make_unique<TSearchCFG>();
        cfg->SetDefaults();
        cfg->SearchFilesMask = path;
        cfg->SearchString = "alpha|omega";
        cfg->DeriveWindows(TodayDosDate());
        std::unique_ptr<Tstr> query;
        Quiet quiet;
        ASSERT_EQ(SearchRun(*cfg, query, quiet, RunMode::Open).Run(), RunResult::Ok);
        auto* viewer = new TViewDlg(std::move(cfg), query.get(), ui, openViewers);
        viewer->SetSize(0, 0, 500, 300);
        viewer->Show();
        Settle(100);
        c.apply();
        const std::string readable = c.keepsOldBytes ? original : Get(path);
        ViewModel& model = viewer->Model();
        const auto paint = [viewer] {
            viewer->Canvas()->Refresh(false);
            viewer->Canvas()->Update();
            Settle(30);
        };
        for (int pass = 0; pass < 2; ++pass) {
            // Unwrapped, then wrapped at the window's width.
            if (pass == 1) {
                wxCommandEvent toggle(wxEVT_MENU, kVmWrap);
                viewer->ProcessWindowEvent(toggle);
            }
            model.Scroll(ScrollStep::Bottom);
            paint();
            for (const ViewRow& row : model.ReadRows(model.RowsPerWindow()))
                EXPECT_LE(row.end, std::max<std::uint64_t>(readable.size(), row.start)) << "no row past the end";
            model.Scroll(ScrollStep::Top);
            while (model.NextHit()) paint();
            while (model.PrevHit()) paint();
            if (pass == 0) continue;
            wxCommandEvent all(wxEVT_MENU, kVmSelectAll), copy(wxEVT_MENU, kVmCopy);
            viewer->ProcessWindowEvent(all);
            paint();
            viewer->ProcessWindowEvent(copy);
            Settle(50);
            EXPECT_EQ(Copied(), FromAnsi(readable.substr(0, std::min<std::size_t>(readable.size(), original.size()))))
                << "the bytes there are, up to the size the file was found with";
        }
        viewer->Close();
        Settle(50);
    }
    EXPECT_EQ(openViewers, 0);
}

}  // namespace
}  // namespace quarvel
