#include "dialogs/label_mnemonics_wx.h"

#include <wx/control.h>
#include <wx/event.h>
#include <wx/stattext.h>
#include <wx/window.h>

namespace quarvel {

namespace {
// The letter after the single "&" of a label, upper-cased; 0 when there is none.
int MnemonicOf(const wxString& label) {
    for (size_t i = 0; i + 1 < label.length(); ++i) {
        if (label[i] != '&') continue;
        if (label[i + 1] == '&') {
            ++i;
            continue;
        }
        return wxToupper(label[i + 1]);
    }
    return 0;
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
