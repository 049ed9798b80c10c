#pragma once
#include <utility>
#include <vector>

class wxStaticText;
class wxWindow;

namespace quarvel {

// Alt and the underlined letter of a label puts the focus into the control
// the label names, as the letter of a button or a check box presses it.
void BindLabelMnemonics(wxWindow& dialog, std::vector<std::pair<wxStaticText*, wxWindow*>> labels);

}  // namespace quarvel
