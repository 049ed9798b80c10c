#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include <wx/aui/aui.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/timer.h>

#include "app/commands.h"
#include "results/list_export.h"
#include "search/background_hits.h"

class wxAuiToolBar;
class wxSplitterWindow;

namespace quarvel {

struct ProgramState;
class TListDlg;
class TListWindow1;
class TMainStatusBar;
class TPreviewPane;
class PreviewWorker;
struct HitLine;

// The main window: menu, a tool bar that can float or dock on any edge, the
// status bar with its clock, and the results list as its client. It carries
// every command of the main menu.
class TMainFrame : public wxFrame {
public:
    explicit TMainFrame(ProgramState& state);
    ~TMainFrame() override;

    // Hint mode of the tool bar and visibility of the status bar from the
    // settings: at start, and after the options are confirmed.
    void ApplyHintModeAndStatusBar();

    TListDlg* Client() const { return client_; }
    TListWindow1* List() const;
    wxAuiToolBar* ToolBar() const { return toolBar_; }
    wxAuiManager& Docking() { return docking_; }
    wxMenu& ContextMenu() { return contextMenu_; }
    CommandState State() const;

    // Open and Save project once the file is chosen: the file is loaded (and
    // the list refilled) or written, and what went wrong is shown.
    void OpenProjectFile(const std::string& path);
    void SaveProjectFile(const std::string& path);
    // Export list once the file and its format are chosen: the rows as shown.
    void ExportListTo(const std::string& path, ExportFormat format);

    // After a search or a loaded project: the hits are counted and the
    // preview reads the new search; before one, both stop.
    void StartAfterSearch();
    void StopBeforeSearch();
    TPreviewPane* Preview() const { return preview_; }
    // The hit pass's progress into the list and the status bar.
    void ShowHitsCounted();

private:
    void BuildMenu();
    void BuildToolBar();
    void BindCommands();
    void ShowToolHint(int toolId);

    // The commands (main_commands_wx.cpp).
    void OnNewSearch();
    void OnOpenProject();
    void OnSaveProject();
    void OnView();
    void OnOpen();
    void OnOpenWith();
    void OnShowContextMenu();
    void OnConfiguration();
    void OnExportList();
    void OnEditAtLine();
    void OnTogglePreview();
    // The viewer on a found file, at the hit at offset when one is given.
    void OpenViewer(int found, const std::uint64_t* at);

    // The preview follows the selected row.
    void PreviewSelected();
    // The row a row command acts on, or -1 (after "File not found" when its file is gone).
    int CurrentRow();

    ProgramState& state_;
    wxAuiManager docking_;
    TListDlg* client_ = nullptr;
    wxAuiToolBar* toolBar_ = nullptr;
    TMainStatusBar* statusBar_ = nullptr;
    wxMenu contextMenu_;
    StatusBarRule statusBarRule_;
    wxTimer clock_;
    wxSplitterWindow* splitter_ = nullptr;
    TPreviewPane* preview_ = nullptr;
    BackgroundHits hitPass_;
    bool hitsShown_ = true;  // the pass's end is in the list and the status bar
    bool searchDone_ = true;  // no run is going on: the preview may read the found files
    std::unique_ptr<PreviewWorker> previewWorker_;
};

}  // namespace quarvel
