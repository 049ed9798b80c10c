#include "platform/text_wx.h"

#include <wx/msgdlg.h>

#include "platform/error.h"
#include "platform/text_conv.h"

namespace quarvel {

wxString FromAnsi(std::string_view ansi) {
    wxString text;
    text.reserve(ansi.size());
    for (unsigned char c : ansi) text += wxUniChar(static_cast<wxUint32>(AnsiToUnicode(c)));
    return text;
}

wxString FromUtf8(std::string_view bytes) {
    if (DecodeUtf8(bytes)) return wxString::FromUTF8(bytes.data(), bytes.size());
    return FromAnsi(bytes);
}

std::string ToUtf8(const wxString& text) {
    wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

void ShowMessage(wxWindow* owner, std::string_view text) {
    wxMessageBox(FromUtf8(text), kProductName, wxOK, owner);
}

}  // namespace quarvel
