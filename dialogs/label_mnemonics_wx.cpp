#include "dialogs/label_mnemonics_wx.h"

#include <wx/control.h>
#include <wx/event.h>
#include <wx/stattext.h>
#include <wx/window.h>

namespace quarvel {

namespace {
// The underlined letter of a label, upper-cased; 0 when there is none.
int MnemonicOf(const wxString& label) {
    wxString shown;
    const int at = wxControl::FindAccelIndex(label, &shown);
    return at == wxNOT_FOUND ? 0 : static_cast<int>(wxToupper(shown[at]));
}
}  // namespace

void BindLabelMnemonics(wxWindow& dialog, std::vector<std::pair<wxStaticText*, wxWindow*>> labels) {
    dialog.Bind(wxEVT_CHAR_HOOK, [labels = std::move(labels)](wxKeyEvent& event) {
        if (event.GetModifiers() == wxMOD_ALT) {
            for (auto [label, target] : labels) {
                if (label->IsShownOnScreen() && target->IsEnabled() &&
                    MnemonicOf(label->GetLabel()) == wxToupper(event.GetKeyCode())) {
                    target->SetFocus();
                    return;
                }
            }
        }
        event.Skip();
    });
}

}  // namespace quarvel
