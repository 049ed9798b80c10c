#include "dialogs/dialog_centring_wx.h"

#include <wx/display.h>
#include <wx/toplevel.h>

#include "app/main_frame_wx.h"
#include "app/tapp_wx.h"

namespace quarvel {

void CentreOverMainWindow(wxTopLevelWindow& dialog) {
    auto* app = dynamic_cast<TApp*>(wxTheApp);
    TMainFrame* main = app ? app->MainFrame() : nullptr;
    wxRect over = main && main->IsShown() ? main->GetScreenRect()
                                          : wxDisplay(static_cast<unsigned>(0)).GetGeometry();
    wxSize size = dialog.GetSize();
    // Integer halves round toward zero, as the placement has always done.
    dialog.Move(over.x + (over.width - size.x) / 2, over.y + (over.height - size.y) / 2);
}

}  // namespace quarvel
