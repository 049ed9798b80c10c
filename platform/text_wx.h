#pragma once
#include <string>
#include <string_view>

#include <wx/string.h>

class wxWindow;

namespace quarvel {

// Bytes in their Windows-1252 reading as toolkit text.
wxString FromAnsi(std::string_view ansi);

// The program's text (UTF-8: search text, messages) or a file or folder name
// (the file system's own bytes) as toolkit text: its UTF-8 reading, or its
// Windows-1252 reading when it is no UTF-8, so that no byte is lost from view.
wxString FromUtf8(std::string_view bytes);
// Typed text as the program holds it (UTF-8); every character can be held.
std::string ToUtf8(const wxString& text);

// Names are UTF-8 text in the same way.
inline wxString FromFileName(std::string_view bytes) { return FromUtf8(bytes); }
inline std::string ToFileName(const wxString& text) { return ToUtf8(text); }

// A message box captioned "Quarvel" with an OK button.
void ShowMessage(wxWindow* owner, std::string_view text);

}  // namespace quarvel
