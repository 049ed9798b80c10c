#pragma once
#include <functional>
#include <memory>

#include <wx/app.h>
#include <wx/timer.h>

namespace quarvel {

class ModalWindows;
struct ProgramState;
class TMainFrame;

// The application: builds the main window and runs until it closes.
class TApp : public wxApp {
public:
    TApp();
    ~TApp() override;

    bool OnInit() override;
    int OnExit() override;

    // Set by the entry before the application runs.
    void Attach(ProgramState* state, std::function<void(TMainFrame&)> onShown);
    // The main window; null once it has gone.
    TMainFrame* MainFrame() const { return frame_; }

private:
    // After SIGTERM or SIGINT, one step toward ending the normal way: a menu
    // or dialog open is cancelled, innermost first; a search run sees the
    // signal by itself and stops; then the main window closes.
    void StepTowardStop();

    ProgramState* state_ = nullptr;
    std::function<void(TMainFrame&)> onShown_;
    TMainFrame* frame_ = nullptr;
    std::unique_ptr<ModalWindows> modal_;
    wxTimer stopWatch_;
};

}  // namespace quarvel
