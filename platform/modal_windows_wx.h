#pragma once
#include <vector>

#include <wx/modalhook.h>

namespace quarvel {

// What holds the user's input now: the modal dialogs open (the toolkit's own
// and the desktop's message boxes and file and font choosers), innermost
// last, and an open menu. While any is open, a nested message loop runs on
// the stack, and the windows under it must not go away.
// Closes the menu open now, if any; false when none was open.
bool CloseOpenMenu();

class ModalWindows : public wxModalDialogHook {
public:
    ModalWindows();
    ~ModalWindows() override;
    ModalWindows(const ModalWindows&) = delete;
    ModalWindows& operator=(const ModalWindows&) = delete;

    bool AnyOpen() const;
    // Closes an open menu, else ends the innermost dialog as its Cancel
    // button (or Esc) would.
    void CancelInnermost();

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    std::vector<wxDialog*> dialogs_;
};

}  // namespace quarvel
