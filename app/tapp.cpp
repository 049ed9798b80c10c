#include "app/tapp.h"

#include <csignal>

#include "app/main_frame.h"

namespace quarvel {

namespace {
// A polite termination request closes the main window the normal way, so the
// settings are still saved.
void CloseOnSignal(int) {
    if (wxWindow* top = wxTheApp ? wxTheApp->GetTopWindow() : nullptr) top->Close();
}
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
    SetSignalHandler(SIGTERM, CloseOnSignal);
    SetSignalHandler(SIGINT, CloseOnSignal);
    if (onShown_) CallAfter([this] { onShown_(*frame_); });
    return true;
}

}  // namespace quarvel
