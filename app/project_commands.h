#pragma once
#include <string>
#include <vector>

#include "app/program_state.h"
#include "platform/path_text.h"
#include "results/list_export.h"

namespace quarvel {

// The path as the file dialogs take it: ".QRV" is added to a name without an extension.
std::string WithProjectExtension(const std::string& path);
// The same for an exported list: ".csv" or ".jsonl" by the format chosen.
std::string WithExportExtension(const std::string& path, ExportFormat format);

struct OpenProjectOutcome {
    std::string message;  // to show when not empty
    bool messageIsSearchText = false;  // the compiler's text; else a path's bytes may be in it
    bool refill = false;  // the results list must show the current found files anew
};

// Open project with a chosen file. The file is loaded into a copy of the
// current record made ready for a new run; when that fails nothing changes.
// Otherwise the loaded record becomes current and its expression is compiled
// into the current compiled query (none when it does not compile, and then
// the compiler's text is the message). PathOpenQV becomes the file's folder
// only when everything succeeded.
OpenProjectOutcome OpenProject(ProgramState& state, const std::string& path);

// Save project to a chosen file; does nothing without a current compiled
// query. The message is the writer's text on failure, or names the found
// files that a project file cannot hold (they are left out). PathSaveQV
// becomes the file's folder when the file was written.
std::string SaveProjectAs(ProgramState& state, const std::string& path);

}  // namespace quarvel
