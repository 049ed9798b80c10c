#pragma once

class wxTopLevelWindow;

namespace quarvel {

// Moves a dialog so that it stands centred over the main window, or over the
// screen while there is none; its size is kept and nothing is clamped.
void CentreOverMainWindow(wxTopLevelWindow& dialog);

}  // namespace quarvel
