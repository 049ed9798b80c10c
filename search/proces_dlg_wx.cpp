#include "search/proces_dlg_wx.h"

#include <exception>
#include <future>
#include <thread>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/thread.h>
#include <wx/utils.h>

#include "platform/stop_signals.h"
#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"
#include "results/results_list_wx.h"

namespace quarvel {

namespace {

// The window shows what the run told this often: often enough to look live
// and to see Cancel at once, rarely enough to cost next to nothing.
constexpr int kRefreshMilliseconds = 100;
// The results list repaints all its visible rows when rows are added, so new
// rows are handed to it less often (the first ones at once).
constexpr auto kRowsPeriod = std::chrono::milliseconds(500);

}  // namespace

TProcesDlg::TProcesDlg(wxWindow* parent, const wxString& caption, TListWindow1* list, TSearchCFG& cfg,
                       std::unique_ptr<Tstr>& query, unsigned threads)
    : wxDialog(parent, wxID_ANY, caption), list_(list), cfg_(cfg), query_(query), threads_(threads), timer_(this) {
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
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ShowWhatWasTold(); });
}

TProcesDlg::~TProcesDlg() = default;

int TProcesDlg::ShowModal() {
    CentreOverMainWindow(*this);
    // The run's own record while it goes on; the windows read cfg_, which
    // keeps what the run shows until it gets the whole record back.
    TSearchCFG work(std::move(cfg_));
    cfg_.FoundFiles.clear();
    SearchRun run(work, query_, *this, list_ ? RunMode::Search : RunMode::Open, threads_);
    run_ = &run;
    RunResult result = RunResult::Cancel;
    if (run.Prepare()) {
        wxWindowDisabler others(this);
        Show();
        ShowWhatWasTold();
        OnShown();
        loop_ = std::make_unique<wxGUIEventLoop>();
        timer_.Start(kRefreshMilliseconds);
        std::exception_ptr failure;
        std::thread thread([&] {
            try {
                result = run.Execute();
            } catch (...) {
                failure = std::current_exception();
            }
            CallAfter([this] { loop_->Exit(); });
        });
        loop_->Run();
        thread.join();
        if (failure) {
            timer_.Stop();
            run_ = nullptr;
            cfg_ = std::move(work);
            std::rethrow_exception(failure);
        }
        timer_.Stop();
        ShowWhatWasTold();
        ShowRowsFoundSoFar();
        Hide();
    }
    run_ = nullptr;
    cfg_ = std::move(work);
    const int code = result == RunResult::Ok ? wxID_OK : wxID_CANCEL;
    SetReturnCode(code);
    return code;
}

void TProcesDlg::OnCancel() {
    if (run_) run_->RequestCancel();
}

void TProcesDlg::RunOnUiThread(const std::function<void()>& f) {
    if (wxIsMainThread()) {
        f();
        return;
    }
    std::promise<void> done;
    CallAfter([&] {
        f();
        done.set_value();
    });
    done.get_future().wait();
}

wxWindow* TProcesDlg::MessageOwner() { return IsShown() ? static_cast<wxWindow*>(this) : GetParent(); }

void TProcesDlg::ShowRowsFoundSoFar() {
    ShowWhatWasTold();
    if (list_) list_->ShowRows(cfg_.FoundFiles.size());
}

void TProcesDlg::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
    (void)kind;
    RunOnUiThread([&] {
        // The rows found before the message stand in the list while it is read.
        ShowRowsFoundSoFar();
        wxMessageBox(FromUtf8(text), FromUtf8(caption), wxOK, MessageOwner());
    });
}

AbortRetryIgnore TProcesDlg::AskAbortRetryIgnore(const std::string& caption, const std::string& text,
                                                 const std::string& path, const std::string& reason) {
    (void)path;
    (void)reason;
    AbortRetryIgnore answer = AbortRetryIgnore::Ignore;
    RunOnUiThread([&] {
        ShowRowsFoundSoFar();
        wxMessageDialog question(MessageOwner(), FromFileName(text), FromUtf8(caption),
                                 wxYES_NO | wxCANCEL | wxICON_INFORMATION);
        question.SetYesNoCancelLabels("&Abort", "&Retry", "&Ignore");
        switch (question.ShowModal()) {
            case wxID_YES: answer = AbortRetryIgnore::Abort; break;
            case wxID_NO: answer = AbortRetryIgnore::Retry; break;
            default: answer = AbortRetryIgnore::Ignore; break;
        }
    });
    return answer;
}

void TProcesDlg::SetStatusText(const std::string& text) {
    std::lock_guard<std::mutex> lock(told_);
    statusText_ = text;
    statusChanged_ = true;
}

void TProcesDlg::SetProgress(int percent) {
    std::lock_guard<std::mutex> lock(told_);
    percent_ = percent;
}

void TProcesDlg::AddFoundRow(const TSaveFile& record) {
    std::lock_guard<std::mutex> lock(told_);
    arrived_.push_back(record);
}

void TProcesDlg::ClearResults() {
    RunOnUiThread([&] {
        {
            std::lock_guard<std::mutex> lock(told_);
            arrived_.clear();
        }
        if (list_) list_->ShowRows(0);
    });
}

void TProcesDlg::FileSkipped(const std::string& path, const std::string& reason) {
    std::lock_guard<std::mutex> lock(told_);
    skipped_.Add(path, reason);
}

void TProcesDlg::ScanFinished() {
    RunOnUiThread([&] {
        ShowRowsFoundSoFar();
        Hide();
        std::string message;
        {
            std::lock_guard<std::mutex> lock(told_);
            if (!skipped_.Empty()) message = skipped_.Message();
            skipped_.Clear();
        }
        if (!message.empty()) wxMessageBox(FromFileName(message), "Quarvel", wxOK | wxICON_WARNING, MessageOwner());
    });
}

void TProcesDlg::ShowWhatWasTold() {
    // The program is asked to end: the run stops as at Cancel, keeping what it found.
    if (StopSignal()) OnCancel();
    std::vector<TSaveFile> arrived;
    std::string status;
    bool statusChanged;
    int percent;
    {
        std::lock_guard<std::mutex> lock(told_);
        arrived.swap(arrived_);
        status = statusText_;
        statusChanged = statusChanged_;
        statusChanged_ = false;
        percent = percent_;
    }
    if (bar_->GetValue() != percent) bar_->SetValue(percent);
    if (statusChanged) status_->SetLabel(FromFileName(status));
    if (list_ && !arrived.empty()) {
        cfg_.FoundFiles.insert(cfg_.FoundFiles.end(), std::make_move_iterator(arrived.begin()),
                               std::make_move_iterator(arrived.end()));
        const auto now = std::chrono::steady_clock::now();
        if (list_->Rows() == 0 || now >= nextRows_) {
            list_->ShowRows(cfg_.FoundFiles.size());
            nextRows_ = now + kRowsPeriod;
        }
    }
}

}  // namespace quarvel
