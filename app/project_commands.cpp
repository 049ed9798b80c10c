#include "app/project_commands.h"

#include "platform/error.h"
#include "platform/path_text.h"
#include "results/project_file.h"

namespace quarvel {

namespace {

std::string WithExtension(const std::string& path, const char* extension) {
    const std::size_t nameStart = FolderOfPath(path).size();
    if (nameStart == path.size() || path.find('.', nameStart) != std::string::npos) return path;
    return path + extension;
}

}  // namespace

std::string WithProjectExtension(const std::string& path) { return WithExtension(path, ".QRV"); }

std::string WithExportExtension(const std::string& path, ExportFormat format) {
    return WithExtension(path, format == ExportFormat::Csv ? ".csv" : ".jsonl");
}

OpenProjectOutcome OpenProject(ProgramState& state, const std::string& path) {
    TSearchCFG loaded(state.search);
    loaded.ResetForRun();
    loaded.FoundFiles.clear();
    try {
        LoadProject(path, loaded);
    } catch (const QuarvelError& error) {
        return {error.what(), false, false};
    }
    state.search = loaded;
    state.query.reset();
    try {
        // Ignoring case lowers the terms of the stored expression itself.
        state.query = std::make_unique<Tstr>(state.search.SearchString, state.search);
    } catch (const QuarvelError& error) {
        // The loaded record stays current; the list shows its found files all the same.
        return {error.what(), true, true};
    }
    state.ui.PathOpenQV = FolderOfPath(path);
    return {std::string(), false, true};
}

std::string SaveProjectAs(ProgramState& state, const std::string& path) {
    if (!state.query) return std::string();
    std::vector<std::string> leftOut;
    try {
        leftOut = SaveProject(path, state.search);
    } catch (const QuarvelError& error) {
        return error.what();
    }
    state.ui.PathSaveQV = FolderOfPath(path);
    if (leftOut.empty()) return std::string();
    std::string message = "A project file cannot hold a name with a comma or a line break. Left out:";
    constexpr std::size_t kNamed = 20;  // a message box holds no more
    for (std::size_t i = 0; i < leftOut.size() && i < kNamed; ++i) message += "\n" + leftOut[i];
    if (leftOut.size() > kNamed) message += "\n... and " + std::to_string(leftOut.size() - kNamed) + " more";
    return message;
}

}  // namespace quarvel
