#include "platform/text_limit_wx.h"

#include <gtk/gtk.h>
#include <wx/window.h>

#include "platform/text_wx.h"

namespace quarvel {

namespace {

GtkEntry* EntryOf(wxWindow& field) {
    GtkWidget* widget = field.GetHandle();
    if (widget && GTK_IS_ENTRY(widget)) return GTK_ENTRY(widget);
    if (widget && GTK_IS_BIN(widget)) {
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget));
        if (child && GTK_IS_ENTRY(child)) return GTK_ENTRY(child);
    }
    return nullptr;
}

struct Watch {
    wxWindow* field;
    std::size_t limit;
};

// Runs before the entry inserts: what does not fit is left out, the bell
// rings, and more than one character cut (a paste or a drop) is told as
// well, once the insertion is over.
void BeforeInsert(GtkEditable* editable, const gchar* text, gint bytes, gint* position, gpointer data) {
    const auto* watch = static_cast<const Watch*>(data);
    const auto have = static_cast<std::size_t>(gtk_entry_get_text_length(GTK_ENTRY(editable)));
    const auto adding = static_cast<std::size_t>(g_utf8_strlen(text, bytes));
    if (have + adding <= watch->limit) return;
    g_signal_stop_emission_by_name(editable, "insert-text");
    const std::size_t room = have < watch->limit ? watch->limit - have : 0;
    if (room > 0) {
        const gchar* end = g_utf8_offset_to_pointer(text, static_cast<glong>(room));
        g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(BeforeInsert), data);
        gtk_editable_insert_text(editable, text, static_cast<gint>(end - text), position);
        g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(BeforeInsert), data);
    }
    gtk_widget_error_bell(GTK_WIDGET(editable));
    if (adding == 1) return;  // one typed character too many: the bell says it
    wxWindow* field = watch->field;
    const std::size_t limit = watch->limit;
    field->CallAfter([field, limit] { ShowMessage(wxGetTopLevelParent(field), TextCutMessage(limit)); });
}

void ForgetWatch(gpointer data, GClosure*) { delete static_cast<Watch*>(data); }

}  // namespace

std::string TextCutMessage(std::size_t limit) {
    return "The text was cut: this field holds at most " + std::to_string(limit) + " characters";
}

void LimitTextLength(wxWindow& field, std::size_t limit) {
    GtkEntry* entry = EntryOf(field);
    if (!entry) return;
    // Not the toolkit's limit: that one refuses a text that does not fit
    // whole, after the selection it was to replace has gone.
    g_signal_connect_data(entry, "insert-text", G_CALLBACK(BeforeInsert), new Watch{&field, limit}, ForgetWatch,
                          GConnectFlags(0));
}

}  // namespace quarvel
