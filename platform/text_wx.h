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

// A file or folder name, in the file system's own bytes, as toolkit text:
// its UTF-8 reading, or its Windows-1252 reading when it is no UTF-8.
wxString FromFileName(std::string_view bytes);
// Typed text as file-system bytes (UTF-8); every character can be held.
std::string ToFileName(const wxString& text);

// A message box captioned "Quarvel" with an OK button.
void ShowMessage(wxWindow* owner, std::string_view ansiText);

}  // namespace quarvel
