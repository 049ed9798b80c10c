#include "platform/modal_windows_wx.h"

#include <algorithm>

#include <gtk/gtk.h>
#include <wx/dialog.h>

namespace quarvel {

namespace {

// An open menu holds the toolkit's grab.
GtkMenuShell* OpenMenu() {
    GtkWidget* grab = gtk_grab_get_current();
    return grab && GTK_IS_MENU_SHELL(grab) ? GTK_MENU_SHELL(grab) : nullptr;
}

}  // namespace

bool CloseOpenMenu() {
    GtkMenuShell* menu = OpenMenu();
    if (menu) gtk_menu_shell_cancel(menu);
    return menu != nullptr;
}

ModalWindows::ModalWindows() { Register(); }

ModalWindows::~ModalWindows() { Unregister(); }

int ModalWindows::Enter(wxDialog* dialog) {
    dialogs_.push_back(dialog);
    return wxID_NONE;  // shown as usual
}

void ModalWindows::Exit(wxDialog* dialog) {
    const auto at = std::find(dialogs_.rbegin(), dialogs_.rend(), dialog);
    if (at != dialogs_.rend()) dialogs_.erase(std::next(at).base());
}

bool ModalWindows::AnyOpen() const { return !dialogs_.empty() || OpenMenu(); }

void ModalWindows::CancelInnermost() {
    if (CloseOpenMenu() || dialogs_.empty()) return;
    wxDialog* dialog = dialogs_.back();
    // The desktop's own dialogs (message boxes, file and font choosers) take
    // their answer from the toolkit; the program's dialogs from their Cancel button.
    GtkWidget* widget = dialog->GetHandle();
    if (widget && GTK_IS_DIALOG(widget)) {
        gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_DELETE_EVENT);
        return;
    }
    wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
    cancel.SetEventObject(dialog);
    dialog->ProcessWindowEvent(cancel);
}

}  // namespace quarvel
