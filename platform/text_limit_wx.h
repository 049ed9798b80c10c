#pragma once
#include <cstddef>
#include <string>

class wxWindow;

namespace quarvel {

// Holds a one-line field (a text control, or a combo box's entry) to at most
// `limit` characters, as an edit control with a limit does: typed, pasted or
// dropped text is cut to what fits, and a selection it was meant to replace
// is replaced all the same. A cut rings the bell; a cut paste or drop is
// also told in a message box over the field's window, so nobody is left
// with less than they meant without knowing.
void LimitTextLength(wxWindow& field, std::size_t limit);

// The message that tells of a cut paste.
std::string TextCutMessage(std::size_t limit);

}  // namespace quarvel
