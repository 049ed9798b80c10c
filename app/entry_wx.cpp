#include "app/entry_wx.h"

#include <cstdio>
#include <cstdlib>

#include <wx/display.h>
#include <wx/gdicmn.h>
#include <wx/init.h>

#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "app/tapp_wx.h"
#include "platform/registry.h"
#include "platform/text_wx.h"
#include "platform/time_zone.h"
#include "platform/working_folder.h"
#include "settings/persistence.h"

wxIMPLEMENT_APP_NO_MAIN(quarvel::TApp);

namespace quarvel {

namespace {

bool HasDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

void ExplainNoDisplay() {
    std::fputs(
        "quarvel: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY names one).\n"
        "Run it inside a desktop session, or under a virtual display:\n"
        "    xvfb-run -a quarvel\n",
        stderr);
}

int ScreenPixelsPerInchY() {
    int dpi = wxGetDisplayPPI().y;
    return dpi > 0 ? dpi : 96;
}

}  // namespace

void SaveSettingsAtExit(Registry& registry, const ProgramState& state) {
    if (!SaveSettings(registry, state)) ShowMessage(nullptr, kErrorWriteRegistry);
}

int QuarvelMain(int argc, char** argv, std::function<void(TMainFrame&)> onShown) {
    NameTheTimeZone();
    if (!HasDisplay()) {
        ExplainNoDisplay();
        return 1;
    }
    // The toolkit is started first only because the default font height needs
    // the screen's resolution; the application's window comes after the settings.
    int toolkitArgc = argc > 0 ? 1 : 0;  // arguments are ignored
    if (!wxEntryStart(toolkitArgc, argv)) {
        ExplainNoDisplay();
        return 1;
    }
    ProgramState state;
    state.startFolder = WorkingFolder();
    Registry registry(Registry::DefaultPath());
    LoadSettings(registry, state, ScreenPixelsPerInchY());

    auto* app = static_cast<TApp*>(wxTheApp);
    app->Attach(&state, std::move(onShown));
    int result = 1;
    if (app->CallOnInit()) {
        result = app->OnRun();
        app->OnExit();
    }
    // Saving reports a failed write in a message box, which needs the toolkit.
    SaveSettingsAtExit(registry, state);
    wxEntryCleanup();
    return result;
}

}  // namespace quarvel
