#pragma once
#include <functional>

namespace quarvel {

class TMainFrame;

// The program: load settings, run the application until its main window
// closes, save settings. Command-line arguments are ignored. onShown, when
// given, is called once the main window is up.
int QuarvelMain(int argc, char** argv, std::function<void(TMainFrame&)> onShown = {});

}  // namespace quarvel
