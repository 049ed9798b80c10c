#include "platform/first_show_wx.h"

#include <gtk/gtk.h>
#include <wx/bookctrl.h>
#include <wx/toplevel.h>

namespace quarvel {

void PrepareFirstShow(wxTopLevelWindow& window) {
    GtkWidget* top = window.GetHandle();
    if (!top || gtk_widget_get_realized(top)) return;
    // An allocation of the size the window will ask for: the toolkit then
    // leaves out its 2x1 step.
    int width = 0, height = 0;
    gtk_window_get_size(GTK_WINDOW(top), &width, &height);
    GtkAllocation allocation{0, 0, width, height};
    gtk_widget_set_allocation(top, &allocation);
}

void LayOutBeforeShowing(wxWindow& window) {
    window.SendSizeEvent();  // a frame sizes its child, a splitter its panes, a sizer its items
    if (auto* book = dynamic_cast<wxBookCtrlBase*>(&window))
        for (size_t page = 0; page < book->GetPageCount(); ++page) book->GetPage(page)->SetSize(book->GetClientSize());
    for (wxWindow* child : window.GetChildren())
        if (!child->IsTopLevel()) LayOutBeforeShowing(*child);
}

}  // namespace quarvel
