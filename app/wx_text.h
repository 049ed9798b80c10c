#pragma once
#include <string>
#include <string_view>

#include <wx/string.h>

class wxWindow;

namespace quarvel {

// The program's Windows-1252 bytes as toolkit text.
wxString FromAnsi(std::string_view ansi);
// Typed text as Windows-1252 bytes. A character that Windows-1252 cannot hold
// is refused: a message is shown over `where` (when given) and false returned.
bool ToAnsi(const wxString& text, std::string& ansi, wxWindow* where);

// A message box captioned "Quarvel" with an OK button.
void ShowMessage(wxWindow* owner, std::string_view ansiText);

}  // namespace quarvel
