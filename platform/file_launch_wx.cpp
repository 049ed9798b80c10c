#include "platform/file_launch_wx.h"

#include <memory>
#include <vector>

#include <gio/gio.h>

#include "platform/editor_command.h"
#include "platform/program_words.h"

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

// Starts the argument vector, program first, found on PATH when it names no
// folder. Not waited for, and no handle kept: the program runs on its own.
bool StartArguments(const std::vector<std::string>& words, std::string& failure) {
    std::vector<gchar*> arguments;
    for (const std::string& word : words) arguments.push_back(const_cast<gchar*>(word.c_str()));
    arguments.push_back(nullptr);
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, arguments.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error)) {
        ErrorPtr owned(error);
        failure = owned ? owned->message : "the program cannot be started";
        return false;
    }
    return true;
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
    std::vector<std::string> words;
    if (!SplitProgramText(programText, words, failure)) return false;
    if (words.empty()) {
        failure = "no program is named";
        return false;
    }
    // The path is one argument as it stands: nothing in a file name is read
    // as a word break, a quote or a command.
    words.push_back(path);
    return StartArguments(words, failure);
}

bool EditAtLine(const std::string& editorText, const std::string& path, std::uint64_t line, std::string& failure) {
    // A command edited by hand in the settings file is checked here as the Options dialog checks it.
    const std::string problem = EditorTextProblem(editorText);
    if (!problem.empty()) {
        failure = problem;
        return false;
    }
    const std::vector<std::string> arguments = EditorArguments(editorText, path, line);
    if (!arguments.empty()) return StartArguments(arguments, failure);
    // No editor named: the desktop's program for the type, which is told no line.
    if (OpenWithDefaultHandler(path) == OpenOutcome::Started) return true;
    failure = "no program is set to open this type of file";
    return false;
}

}  // namespace quarvel
