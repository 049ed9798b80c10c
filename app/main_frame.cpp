#include "app/main_frame.h"

#include "platform/error.h"
#include "settings/ui_settings.h"

namespace quarvel {

TMainFrame::TMainFrame(ProgramState& state)
    : wxFrame(nullptr, wxID_ANY, kProductName), state_(state) {}

}  // namespace quarvel
