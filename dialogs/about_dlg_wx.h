#pragma once
#include <wx/dialog.h>

namespace quarvel {

// The controls of the About box.
enum AboutDlgId : int {
    kAboutIcon = 801,
    kAboutName = 802,      // "Quarvel"
    kAboutVersion = 803,   // "Version 1.0"
    kAboutPlatform = 804,  // the system and the toolkit it runs on
    kAboutNote = 805,      // what the program is for
};

// The program's version, as the About box shows it.
inline constexpr const char* kProgramVersion = "1.0";

// The system and toolkit the program runs on, e.g.
// "Debian GNU/Linux 12 (bookworm), Linux 6.1.0 x86_64\nwxWidgets 3.2.2, GTK 3.24".
wxString PlatformDescription();

// The program's name, version and platform beside its icon.
class TAboutDlg : public wxDialog {
public:
    explicit TAboutDlg(wxWindow* parent);
};

}  // namespace quarvel
