#include "app/tapp_wx.h"

#include <csignal>

#include "app/main_frame_wx.h"

namespace quarvel {

namespace {
volatile std::sig_atomic_t closeRequested = 0;
void RequestClose(int) { closeRequested = 1; }
}  // namespace

void TApp::Attach(ProgramState* state, std::function<void(TMainFrame&)> onShown) {
    state_ = state;
    onShown_ = std::move(onShown);
}

bool TApp::OnInit() {
    if (!state_) return false;
    frame_ = new TMainFrame(*state_);
    SetTopWindow(frame_);
    frame_->Show();
    frame_->ApplyHintModeAndStatusBar();
    // A polite termination request closes the main window the normal way, so
    // the settings are still saved.
    std::signal(SIGTERM, RequestClose);
    std::signal(SIGINT, RequestClose);
    signalWatch_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (closeRequested && frame_) {
            closeRequested = 0;
            frame_->Close();
        }
    });
    signalWatch_.Start(200);
    if (onShown_) CallAfter([this] { onShown_(*frame_); });
    return true;
}

int TApp::OnExit() {
    signalWatch_.Stop();
    return wxApp::OnExit();
}

}  // namespace quarvel
