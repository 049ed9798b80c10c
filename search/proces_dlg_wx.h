#pragma once
#include <chrono>
#include <memory>
#include <string>

#include <wx/dialog.h>

#include "search/search_run.h"

class wxGauge;
class wxStaticText;

namespace quarvel {

class TListWindow1;

enum ProcesDlgId : int { kProcesStatusId = 101, kProcesBarId = 102 };

// The progress dialog: runs one search on the record, showing where it is,
// and stops at Cancel (or Esc). With a results list the run is a Search-mode
// run that fills it; without one it is the View command's one-file run.
class TProcesDlg : public wxDialog, public RunObserver {
public:
    TProcesDlg(wxWindow* parent, const wxString& caption, TListWindow1* list, TSearchCFG& cfg,
               std::unique_ptr<Tstr>& query);

    // Runs the whole search while every other window is disabled; the dialog
    // shows once the expression has compiled and disappears before the
    // closing messages. wxID_OK when files were found and the run was not
    // cancelled, else wxID_CANCEL.
    int ShowModal() override;

    using RunObserver::ShowMessage;
    void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text, const std::string& path,
                                         const std::string& reason) override;
    void SetStatusText(const std::string& text) override;
    void SetProgress(int percent) override;
    void PumpMessages() override;
    void ScanFinished() override;
    void ClearResults() override;
    void AddFoundRow(const TSaveFile& record) override;

protected:
    // Cancel only asks the run to stop at its next test.
    void OnCancel();

private:
    // Brings the window up to date and lets the window system deliver what is pending.
    void Pump();
    // The list shows every row found until now (it is otherwise brought up to date now and then).
    void ShowRowsFoundSoFar();
    wxWindow* MessageOwner();

    TListWindow1* list_;
    TSearchCFG& cfg_;
    std::unique_ptr<Tstr>& query_;
    SearchRun* run_ = nullptr;
    wxStaticText* status_;
    wxGauge* bar_;

    std::string statusText_;
    bool statusChanged_ = false;
    int percent_ = 0;
    std::size_t rows_ = 0;
    unsigned calls_ = 0;
    std::chrono::steady_clock::time_point nextPump_{};
    std::chrono::steady_clock::time_point nextRows_{};
};

}  // namespace quarvel
