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
    // The pane that shows the clock.
    static constexpr int kClockPane = 5;

private:
    // Sizes the panes for the font the bar draws with: each indicator and any
    // clock text fit whole. Again whenever that font may have changed.
    void FitPanes();
    void SetPane(int pane, const std::string& text);

    bool overtype_ = false;
    wxString clockIndent_;  // centres the clock text in its pane
    std::string shown_[6];
};

}  // namespace quarvel
