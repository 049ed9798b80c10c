#pragma once
#include <wx/frame.h>

namespace quarvel {

struct ProgramState;

// The main window: captioned "Quarvel"; closing it ends the program.
class TMainFrame : public wxFrame {
public:
    explicit TMainFrame(ProgramState& state);

private:
    ProgramState& state_;
};

}  // namespace quarvel
