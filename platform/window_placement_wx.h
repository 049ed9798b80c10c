#pragma once

class wxTopLevelWindow;
class wxWindow;

namespace quarvel {

// Moves a dialog so that it stands centred over the main window, its size
// kept, and then as little further as keeps it wholly on the work area of
// the main window's screen. The main window is the one given, else the top
// of the dialog's chain of owners; with none shown, the work area itself.
void CentreOverMainWindow(wxTopLevelWindow& dialog, const wxWindow* mainWindow = nullptr);

// The work area of the screen a window is on (the primary one without a
// window): the screen less the desktop's panels.
struct ScreenRect;
ScreenRect WorkAreaOf(const wxWindow* window);

}  // namespace quarvel
