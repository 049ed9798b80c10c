#include "platform/text_wx.h"

#include <wx/msgdlg.h>
#include <wx/window.h>

#include "platform/error.h"
#include "platform/text_conv.h"

namespace quarvel {

wxString FromAnsi(std::string_view ansi) {
    wxString text;
    text.reserve(ansi.size());
    for (unsigned char c : ansi) text += wxUniChar(static_cast<wxUint32>(AnsiToUnicode(c)));
    return text;
}

bool ToAnsi(const wxString& text, std::string& ansi, wxWindow* where) {
    std::u32string wide;
    wide.reserve(text.length());
    for (wxUniChar c : text) wide.push_back(static_cast<char32_t>(c.GetValue()));
    AnsiConversion converted = Utf32ToAnsi(wide);
    if (!converted.ok) {
        if (where) {
            // The refusal names the character itself: its text is UTF-8.
            wxMessageBox(wxString::FromUTF8(converted.message), kProductName, wxOK, where);
            where->SetFocus();
        }
        return false;
    }
    ansi = std::move(converted.text);
    return true;
}

wxString FromFileName(std::string_view bytes) {
    if (DecodeUtf8(bytes)) return wxString::FromUTF8(bytes.data(), bytes.size());
    return FromAnsi(bytes);
}

std::string ToFileName(const wxString& text) {
    wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

void ShowMessage(wxWindow* owner, std::string_view ansiText) {
    wxMessageBox(FromAnsi(ansiText), kProductName, wxOK, owner);
}

}  // namespace quarvel
