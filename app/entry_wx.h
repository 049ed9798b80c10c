#pragma once
#include <functional>

namespace quarvel {

class Registry;
class TMainFrame;
struct ProgramState;

// Saves the settings as the program ends; a file that cannot be written is
// told in a message box ("Error write Registry") and left as it was.
void SaveSettingsAtExit(Registry& registry, const ProgramState& state);

// The program: load settings, run the application until its main window
// closes, save settings. Command-line arguments are ignored. onShown, when
// given, is called once the main window is up.
int QuarvelMain(int argc, char** argv, std::function<void(TMainFrame&)> onShown = {});

}  // namespace quarvel
