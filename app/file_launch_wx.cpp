#include "app/file_launch_wx.h"

#include <memory>
#include <vector>

#include <gio/gio.h>

namespace quarvel {

namespace {
struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T> using GObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

// The file's content type as the desktop sees it: from its contents and its
// name, or from the name alone when the file cannot be read.
std::string ContentTypeOf(GFile* file, const std::string& path) {
    GObjectPtr<GFileInfo> info(g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                 G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (info) {
        if (const char* type = g_file_info_get_content_type(info.get())) return type;
    }
    gchar* guessed = g_content_type_guess(path.c_str(), nullptr, 0, nullptr);
    std::string type = guessed ? guessed : "";
    g_free(guessed);
    return type;
}
}  // namespace

OpenOutcome OpenWithDefaultHandler(const std::string& path) {
    GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    const std::string type = ContentTypeOf(file.get(), path);
    if (type.empty()) return OpenOutcome::NoHandler;
    GObjectPtr<GAppInfo> handler(g_app_info_get_default_for_type(type.c_str(), FALSE));
    if (!handler) return OpenOutcome::NoHandler;
    GList files{file.get(), nullptr, nullptr};
    GError* error = nullptr;
    if (!g_app_info_launch(handler.get(), &files, nullptr, &error)) {
        ErrorPtr owned(error);
        return OpenOutcome::NoHandler;
    }
    return OpenOutcome::Started;
}

bool StartProgramWith(const std::string& programText, const std::string& path, std::string& failure) {
    GError* error = nullptr;
    gint wordCount = 0;
    gchar** words = nullptr;
    if (!g_shell_parse_argv(programText.c_str(), &wordCount, &words, &error)) {
        ErrorPtr owned(error);
        failure = owned ? owned->message : "the program text cannot be read";
        return false;
    }
    // The path is one argument as it stands: nothing in a file name is read
    // as a word break, a quote or a command.
    std::vector<gchar*> arguments(words, words + wordCount);
    arguments.push_back(const_cast<gchar*>(path.c_str()));
    arguments.push_back(nullptr);
    // Not waited for, and no handle kept: the program runs on its own.
    const gboolean started = g_spawn_async(nullptr, arguments.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                           nullptr, nullptr, &error);
    g_strfreev(words);
    if (!started) {
        ErrorPtr owned(error);
        failure = owned ? owned->message : "the program cannot be started";
        return false;
    }
    return true;
}

}  // namespace quarvel
