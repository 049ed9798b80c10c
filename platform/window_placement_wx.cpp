#include "platform/window_placement_wx.h"

#include <wx/display.h>
#include <wx/toplevel.h>

#include "platform/window_placement.h"

namespace quarvel {

namespace {

ScreenRect FromRect(const wxRect& rect) { return {rect.x, rect.y, rect.width, rect.height}; }

}  // namespace

ScreenRect WorkAreaOf(const wxWindow* window) {
    const int index = window ? wxDisplay::GetFromWindow(window) : wxNOT_FOUND;
    return FromRect(wxDisplay(static_cast<unsigned>(index == wxNOT_FOUND ? 0 : index)).GetClientArea());
}

void CentreOverMainWindow(wxTopLevelWindow& dialog, const wxWindow* mainWindow) {
    if (!mainWindow) {
        mainWindow = &dialog;
        while (mainWindow->GetParent()) mainWindow = mainWindow->GetParent();
    }
    const bool over = mainWindow != &dialog && mainWindow->IsShown();
    const ScreenRect area = WorkAreaOf(over ? mainWindow : nullptr);
    const wxSize size = dialog.GetSize();
    const ScreenRect centred = CentredOver(over ? FromRect(mainWindow->GetScreenRect()) : area, size.x, size.y);
    const ScreenRect placed = KeptInside(centred, area);
    dialog.Move(placed.x, placed.y);
}

}  // namespace quarvel
