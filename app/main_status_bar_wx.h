#pragma once
#include <string>

#include <wx/statusbr.h>

namespace quarvel {

// The main window's status bar: the hint and message area, the lock-key and
// overtype indicators, and the clock.
class TMainStatusBar : public wxStatusBar {
public:
    explicit TMainStatusBar(wxWindow* parent);

    // Indicators and clock as they are now; a pane is redrawn only when its text changed.
    void UpdatePanes();
    // The Insert key switches between inserting and overtyping.
    void ToggleOvertype() { overtype_ = !overtype_; }

private:
    void SetPane(int pane, const std::string& text);

    bool overtype_ = false;
    wxString clockIndent_;  // centres the clock text in its pane
    std::string shown_[6];
};

}  // namespace quarvel
