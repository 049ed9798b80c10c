#include "app/main_frame_wx.h"

#include <vector>

#include <wx/accel.h>
#include <wx/aui/auibar.h>
#include <wx/menu.h>
#include <wx/splitter.h>

#include "app/help_wx.h"
#include "app/preview_pane_wx.h"
#include "app/main_status_bar_wx.h"
#include "app/program_state.h"
#include "app/tool_pictures_wx.h"
#include "dialogs/about_dlg_wx.h"
#include "dialogs/info_dlg_wx.h"
#include "platform/error.h"
#include "platform/program_icon_wx.h"
#include "platform/window_placement.h"
#include "platform/window_placement_wx.h"
#include "platform/processors.h"
#include "results/results_list_wx.h"
#include "settings/viewer_font_wx.h"
#include "viewer/preview_worker.h"

namespace quarvel {

namespace {

wxString HintOf(int id) {
    const Command* command = FindCommand(id);
    return command && command->hint ? wxString(command->hint) : wxString();
}

}  // namespace

namespace {

// A new main window gets a usable share of the screen; the window manager
// chooses its place, and neither is remembered between runs.
wxSize FirstSize() {
    const ScreenRect first = FirstMainWindowSize(WorkAreaOf(nullptr));
    return {first.width, first.height};
}

}  // namespace

TMainFrame::TMainFrame(ProgramState& state)
    : wxFrame(nullptr, wxID_ANY, kProductName, wxDefaultPosition, FirstSize()), state_(state) {
    SetIcons(ProgramIcons());
    docking_.SetManagedWindow(this);
    // The results list over the preview of the selected file's hits.
    splitter_ = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_LIVE_UPDATE | wxSP_3DSASH);
    splitter_->SetMinimumPaneSize(FromDIP(40));
    splitter_->SetSashGravity(1.0);  // a taller window makes the list taller
    client_ = new TListDlg(splitter_, state_.search, {kCmOpen, kCmShowContextMenu});
    preview_ = new TPreviewPane(splitter_, [this](const HitLine& line) {
        OpenViewer(List()->SelectedFile(), &line.firstHit);
    });
    preview_->SetHitColour(ColourFromColorRef(state_.ui.ColorVD));
    if (state_.ui.PreviewPane != 0)
        splitter_->SplitHorizontally(client_, preview_, -(state_.ui.PreviewHeight > 0 ? state_.ui.PreviewHeight
                                                                                      : FromDIP(180)));
    else {
        splitter_->Initialize(client_);
        preview_->Hide();
    }
    splitter_->Bind(wxEVT_SPLITTER_SASH_POS_CHANGED, [this](wxSplitterEvent& event) {
        state_.ui.PreviewHeight = splitter_->GetClientSize().y - event.GetSashPosition();
        event.Skip();
    });
    previewWorker_ = std::make_unique<PreviewWorker>(HitLinesLayout{}, [this](std::uint64_t request,
                                                                           const HitLines& lines, bool done) {
        // Told on the worker's thread: handed to this one.
        CallAfter([this, request, lines, done] {
            if (preview_->Model().Told(request, lines, done)) preview_->Refresh();
        });
    });
    const auto followSelection = [this](wxListEvent& event) {
        PreviewSelected();
        event.Skip();
    };
    List()->Bind(wxEVT_LIST_ITEM_SELECTED, followSelection);
    List()->Bind(wxEVT_LIST_ITEM_DESELECTED, followSelection);
    BuildMenu();
    BuildToolBar();
    statusBar_ = new TMainStatusBar(this);
    SetStatusBar(statusBar_);
    docking_.AddPane(splitter_, wxAuiPaneInfo().Name("results").CenterPane());
    docking_.Update();
    for (const ContextMenuItem& item : quarvel::ContextMenu()) contextMenu_.Append(item.id, item.text);
    BindCommands();

    // The clock advances while the program is idle; the indicators follow their keys.
    Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
        statusBar_->UpdatePanes();
        event.Skip();
    });
    clock_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        statusBar_->UpdatePanes();
        ShowHitsCounted();
    });
    clock_.Start(250);
    // The program ends with its main window: the viewers and the help window close with it.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        const std::vector<wxWindow*> others(wxTopLevelWindows.begin(), wxTopLevelWindows.end());
        for (wxWindow* window : others)
            if (window != this && !window->IsBeingDeleted()) window->Close(true);
        event.Skip();
    });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_INSERT && !event.HasAnyModifiers()) statusBar_->ToggleOvertype();
        // Esc stops the counting of hits (and only that: it never closes the window).
        if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers() && !hitsShown_) {
            hitPass_.Stop();
            ShowHitsCounted();
            return;
        }
        event.Skip();
    });
}

TMainFrame::~TMainFrame() {
    clock_.Stop();
    hitPass_.Stop();
    previewWorker_.reset();
    docking_.UnInit();
}

TListWindow1* TMainFrame::List() const { return client_->List(); }

void TMainFrame::BuildMenu() {
    auto* bar = new wxMenuBar;
    for (const MenuPopup& popup : MainMenu()) {
        auto* menu = new wxMenu;
        for (int id : popup.items) {
            if (id == 0) {
                menu->AppendSeparator();
                continue;
            }
            const Command* command = FindCommand(id);
            menu->Append(id, command->menuText, HintOf(id));
        }
        bar->Append(menu, popup.title);
    }
    SetMenuBar(bar);

    // The list takes plain letters for itself before the menu's keys see
    // them; the frame's own table comes first.
    std::vector<wxAcceleratorEntry> keys;
    for (const Command& command : Commands()) {
        if (command.key == 0) continue;
        const int flags = command.alt ? wxACCEL_ALT : command.ctrl ? wxACCEL_CTRL : wxACCEL_NORMAL;
        if (command.key == kKeyEnter) {
            keys.emplace_back(flags, WXK_RETURN, command.id);
            keys.emplace_back(flags, WXK_NUMPAD_ENTER, command.id);
        } else {
            keys.emplace_back(flags, command.key == kKeyF1 ? WXK_F1 : command.key, command.id);
        }
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(keys.size()), keys.data()));
}

void TMainFrame::BuildToolBar() {
    toolBar_ = new wxAuiToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_GRIPPER);
    for (int id : ToolBarLayout()) {
        if (id == 0) {
            toolBar_->AddSeparator();
            continue;
        }
        // The program's own pictures: the theme's are often pale symbols that
        // look disabled. Its own greyed ones too, as the toolkit's greying
        // keeps the colours, only paler, and may pass for enabled.
        const ToolPictures pictures = ToolPicturesOf(id);
        toolBar_->AddTool(id, wxString(), pictures.enabled, pictures.disabled, wxITEM_NORMAL, wxString(), wxString(),
                          nullptr);
        toolBar_->EnableTool(id, false);  // until the enabling rules have been asked
    }
    toolBar_->Realize();
    docking_.AddPane(toolBar_, wxAuiPaneInfo()
                                   .Name("tools")
                                   .Caption(kProductName)
                                   .ToolbarPane()
                                   .Top()
                                   .Gripper()
                                   .Floatable()
                                   .TopDockable()
                                   .BottomDockable()
                                   .LeftDockable()
                                   .RightDockable());

    // A button's hint goes to the status bar: as the pointer enters it with
    // flyover hints, else only while it is held down.
    toolBar_->Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
        if (state_.ui.HintMode != 0) {
            wxAuiToolBarItem* tool = toolBar_->FindToolByPosition(event.GetX(), event.GetY());
            ShowToolHint(tool ? tool->GetId() : 0);
        }
        event.Skip();
    });
    toolBar_->Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent& event) {
        ShowToolHint(0);
        event.Skip();
    });
    toolBar_->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
        wxAuiToolBarItem* tool = toolBar_->FindToolByPosition(event.GetX(), event.GetY());
        if (state_.ui.HintMode == 0 && tool) ShowToolHint(tool->GetId());
        event.Skip();
    });
    toolBar_->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
        if (state_.ui.HintMode == 0) ShowToolHint(0);
        event.Skip();
    });
}

void TMainFrame::ShowToolHint(int toolId) {
    if (GetStatusBar() && GetStatusBar()->IsShown()) SetStatusText(HintOf(toolId), 0);
}

void TMainFrame::ApplyHintModeAndStatusBar() {
    // Flyover hints also show as the buttons' tool tips.
    for (int id : ToolBarLayout())
        if (id != 0) toolBar_->SetToolShortHelp(id, state_.ui.HintMode != 0 ? HintOf(id) : wxString());
    SetStatusText(wxString(), 0);
    if (statusBarRule_.Apply(state_.ui.StatusBar)) {
        statusBar_->Show(!statusBar_->IsShown());
        SendSizeEvent();
    }
}

CommandState TMainFrame::State() const {
    return {state_.openViewers, state_.query != nullptr, List()->SelectedFile() >= 0};
}

void TMainFrame::BindCommands() {
    for (const Command& command : Commands()) {
        Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(CommandEnabled(event.GetId(), State())); },
             command.id);
    }
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnNewSearch(); }, kCmNew);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnOpenProject(); }, kCmOpenProject);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnSaveProject(); }, kCmSaveProject);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnView(); }, kCmView);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        // Enter reaches the window's keys before the preview: there it opens the viewer at the line's hit.
        if (preview_->IsShown() && preview_->HasFocus()) {
            if (const HitLine* line = preview_->CurrentLine()) OpenViewer(List()->SelectedFile(), &line->firstHit);
            return;
        }
        OnOpen();
    }, kCmOpen);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnOpenWith(); }, kCmOpenWith);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnShowContextMenu(); }, kCmShowContextMenu);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, kCmExit);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnConfiguration(); }, kCmConfiguration);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnExportList(); }, kCmExportList);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnEditAtLine(); }, kCmEditAtLine);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnTogglePreview(); }, kCmPreviewPane);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        if (!state_.query) return;  // asked again, whatever the menu showed
        TInfoDlg info(client_, state_.search);
        info.ShowModal();
    }, kCmInfo);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        TAboutDlg about(client_);
        about.ShowModal();
    }, kCmAbout);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowHelpContents(client_, state_.startFolder); }, kCmHelp);
}

}  // namespace quarvel
