#include "platform/program_words.h"

#include <glib.h>

namespace quarvel {

bool SplitProgramText(const std::string& text, std::vector<std::string>& words, std::string& failure) {
    words.clear();
    GError* error = nullptr;
    gint count = 0;
    gchar** split = nullptr;
    if (!g_shell_parse_argv(text.c_str(), &count, &split, &error)) {
        // GLib calls a blank text an error; here it is a text of no words,
        // which each caller reads its own way.
        const bool blank = error && error->domain == G_SHELL_ERROR && error->code == G_SHELL_ERROR_EMPTY_STRING;
        failure = blank ? std::string() : error && error->message ? error->message : "the text cannot be split into words";
        if (error) g_error_free(error);
        return blank;
    }
    words.assign(split, split + count);
    g_strfreev(split);
    return true;
}

}  // namespace quarvel
