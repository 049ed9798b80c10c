#pragma once
#include <functional>
#include <map>

#include <wx/dialog.h>

#include "dialogs/option_model.h"

class wxSpinEvent;
class wxStaticText;

namespace quarvel {

// The options dialog. A font chosen here holds at once (fontChanged is told,
// so that every open viewer shows it), even when the dialog is then
// cancelled; everything else is stored only by OK.
class TOptionDlg : public wxDialog {
public:
    TOptionDlg(wxWindow* parent, TSearchCFG& cfg, TUiSettings& ui,
               std::function<void(const TUiSettings&)> fontChanged = {});

    // OK: stores the options, or shows why not and keeps the dialog open.
    bool TransferDataFromWindow() override;
    wxWindow* Control(int id) const { return controls_.at(id); }
    const OptionModel& Model() const { return model_; }

private:
    void OnFont();
    void OnStep(wxSpinEvent& event, int delta);

    TSearchCFG& cfg_;
    TUiSettings& ui_;
    std::function<void(const TUiSettings&)> fontChanged_;
    OptionModel model_;
    std::map<int, wxWindow*> controls_;
    wxStaticText* faceName_ = nullptr;
};

}  // namespace quarvel
