#include "app/main_frame.h"

#include "platform/error.h"
#include "app/program_state.h"

namespace quarvel {

TMainFrame::TMainFrame(ProgramState& state)
    : wxFrame(nullptr, wxID_ANY, kProductName), state_(state) {}

}  // namespace quarvel
