// Takes a PNG of every window of the program, for a person to look at:
// window_screenshots OUTPUT-FOLDER. Needs a display (scripts/screenshots
// starts a virtual one).
#include <cstdio>
#include <functional>
#include <vector>
#include <string>

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/notebook.h>
#include <wx/uiaction.h>
#include <wx/timer.h>

#include "dialogs/brouse_dir_dlg_wx.h"
#include "dialogs/setup_dlg_wx.h"
#include "platform/clock.h"

namespace quarvel {
namespace {

// The dialog as it shows on the screen.
bool Save(wxDialog& dialog, const std::string& path) {
    wxRect area = dialog.GetScreenRect();
    wxBitmap shot(area.width, area.height);
    {
        wxWindowDC window(&dialog);
        wxMemoryDC memory(shot);
        memory.Blit(0, 0, area.width, area.height, &window, 0, 0);
    }
    bool saved = shot.SaveFile(path, wxBITMAP_TYPE_PNG);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", path.c_str());
    return saved;
}

struct Shot {
    std::string path;
    std::function<void()> setUp;  // puts the dialog in the state to show
};

// Runs the dialog modally, as the program does, and takes one picture per
// shot once the loop has drawn it, with Alt held so that the mnemonics show.
bool TakeShots(wxDialog& dialog, std::vector<Shot> shots) {
    bool ok = true;
    std::size_t next = 0;
    int phase = 0;
    wxUIActionSimulator keys;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (phase == 0) {
            if (next == shots.size()) {
                dialog.EndModal(wxID_CANCEL);
                return;
            }
            // Without a window manager, the keyboard goes to the window under the pointer.
            wxRect area = dialog.GetScreenRect();
            keys.MouseMove(area.x + area.width / 2, area.y + area.height - 5);
            shots[next].setUp();
        } else if (phase == 1) {
            keys.KeyDown(WXK_ALT);
        } else {
            ok &= Save(dialog, shots[next++].path);
            keys.KeyUp(WXK_ALT);
        }
        phase = (phase + 1) % 3;
        // The toolkit underlines the mnemonics a moment after Alt goes down.
        timer.StartOnce(phase == 2 ? 1000 : 300);
    });
    timer.StartOnce(500);
    dialog.ShowModal();
    return ok && next == shots.size();
}

int TakeAll(const std::string& folder) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDefaultPath = "/usr/share/doc";
    cfg.SearchFilesMask = "*.txt,*.md";
    cfg.SearchString = "error+-warning";
    cfg.SearchDateId = 2;
    cfg.SearchDateLastMonate = 3;
    TUiSettings ui;
    ui.StringHistory = {"error+-warning", "\"out of memory\"|oom"};
    ui.FileHistory = {"*.txt,*.md", "*.log"};
    ui.PathHistory = {"/usr/share/doc", "/var/log"};
    bool ok = true;
    {
        TSetupDlg search(nullptr, cfg, ui, TodayDosDate());
        std::vector<Shot> shots;
        const char* pages[] = {"main", "advanced", "date", "size"};
        for (std::size_t page = 0; page < 4; ++page)
            shots.push_back({folder + "/search-" + pages[page] + ".png", [&search, page] { search.Tabs()->SetSelection(page); }});
        ok &= TakeShots(search, std::move(shots));
    }
    {
        TBrouseDirDlg browser(nullptr, "/usr/share/doc/");
        ok &= TakeShots(browser, {{folder + "/browser.png", [] {}}});
    }
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace quarvel

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: window_screenshots OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    wxApp::SetInstance(new wxApp);
    int toolkitArgc = 1;
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fputs("window_screenshots: cannot open a display\n", stderr);
        return 1;
    }
    wxInitAllImageHandlers();
    int result = quarvel::TakeAll(argv[1]);
    wxEntryCleanup();
    return result;
}
