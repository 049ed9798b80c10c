// The main window's commands that search, open and save projects, and act on rows.
#include <sys/stat.h>

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/splitter.h>

#include "app/main_frame_wx.h"
#include "app/preview_pane_wx.h"
#include "app/program_state.h"
#include "app/project_commands.h"
#include "app/row_commands.h"
#include "dialogs/file_filter.h"
#include "documents/hand_over_wx.h"
#include "dialogs/open_with_dlg_wx.h"
#include "dialogs/option_dlg_wx.h"
#include "dialogs/setup_dlg_wx.h"
#include "platform/processors.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file_launch_wx.h"
#include "platform/first_show_wx.h"
#include "platform/text_wx.h"
#include "platform/working_folder.h"
#include "results/list_export.h"
#include "results/results_list_wx.h"
#include "search/proces_dlg_wx.h"
#include "settings/viewer_font_wx.h"
#include "viewer/preview_worker.h"
#include "viewer/view_dlg_wx.h"

namespace quarvel {

namespace {

wxString ProjectFilter() { return FileDialogFilter({{"Quarvel files (*.QRV)", "*.QRV"}}); }

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

void TMainFrame::OnNewSearch() {
    if (!CommandEnabled(kCmNew, State())) return;
    TSetupDlg setup(client_, state_.search, state_.ui, TodayDosDate());
    if (setup.ShowModal() != wxID_OK) return;
    StopBeforeSearch();
    {
        TProcesDlg run(client_, "Search", List(), state_.search, state_.query, RunThreads(state_.ui.Threads));
        run.ShowModal();
    }
    StartAfterSearch();
}

void TMainFrame::StopBeforeSearch() {
    hitPass_.Stop();
    hitsShown_ = true;  // what it counted belongs to the list about to go
    searchDone_ = false;
    previewWorker_->Forget();
    preview_->Model().Asked(0);
    preview_->Refresh();
}

void TMainFrame::StartAfterSearch() {
    searchDone_ = true;
    auto snapshot = std::make_shared<const SearchSnapshot>(state_.search);
    previewWorker_->SetSearch(snapshot);
    hitPass_.Start(snapshot, RunThreads(state_.ui.Threads));
    hitsShown_ = false;
    ShowHitsCounted();
    PreviewSelected();
}

void TMainFrame::PreviewSelected() {
    if (!preview_->IsShown()) return;
    // While a run fills the list the preview waits for its end, which reads the new search.
    const int found = searchDone_ ? List()->SelectedFile() : -1;
    preview_->Model().Asked(found < 0 ? 0 : previewWorker_->Ask(state_.search.FoundFiles[found].Path()));
    if (found < 0) previewWorker_->Forget();
    preview_->Refresh();
}

void TMainFrame::ShowHitsCounted() {
    if (hitsShown_) return;
    const BackgroundHits::Progress progress = hitPass_.Read(List()->Hits());
    List()->HitsChanged(!progress.running);
    if (GetStatusBar() && GetStatusBar()->IsShown())
        SetStatusText(FromUtf8(HitsStatusText(progress.counted, progress.files, progress.hits, progress.running)), 0);
    hitsShown_ = !progress.running;
}

void TMainFrame::OnOpenProject() {
    WorkingFolderKeeper workingFolder;
    wxFileDialog chooser(client_, "Open", FromFileName(state_.ui.PathOpenQV), wxString(), ProjectFilter(),
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (chooser.ShowModal() != wxID_OK || chooser.GetPath().empty()) return;
    std::string path = ToFileName(chooser.GetPath());
    if (!Exists(path) && Exists(WithProjectExtension(path))) path = WithProjectExtension(path);
    OpenProjectFile(path);
}

void TMainFrame::OpenProjectFile(const std::string& path) {
    const OpenProjectOutcome outcome = OpenProject(state_, path);
    if (outcome.refill) {
        StopBeforeSearch();
        List()->ShowRows(0);
        List()->ShowRows(state_.search.FoundFiles.size());
        StartAfterSearch();
    }
    if (!outcome.message.empty())
        wxMessageBox(FromUtf8(outcome.message), kProductName, wxOK);
}

void TMainFrame::OnSaveProject() {
    if (!state_.query) return;
    WorkingFolderKeeper workingFolder;
    wxFileDialog chooser(client_, "Save", FromFileName(state_.ui.PathSaveQV), wxString(), ProjectFilter(),
                         wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (chooser.ShowModal() != wxID_OK || chooser.GetPath().empty()) return;
    const std::string typed = ToFileName(chooser.GetPath());
    const std::string path = WithProjectExtension(typed);
    // The dialog asked about the name as typed; the name with its extension is asked about here.
    if (path != typed && Exists(path) &&
        wxMessageBox(FromFileName(path) + " already exists.\nDo you want to replace it?", kProductName,
                     wxYES_NO | wxNO_DEFAULT | wxICON_WARNING, client_) != wxYES)
        return;
    SaveProjectFile(path);
}

void TMainFrame::SaveProjectFile(const std::string& path) {
    const std::string message = SaveProjectAs(state_, path);
    if (!message.empty()) wxMessageBox(FromFileName(message), kProductName, wxOK);
}

int TMainFrame::CurrentRow() {
    int contextMenuRow = state_.contextMenuRow;
    const quarvel::CurrentRow current = ResolveCurrentRow(List()->SelectedFile(), contextMenuRow, state_.search.FoundFiles);
    state_.contextMenuRow = contextMenuRow;
    if (current.fileMissing) ShowMessage(client_, "File not found");
    return current.row;
}

void TMainFrame::OnView() { OpenViewer(CurrentRow(), nullptr); }

void TMainFrame::OpenViewer(int row, const std::uint64_t* at) {
    if (row < 0 || static_cast<std::size_t>(row) >= state_.search.FoundFiles.size()) return;
    auto copy = std::make_unique<TSearchCFG>(state_.search);
    copy->SearchFilesMask = state_.search.FoundFiles[row].Path();
    copy->SearchIncludeSubDir = 0;
    {
        TProcesDlg run(client_, "Open", nullptr, *copy, state_.query, RunThreads(state_.ui.Threads));
        if (run.ShowModal() != wxID_OK) return;
    }
    if (copy->LongestLine > 1000) copy->LongestLine = 1000;
    auto* viewer = new TViewDlg(std::move(copy), state_.query.get(), state_.ui, state_.openViewers, this);
    if (at) viewer->ShowHitAt(*at);
    PrepareFirstShow(*viewer);
    viewer->Show();
}

void TMainFrame::OnOpen() {
    const int noted = state_.contextMenuRow;
    const int row = CurrentRow();
    if (row < 0) return;
    const std::optional<std::string> path = HandOverPath(client_, state_.search.FoundFiles[row].Path());
    if (!path) return;
    if (OpenWithDefaultHandler(*path) == OpenOutcome::Started) return;
    // No program for its type, or it would not start: Open with, silently, on the same row.
    state_.contextMenuRow = noted;
    OnOpenWith();
}

void TMainFrame::OnOpenWith() {
    const int row = CurrentRow();
    if (row < 0) return;
    TOpenWithDlg dialog(client_, state_.ui);
    if (dialog.ShowModal() != wxID_OK) return;
    const std::optional<std::string> path = HandOverPath(client_, state_.search.FoundFiles[row].Path());
    if (!path) return;
    std::string why;
    if (!StartProgramWith(dialog.Program(), *path, why)) ShowUnableToExecute(client_, dialog.Program());
}

void TMainFrame::OnConfiguration() {
    // A font chosen holds at once for every open viewer, even if the options are then cancelled.
    TOptionDlg options(client_, state_.search, state_.ui, [](const TUiSettings& ui) {
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* viewer = dynamic_cast<TViewDlg*>(window)) viewer->ApplyFont(ui.ViewerFont, ui.ColorVD);
    });
    if (options.ShowModal() == wxID_OK) ApplyHintModeAndStatusBar();
    preview_->SetHitColour(ColourFromColorRef(state_.ui.ColorVD));
    preview_->Refresh();
}

void TMainFrame::OnExportList() {
    if (!state_.query) return;
    WorkingFolderKeeper workingFolder;
    wxFileDialog chooser(client_, "Export list", FromFileName(state_.ui.PathSaveQV), wxString(),
                         FileDialogFilter({{"CSV files (*.csv)", "*.csv"}, {"JSON Lines files (*.jsonl)", "*.jsonl"}}),
                         wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (chooser.ShowModal() != wxID_OK || chooser.GetPath().empty()) return;
    const ExportFormat format = chooser.GetFilterIndex() == 1 ? ExportFormat::JsonLines : ExportFormat::Csv;
    const std::string typed = ToFileName(chooser.GetPath());
    const std::string path = WithExportExtension(typed, format);
    if (path != typed && Exists(path) &&
        wxMessageBox(FromFileName(path) + " already exists.\nDo you want to replace it?", kProductName,
                     wxYES_NO | wxNO_DEFAULT | wxICON_WARNING, client_) != wxYES)
        return;
    ExportListTo(path, format);
}

void TMainFrame::ExportListTo(const std::string& path, ExportFormat format) {
    // The rows as the list shows them, in its order, with the hits counted so far.
    ShowHitsCounted();
    std::vector<ExportRow> rows;
    TListWindow1* list = List();
    for (std::size_t row = 0; row < list->Rows(); ++row) {
        const auto found = static_cast<std::size_t>(list->FoundIndexOf(static_cast<int>(row)));
        rows.push_back({&state_.search.FoundFiles[found], found < list->Hits().size() ? list->Hits()[found]
                                                                                      : std::nullopt});
    }
    try {
        ExportList(path, rows, format);
    } catch (const QuarvelError& error) {
        wxMessageBox(FromFileName(error.what()), kProductName, wxOK);
    }
}

void TMainFrame::OnEditAtLine() {
    const int row = CurrentRow();
    if (row < 0) return;
    // The preview's line when it shows the row's file, else the file's start.
    const HitLine* line = preview_->IsShown() ? preview_->CurrentLine() : nullptr;
    const std::string editor = state_.ui.Editor;
    const std::optional<std::string> path = HandOverPath(client_, state_.search.FoundFiles[row].Path());
    if (!path) return;
    std::string why;
    if (!EditAtLine(editor, *path, line ? line->line : 1, why))
        ShowUnableToExecute(client_, editor);
}

void TMainFrame::OnTogglePreview() {
    if (splitter_->IsSplit()) {
        state_.ui.PreviewHeight = splitter_->GetClientSize().y - splitter_->GetSashPosition();
        splitter_->Unsplit(preview_);
        state_.ui.PreviewPane = 0;
        previewWorker_->Forget();
        return;
    }
    preview_->Show();
    splitter_->SplitHorizontally(client_, preview_,
                                 -(state_.ui.PreviewHeight > 0 ? state_.ui.PreviewHeight : FromDIP(180)));
    state_.ui.PreviewPane = 1;
    PreviewSelected();
}

void TMainFrame::OnShowContextMenu() {
    TListWindow1* list = List();
    state_.contextMenuRow = list->FoundIndexOf(list->ClickedRow());
    const wxPoint point = list->ClickPoint();
    state_.contextMenuX = point.x;
    state_.contextMenuY = point.y;
    // The list fills its client from the top left corner, so the point holds there too.
    client_->PopupMenu(&contextMenu_, point);
}

}  // namespace quarvel
