#pragma once
#include <functional>

#include <wx/app.h>
#include <wx/timer.h>

namespace quarvel {

struct ProgramState;
class TMainFrame;

// The application: builds the main window and runs until it closes.
class TApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;

    // Set by the entry before the application runs.
    void Attach(ProgramState* state, std::function<void(TMainFrame&)> onShown);
    TMainFrame* MainFrame() const { return frame_; }

private:
    ProgramState* state_ = nullptr;
    std::function<void(TMainFrame&)> onShown_;
    TMainFrame* frame_ = nullptr;
    wxTimer signalWatch_;
};

}  // namespace quarvel
