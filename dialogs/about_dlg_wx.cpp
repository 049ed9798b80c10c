#include "dialogs/about_dlg_wx.h"

#include <wx/button.h>
#include <wx/platinfo.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/versioninfo.h>

#include "platform/error.h"
#include "platform/program_icon_wx.h"
#include "platform/window_placement_wx.h"

namespace quarvel {

wxString PlatformDescription() {
    wxString system = wxGetOsDescription();
#ifdef __LINUX__
    // The kernel alone does not say which system it is.
    const wxLinuxDistributionInfo distribution = wxGetLinuxDistributionInfo();
    if (!distribution.Description.empty()) system = distribution.Description + ", " + system;
#endif
    const wxPlatformInfo& platform = wxPlatformInfo::Get();
    wxString toolkit = wxGetLibraryVersionInfo().GetVersionString() + " (" + platform.GetPortIdName() + ")";
    if (platform.GetToolkitMajorVersion() > 0) {
#ifdef __WXGTK__
        const wxString library = "GTK";
#else
        const wxString library = "toolkit";
#endif
        toolkit += wxString::Format(", %s %d.%d.%d", library, platform.GetToolkitMajorVersion(),
                                    platform.GetToolkitMinorVersion(), platform.GetToolkitMicroVersion());
    }
    return system + "\n" + toolkit;
}

TAboutDlg::TAboutDlg(wxWindow* parent) : wxDialog(parent, wxID_ANY, "About") {
    auto* icon = new wxStaticBitmap(this, kAboutIcon, ProgramIcons().GetIcon(FromDIP(64), wxIconBundle::FALLBACK_NEAREST_LARGER));

    auto* name = new wxStaticText(this, kAboutName, kProductName);
    name->SetFont(name->GetFont().Bold().Scaled(1.4f));
    auto* version = new wxStaticText(this, kAboutVersion, wxString("Version ") + kProgramVersion);
    auto* platform = new wxStaticText(this, kAboutPlatform, PlatformDescription());
    auto* note = new wxStaticText(this, kAboutNote, "Finds files by their content.");

    auto* texts = new wxBoxSizer(wxVERTICAL);
    texts->Add(name);
    texts->Add(version, wxSizerFlags().Border(wxTOP, 4));
    texts->Add(platform, wxSizerFlags().Border(wxTOP, 8));
    texts->Add(note, wxSizerFlags().Border(wxTOP, 8));

    auto* body = new wxBoxSizer(wxHORIZONTAL);
    body->Add(icon, wxSizerFlags().Top().Border(wxRIGHT, 16));
    body->Add(texts, wxSizerFlags(1));

    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(body, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 16));
    top->Add(ok, wxSizerFlags().Center().Border(wxALL, 12));
    SetSizerAndFit(top);

    CentreOverMainWindow(*this);
    ok->SetFocus();
}

}  // namespace quarvel
