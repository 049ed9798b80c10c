#include "app/tapp_wx.h"

#include <wx/evtloop.h>

#include "app/main_frame_wx.h"
#include "platform/first_show_wx.h"
#include "platform/modal_windows_wx.h"
#include "platform/stop_signals.h"

namespace quarvel {

namespace {
// How often a stop signal is looked for, and each further step taken.
constexpr int kStopWatchMilliseconds = 100;
}  // namespace

TApp::TApp() = default;

TApp::~TApp() = default;

void TApp::Attach(ProgramState* state, std::function<void(TMainFrame&)> onShown) {
    state_ = state;
    onShown_ = std::move(onShown);
}

bool TApp::OnInit() {
    if (!state_) return false;
    modal_ = std::make_unique<ModalWindows>();
    frame_ = new TMainFrame(*state_);
    frame_->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == frame_) frame_ = nullptr;
        event.Skip();
    });
    SetTopWindow(frame_);
    PrepareFirstShow(*frame_);
    frame_->Show();
    frame_->ApplyHintModeAndStatusBar();
    CatchStopSignals();
    stopWatch_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { StepTowardStop(); });
    stopWatch_.Start(kStopWatchMilliseconds);
    if (onShown_) CallAfter([this] {
        if (frame_) onShown_(*frame_);
    });
    return true;
}

void TApp::StepTowardStop() {
    if (!StopSignal() || !frame_) return;
    if (modal_->AnyOpen()) {
        modal_->CancelInnermost();
        return;
    }
    // Work that lets messages through (a search run) is still on the stack;
    // it sees the signal itself and stops. The windows under it stay until then.
    const wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (!loop || loop != GetMainLoop() || loop->IsYielding()) return;
    if (!frame_->IsBeingDeleted()) frame_->Close(true);
}

int TApp::OnExit() {
    stopWatch_.Stop();
    modal_.reset();
    return wxApp::OnExit();
}

}  // namespace quarvel
