// Toolkit code: turns the embedded PNG bytes into wxWidgets icons.
#include "platform/program_icon_wx.h"

#include <wx/image.h>
#include <wx/mstream.h>

#include "resources/icon_data.h"

namespace quarvel {

namespace {

void AddPng(wxIconBundle& bundle, const unsigned char* bytes, std::size_t size) {
    wxMemoryInputStream stream(bytes, size);
    wxImage image(stream, wxBITMAP_TYPE_PNG);
    if (!image.IsOk()) return;
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    bundle.AddIcon(icon);
}

}  // namespace

wxIconBundle ProgramIcons() {
    // wxInitAllImageHandlers() may not have run; the PNG handler is all we need.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    wxIconBundle bundle;
    AddPng(bundle, kIconPng16, kIconPng16Size);
    AddPng(bundle, kIconPng32, kIconPng32Size);
    AddPng(bundle, kIconPng48, kIconPng48Size);
    AddPng(bundle, kIconPng64, kIconPng64Size);
    return bundle;
}

}  // namespace quarvel
