#include "platform/window_placement_wx.h"

#include <memory>

#include <wx/display.h>
#include <wx/time.h>
#include <wx/toplevel.h>

#include "platform/window_placement.h"

namespace quarvel {

namespace {

// How long after it is first shown a window may still change its size by itself.
constexpr int kSettlingMilliseconds = 1000;

ScreenRect FromRect(const wxRect& rect) { return {rect.x, rect.y, rect.width, rect.height}; }

}  // namespace

ScreenRect WorkAreaOf(const wxWindow* window) {
    const int index = window ? wxDisplay::GetFromWindow(window) : wxNOT_FOUND;
    return FromRect(wxDisplay(static_cast<unsigned>(index == wxNOT_FOUND ? 0 : index)).GetClientArea());
}

namespace {

void Place(wxTopLevelWindow& dialog, const wxWindow* mainWindow) {
    const bool over = mainWindow != &dialog && mainWindow->IsShown();
    const ScreenRect area = WorkAreaOf(over ? mainWindow : nullptr);
    const wxSize size = dialog.GetSize();
    const ScreenRect centred = CentredOver(over ? FromRect(mainWindow->GetScreenRect()) : area, size.x, size.y);
    const ScreenRect placed = KeptInside(centred, area);
    dialog.Move(placed.x, placed.y);
}

}  // namespace

void CentreOverMainWindow(wxTopLevelWindow& dialog, const wxWindow* mainWindow) {
    if (!mainWindow) {
        mainWindow = &dialog;
        while (mainWindow->GetParent()) mainWindow = mainWindow->GetParent();
    }
    Place(dialog, mainWindow);
    // A window takes its final size only as it is shown: the toolkit measures
    // its texts again in their real fonts, and a window manager adds its
    // frame. Until that has settled it is placed again at each change; a size
    // the user gives it later leaves it where it is.
    auto shownAt = std::make_shared<wxLongLong>(0);
    dialog.Bind(wxEVT_SHOW, [shownAt](wxShowEvent& event) {
        event.Skip();
        if (event.IsShown() && *shownAt == 0) *shownAt = wxGetLocalTimeMillis();
    });
    dialog.Bind(wxEVT_SIZE, [&dialog, mainWindow, shownAt](wxSizeEvent& event) {
        event.Skip();
        if (*shownAt == 0 || wxGetLocalTimeMillis() - *shownAt < kSettlingMilliseconds) Place(dialog, mainWindow);
    });
}

}  // namespace quarvel
