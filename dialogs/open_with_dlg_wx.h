#pragma once
#include <string>

#include <wx/dialog.h>

#include "dialogs/open_with_model.h"
#include "settings/ui_settings.h"

class wxButton;
class wxComboBox;

namespace quarvel {

// "Open with...": the user names the program to open a file with, typed or
// picked from the recent programs or with Browse. OK puts it at the front of
// the program history; Cancel leaves the history as it was. Browse remembers
// the folder it picked from in either case.
class TOpenWithDlg : public wxDialog {
public:
    TOpenWithDlg(wxWindow* parent, TUiSettings& ui);

    // After OK: the program text (file-system bytes); the history has been updated.
    std::string Program() const { return model_.Text(); }

    // OK: stores the program into the history, or shows why not and keeps the dialog open.
    bool TransferDataFromWindow() override;

    const OpenWithModel& Model() const { return model_; }

private:
    void ReadText();
    void WriteEnabling();
    void OnBrowse();

    TUiSettings& ui_;
    OpenWithModel model_;
    wxComboBox* program_ = nullptr;
    wxButton* ok_ = nullptr;
};

// What the user reads when the program cannot be started.
void ShowUnableToExecute(wxWindow* owner, const std::string& program);

}  // namespace quarvel
