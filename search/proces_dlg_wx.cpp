#include "search/proces_dlg_wx.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "platform/stop_signals.h"
#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"
#include "results/results_list_wx.h"

namespace quarvel {

namespace {

// The window is brought up to date at most this often: often enough to look
// live and to see Cancel at once, rarely enough to cost next to nothing.
constexpr auto kPumpPeriod = std::chrono::milliseconds(150);
// The results list repaints all its visible rows when rows are added, so new
// rows are handed to it less often (the first ones at once).
constexpr auto kRowsPeriod = std::chrono::milliseconds(500);
// The clock is read only every this many calls of the pump.
constexpr unsigned kCallsPerClockRead = 64;

}  // namespace

TProcesDlg::TProcesDlg(wxWindow* parent, const wxString& caption, TListWindow1* list, TSearchCFG& cfg,
                       std::unique_ptr<Tstr>& query)
    : wxDialog(parent, wxID_ANY, caption), list_(list), cfg_(cfg), query_(query) {
    status_ = new wxStaticText(this, kProcesStatusId, wxString(), wxDefaultPosition, wxSize(320, -1),
                               wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    bar_ = new wxGauge(this, kProcesBarId, 100, wxDefaultPosition, wxSize(320, -1));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(status_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
    sizer->Add(bar_, 0, wxEXPAND | wxALL, 12);
    sizer->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxALIGN_CENTER | wxBOTTOM, 12);
    SetSizerAndFit(sizer);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); }, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (event.CanVeto()) event.Veto();
        OnCancel();
    });
}

int TProcesDlg::ShowModal() {
    CentreOverMainWindow(*this);
    SearchRun run(cfg_, query_, *this, list_ ? RunMode::Search : RunMode::Open);
    run_ = &run;
    RunResult result;
    {
        wxWindowDisabler others(this);
        result = run.Run();
        ShowRowsFoundSoFar();
        Hide();
    }
    run_ = nullptr;
    const int code = result == RunResult::Ok ? wxID_OK : wxID_CANCEL;
    SetReturnCode(code);
    return code;
}

void TProcesDlg::OnCancel() {
    if (run_) run_->RequestCancel();
}

wxWindow* TProcesDlg::MessageOwner() { return IsShown() ? static_cast<wxWindow*>(this) : GetParent(); }

void TProcesDlg::ShowRowsFoundSoFar() {
    if (list_) list_->ShowRows(rows_);
}

void TProcesDlg::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
    // The rows found before the message stand in the list while it is read.
    ShowRowsFoundSoFar();
    (void)kind;
    wxMessageBox(FromUtf8(text), FromUtf8(caption), wxOK, MessageOwner());
}

AbortRetryIgnore TProcesDlg::AskAbortRetryIgnore(const std::string& caption, const std::string& text,
                                                 const std::string& path, const std::string& reason) {
    (void)path;
    (void)reason;
    ShowRowsFoundSoFar();
    wxMessageDialog question(MessageOwner(), FromFileName(text), FromUtf8(caption),
                             wxYES_NO | wxCANCEL | wxICON_INFORMATION);
    question.SetYesNoCancelLabels("&Abort", "&Retry", "&Ignore");
    switch (question.ShowModal()) {
        case wxID_YES: return AbortRetryIgnore::Abort;
        case wxID_NO: return AbortRetryIgnore::Retry;
        default: return AbortRetryIgnore::Ignore;
    }
}

void TProcesDlg::SetStatusText(const std::string& text) {
    statusText_ = text;
    statusChanged_ = true;
    if (!IsShown()) {
        // The expression has compiled: the dialog shows from now on.
        Show();
        Pump();
    }
}

void TProcesDlg::SetProgress(int percent) { percent_ = percent; }

void TProcesDlg::PumpMessages() {
    if (++calls_ % kCallsPerClockRead != 0) return;
    if (std::chrono::steady_clock::now() >= nextPump_) Pump();
}

void TProcesDlg::Pump() {
    // The program is asked to end: the run stops as at Cancel, keeping what it found.
    if (StopSignal()) OnCancel();
    if (bar_->GetValue() != percent_) bar_->SetValue(percent_);
    if (statusChanged_) {
        status_->SetLabel(FromFileName(statusText_));
        statusChanged_ = false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (list_ && rows_ != list_->Rows() && (list_->Rows() == 0 || now >= nextRows_)) {
        list_->ShowRows(rows_);
        nextRows_ = now + kRowsPeriod;
    }
    wxTheApp->Yield(true);
    nextPump_ = std::chrono::steady_clock::now() + kPumpPeriod;
}

void TProcesDlg::ScanFinished() {
    ShowRowsFoundSoFar();
    Hide();
}

void TProcesDlg::ClearResults() {
    rows_ = 0;
    if (list_) list_->ShowRows(0);
}

void TProcesDlg::AddFoundRow(const TSaveFile& record) {
    (void)record;  // the list shows the record from the found-file list
    ++rows_;
}

}  // namespace quarvel
