#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <wx/dialog.h>
#include <wx/timer.h>

#include "search/search_run.h"
#include "search/skipped_files.h"

class wxGauge;
class wxStaticText;
class wxGUIEventLoop;

namespace quarvel {

class TListWindow1;

enum ProcesDlgId : int { kProcesStatusId = 101, kProcesBarId = 102 };

// The progress dialog: runs one search on the record, showing where it is,
// and stops at Cancel (or Esc). With a results list the run is a Search-mode
// run that fills it; without one it is the View command's one-file run.
//
// The expression compiles on the user-interface thread; the rest of the run
// goes on a thread of its own, so that the windows stay live without the run
// ever stepping into their events. Meanwhile the run works on a record of
// its own: the windows read the dialog's record, whose found-file list takes
// the rows over as they come, and which gets the whole run's record back at
// the end. The run's questions and messages are asked on the user-interface
// thread, while the run waits for the answer.
class TProcesDlg : public wxDialog, public RunObserver {
public:
    // threads: the threads that decide the files of a Search-mode run.
    TProcesDlg(wxWindow* parent, const wxString& caption, TListWindow1* list, TSearchCFG& cfg,
               std::unique_ptr<Tstr>& query, unsigned threads = 1);
    ~TProcesDlg() override;

    // Runs the whole search while every other window is disabled; the dialog
    // shows once the expression has compiled and disappears before the
    // closing messages. wxID_OK when files were found and the run was not
    // cancelled, else wxID_CANCEL.
    int ShowModal() override;

    // What the run tells, on the run's thread (a compile error's message and
    // the emptying of the list come on the user-interface thread).
    using RunObserver::ShowMessage;
    void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text, const std::string& path,
                                         const std::string& reason) override;
    void SetStatusText(const std::string& text) override;
    void SetProgress(int percent) override;
    void ScanFinished() override;
    void FileSkipped(const std::string& path, const std::string& reason) override;
    void ClearResults() override;
    void AddFoundRow(const TSaveFile& record) override;

protected:
    // Cancel only asks the run to stop at its next test; any thread may.
    void OnCancel();
    // The dialog has just shown, its run under way (user-interface thread).
    virtual void OnShown() {}
    // Runs f on the user-interface thread and waits for it to end; at once
    // when called there.
    void RunOnUiThread(const std::function<void()>& f);
    // The list shows every row found until now (user-interface thread).
    void ShowRowsFoundSoFar();

private:
    // Brings the window up to date with what the run told since the last time.
    void ShowWhatWasTold();
    wxWindow* MessageOwner();

    TListWindow1* list_;
    TSearchCFG& cfg_;
    std::unique_ptr<Tstr>& query_;
    unsigned threads_;
    SearchRun* run_ = nullptr;
    wxStaticText* status_;
    wxGauge* bar_;
    wxTimer timer_;
    std::unique_ptr<wxGUIEventLoop> loop_;

    // What the run told and the window has not shown yet.
    std::mutex told_;
    std::string statusText_;
    bool statusChanged_ = false;
    int percent_ = 0;
    std::vector<TSaveFile> arrived_;
    SkippedFiles skipped_;

    std::chrono::steady_clock::time_point nextRows_{};
};

}  // namespace quarvel
