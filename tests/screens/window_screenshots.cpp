// Takes a PNG of every window of the program, for a person to look at:
// window_screenshots OUTPUT-FOLDER. Needs a display (scripts/screenshots
// starts a virtual one).
#include <cstdio>
#include <filesystem>
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

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <wx/aui/aui.h>
#include <wx/evtloop.h>

#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/stdpaths.h>

#include "app/help_wx.h"
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
#include "platform/text_wx.h"
#include "results/results_list_wx.h"
#include "search/proces_dlg_wx.h"
#include "tests/shell/settle.h"
#include "viewer/view_dlg_wx.h"

namespace quarvel {
namespace {

// An area of the screen as it shows, menus and floating windows included.
bool SaveScreen(wxRect area, const std::string& path) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes screen{};
    XGetWindowAttributes(display, root, &screen);
    area.Intersect(wxRect(0, 0, screen.width, screen.height));
    bool saved = false;
    if (XImage* pixels = XGetImage(display, root, area.x, area.y, area.width, area.height, AllPlanes, ZPixmap)) {
        wxImage image(area.width, area.height);
        for (int y = 0; y < area.height; ++y)
            for (int x = 0; x < area.width; ++x) {
                const unsigned long pixel = XGetPixel(pixels, x, y);
                image.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
            }
        XDestroyImage(pixels);
        saved = image.SaveFile(path, wxBITMAP_TYPE_PNG);
    }
    XCloseDisplay(display);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", path.c_str());
    return saved;
}

// The dialog as it shows on the screen, with the frame a window manager gives it.
bool Save(wxDialog& dialog, const std::string& path) { return SaveScreen(dialog.GetScreenRect(), path); }


// The progress dialog, pictured while its run is under way.
class PicturedRun : public TProcesDlg {
public:
    PicturedRun(TMainFrame& frame, TSearchCFG& cfg, std::unique_ptr<Tstr>& query, std::string path)
        : TProcesDlg(frame.Client(), "Search", frame.List(), cfg, query), path_(std::move(path)) {}
    // On the run's thread: the run waits while the window is pictured.
    void AddFoundRow(const TSaveFile& record) override {
        TProcesDlg::AddFoundRow(record);
        if (++found_ == 40) {
            SetProgress(40);
            RunOnUiThread([this] {
                ShowRowsFoundSoFar();
                Settle(300);
                ok = SaveScreen(GetScreenRect(), path_);
            });
        }
    }
    bool ok = false;

private:
    std::string path_;
    int found_ = 0;
};

// The main window after a search, its context menu, and its tool bar afloat.
bool TakeMainWindowShots(const std::string& folder) {
    ProgramState state;
    state.search.SetDefaults();
    state.search.SearchDefaultPath = "/usr/share/doc";
    state.search.SearchFilesMask = "copyright";
    state.search.SearchString = "GPL|\"GNU General\"";
    state.search.SearchIncludeSubDir = 1;
    state.search.DeriveWindows(TodayDosDate());
    state.ui.StatusBar = 1;
    state.ui.HintMode = 1;
    auto* frame = new TMainFrame(state);
    frame->SetSize(40, 40, 900, 640);
    frame->Show();
    frame->ApplyHintModeAndStatusBar();
    Settle(500);
    bool ok = true;
    {
        PicturedRun run(*frame, state.search, state.query, folder + "/progress.png");
        run.ShowModal();
        ok &= run.ok;
    }
    frame->StartAfterSearch();
    frame->List()->SelectRow(2, true);
    frame->List()->SetItemState(2, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    // The hits counted and the preview read, as the clock's timer shows them.
    for (int i = 0; i < 40; ++i) {
        Settle(100);
        frame->ShowHitsCounted();
    }
    ok &= SaveScreen(frame->GetScreenRect(), folder + "/main-window.png");
    // Sorted by hits, most first: the arrow on the header, the selection kept.
    frame->List()->SortBy(5);
    frame->List()->SortBy(5);
    Settle(500);
    ok &= SaveScreen(frame->GetScreenRect(), folder + "/main-window-sorted.png");

    // The context menu of the sixth row, pictured while it is open.
    wxRect label;
    frame->List()->GetSubItemRect(5, 0, label, wxLIST_RECT_LABEL);
    wxTimer menuShot;
    menuShot.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        Settle(300);
        ok &= SaveScreen(frame->GetScreenRect(), folder + "/context-menu.png");
        wxUIActionSimulator().Char(WXK_ESCAPE);
    });
    menuShot.StartOnce(500);
    frame->List()->RightClickAt(label.GetPosition() + wxPoint(10, 4));

    wxAuiPaneInfo& tools = frame->Docking().GetPane("tools");
    tools.Float().FloatingPosition(frame->GetScreenPosition() + wxPoint(300, 200));
    frame->Docking().Update();
    Settle(800);
    ok &= SaveScreen(frame->GetScreenRect(), folder + "/toolbar-floating.png");
    frame->Destroy();
    Settle(200);
    return ok;
}

// The viewer over a made-up file: hits, wrap, a selection, Oem, and its information.
bool TakeViewerShots(const std::string& folder);
// The viewer over a UTF-8 file of accented, Cyrillic and CJK text with hits.
bool TakeViewerCharacterShots(const std::string& folder);
bool TakeHelpShots(const std::string& folder);

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
        TUiSettings programs;
        programs.ProgramHistory = {"/usr/bin/less -N", "/usr/bin/vi", "/opt/tools/hexview --ascii"};
        TOpenWithDlg openWith(nullptr, programs);
        ok &= TakeShots(openWith, {{folder + "/open-with.png", [] {}}});
    }
    {
        TSearchCFG run = cfg;
        run.FoundFiles.resize(37);
        run.GFiles = 1204;
        run.timeStart = 1000;
        run.timeEnd = 1000 + 3600 + 125;
        run.GSizeFilesCurrent = 48'213'771;
        run.SearchFilesMask = "*.txt,*.md,*.log,/usr/share/doc/**/copyright,README*,CHANGES*,NEWS*";
        TInfoDlg info(nullptr, run);
        ok &= TakeShots(info, {{folder + "/search-info.png", [] {}}});
    }
    {
        TAboutDlg about(nullptr);
        ok &= TakeShots(about, {{folder + "/about.png", [] {}}});
    }
    {
        ui.ViewerFont.lfFaceName = "Courier New";
        TOptionDlg options(nullptr, cfg, ui);
        ok &= TakeShots(options, {{folder + "/options.png", [] {}}});
    }
    {
        TBrouseDirDlg browser(nullptr, "/usr/share/doc/");
        ok &= TakeShots(browser, {{folder + "/browser.png", [] {}}});
    }
    ok &= TakeMainWindowShots(folder);
    ok &= TakeViewerShots(folder);
    ok &= TakeViewerCharacterShots(folder);
    ok &= TakeHelpShots(folder);
    return ok ? 0 : 1;
}


// The View command's search over path, then a viewer over its record, as the
// main window opens one: 640 pixels wide, height as given, shown and settled.
TViewDlg* OpenViewer(const std::string& path, const std::string& expression, int height, std::unique_ptr<Tstr>& query) {
    auto cfg = std::make_unique<TSearchCFG>();
    cfg->SetDefaults();
    cfg->SearchFilesMask = path;
    cfg->SearchString = expression;
    cfg->DeriveWindows(TodayDosDate());
    {
        TProcesDlg run(nullptr, "Open", nullptr, *cfg, query);
        if (run.ShowModal() != wxID_OK) return nullptr;
    }
    static TUiSettings ui;  // the viewer keeps a reference to it
    ui.ViewerFont.lfFaceName = "Courier New";
    ui.ViewerFont.lfHeight = -13;
    ui.ViewerFont.lfWeight = 400;
    ui.ColorVD = 0x0000FF;
    static std::int32_t viewers = 0;
    auto* viewer = new TViewDlg(std::move(cfg), query.get(), ui, viewers);
    viewer->SetSize(40, 40, 640, height);
    viewer->Show();
    Settle(600);
    return viewer;
}

// A command of the viewer's menu, and the repaint after it.
void ViewerCommand(TViewDlg* viewer, int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    viewer->ProcessWindowEvent(event);
    Settle(400);
}

bool TakeViewerShots(const std::string& folder) {
    char dir[] = "/tmp/quarvel-shots-XXXXXX";
    if (!mkdtemp(dir)) return false;
    const std::string path = std::string(dir) + "/sample.txt";
    {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fputs("The alpha line names alpha twice; beta comes later.\r\n", out);
        std::fputs("Tab:\there, NUL:", out);
        std::fputc(0, out);
        std::fputs(" end; box drawing in OEM: \xC9\xCD\xCD\xBB \xBA\x82t\xE9\xBA \xC8\xCD\xCD\xBC\n", out);
        std::string longLine = "A long line: ";
        for (int i = 0; i < 12; ++i) longLine += "word" + std::to_string(i) + " beta filler text, ";
        std::fputs((longLine + "alpha at its end.\n").c_str(), out);
        for (int i = 1; i <= 30; ++i) std::fprintf(out, "Line %02d %s\n", i, i % 7 == 0 ? "with alpha and beta" : "plain");
        std::fclose(out);
    }
    std::unique_ptr<Tstr> query;
    TViewDlg* viewer = OpenViewer(path, "alpha|beta", 420, query);
    if (!viewer) return false;
    bool ok = SaveScreen(viewer->GetScreenRect(), folder + "/viewer-hits.png");
    auto command = [viewer](int id) { ViewerCommand(viewer, id); };
    command(kVmWrap);
    ok &= SaveScreen(viewer->GetScreenRect(), folder + "/viewer-wrap.png");
    command(kVmWrap);
    viewer->Model().Select(12, 160);
    viewer->Canvas()->Refresh();
    Settle(400);
    ok &= SaveScreen(viewer->GetScreenRect(), folder + "/viewer-selection.png");
    viewer->Model().Select(0, 0);
    command(kVmOem);
    ok &= SaveScreen(viewer->GetScreenRect(), folder + "/viewer-oem.png");
    {
        TFileInfoDlg info(viewer, viewer->Record(), query.get());
        ok &= TakeShots(info, {{folder + "/file-info.png", [] {}}});
    }
    viewer->Destroy();
    Settle(200);
    std::filesystem::remove_all(dir);
    return ok;
}

bool TakeViewerCharacterShots(const std::string& folder) {
    char dir[] = "/tmp/quarvel-shots-XXXXXX";
    if (!mkdtemp(dir)) return false;
    const std::string path = std::string(dir) + "/utf8.txt";
    {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fputs("Caf\u00E9 cr\u00E8me br\u00FBl\u00E9e, na\u00EFve \u00E0 la fa\u00E7on: caf\u00E9 for everyone.\n", out);
        std::fputs("\u0420\u0443\u0441\u0441\u043A\u0438\u0439: \u043F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440! "
                   "\u0421\u043A\u0430\u0436\u0438 \u043F\u0440\u0438\u0432\u0435\u0442 \u0435\u0449\u0451 \u0440\u0430\u0437.\n", out);
        std::fputs("\u4E2D\u6587: \u4F60\u597D\uFF0C\u4E16\u754C\u3002\u6F22\u5B57 and ASCII | columns line up\n", out);
        std::fputs("\u65E5\u672C\u8A9E: \u3053\u3093\u306B\u3061\u306F \u4E16\u754C (wide cells) end\n", out);
        std::fputs("0123456789012345678901234567890123456789 (one cell per digit)\n", out);
        std::fputs("Mixed: caf\u00E9|\u043F\u0440\u0438\u0432\u0435\u0442|\u4E16\u754C with a combining accent: e\u0301\n", out);
        std::fclose(out);
    }
    std::unique_ptr<Tstr> query;
    TViewDlg* viewer = OpenViewer(path, "caf\u00E9|\u043F\u0440\u0438\u0432\u0435\u0442|\u4E16\u754C", 300, query);
    if (!viewer) return false;
    bool ok = SaveScreen(viewer->GetScreenRect(), folder + "/viewer-utf8.png");
    auto command = [viewer](int id) { ViewerCommand(viewer, id); };
    viewer->SetSize(40, 40, 330, 300);
    command(kVmWrap);
    ok &= SaveScreen(viewer->GetScreenRect(), folder + "/viewer-utf8-wrap.png");
    viewer->SetSize(40, 40, 640, 300);
    command(kVmWrap);
    viewer->Model().Select(viewer->Model().OffsetAt(5, 1), viewer->Model().OffsetAt(14, 2));
    viewer->Canvas()->Refresh();
    Settle(400);
    ok &= SaveScreen(viewer->GetScreenRect(), folder + "/viewer-utf8-selection.png");
    viewer->Model().Select(0, 0);
    command(kVmAnsi);
    ok &= SaveScreen(viewer->GetScreenRect(), folder + "/viewer-utf8-ansi.png");
    viewer->Destroy();
    Settle(200);
    std::filesystem::remove_all(dir);
    return ok;
}

// The help viewer over the book (the source tree's help/, found beside the
// build folder): its contents, a page with tables, and its index. No book, no
// pictures: the message box it would bring up is never shown here.
bool TakeHelpShots(const std::string& folder) {
    const std::string start = (std::filesystem::current_path() / "help").string();
    const std::string executable = ToFileName(wxStandardPaths::Get().GetExecutablePath());
    bool found = false;
    for (const std::string& place : HelpBookFolders(start, executable))
        found = found || std::filesystem::exists(std::filesystem::path(place) / kHelpBookFile);
    if (!found) {
        std::printf("FAILED no help book near %s\n", start.c_str());
        return false;
    }
    ShowHelpContents(nullptr, start);
    Settle(600);
    wxHtmlHelpFrame* frame = nullptr;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* help = wxDynamicCast(window, wxHtmlHelpFrame)) frame = help;
    if (!frame) return false;
    frame->Move(40, 40);
    Settle(400);
    bool ok = SaveScreen(frame->GetScreenRect(), folder + "/help-contents.png");
    frame->GetHelpWindow()->Display("expressions.html");
    Settle(400);
    ok &= SaveScreen(frame->GetScreenRect(), folder + "/help-expressions.png");
    frame->GetHelpWindow()->DisplayIndex();
    Settle(400);
    ok &= SaveScreen(frame->GetScreenRect(), folder + "/help-index.png");
    frame->Close(true);
    Settle(200);
    return ok;
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
