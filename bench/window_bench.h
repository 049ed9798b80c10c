#pragma once
// What the window benchmarks share: the program's application run with a
// given state, and work done once its main window has settled.
#include <cstdio>
#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "app/tapp_wx.h"

namespace quarvel {

// Runs the application with the state; once the main window (of the size
// given) has shown and settled, work runs inside the main loop, and the
// program ends with work's result. name goes into the message when there is
// no display.
inline int RunApplication(const char* name, char** argv, ProgramState& state, wxSize frameSize,
                          std::function<int(TMainFrame&)> work) {
    auto* app = new TApp;
    wxApp::SetInstance(app);
    int toolkitArgc = 1;
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fprintf(stderr, "%s: cannot open a display (run it under xvfb-run)\n", name);
        return 1;
    }
    int result = 1;
    wxTimer settle;
    app->Attach(&state, [&](TMainFrame& frame) {
        frame.SetSize(frameSize);
        settle.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            frame.Update();
            result = work(frame);
            frame.Close(true);
        });
        settle.StartOnce(500);  // the window's first layout and paint stay out of the figures
    });
    if (app->CallOnInit()) {
        app->OnRun();
        app->OnExit();
    }
    wxEntryCleanup();
    return result;
}

}  // namespace quarvel
