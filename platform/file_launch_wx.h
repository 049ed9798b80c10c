#pragma once
#include <cstdint>
#include <string>

namespace quarvel {

enum class OpenOutcome {
    Started,    // the desktop's handler for the file's type has it
    NoHandler,  // no default handler for the type, or it could not be started
};

// Hands the file (a full path, file-system bytes) to the desktop's default
// handler for its type, without waiting for it.
OpenOutcome OpenWithDefaultHandler(const std::string& path);

// Starts the program (its text split into words as a shell would, quotes
// respected) with the path as one more argument, whole, without a shell and
// without waiting. False, and why in failure, when it cannot be started.
bool StartProgramWith(const std::string& programText, const std::string& path, std::string& failure);

// Edit at line: starts the editor command (platform/editor_command.h) on the
// file at the line, without a shell and without waiting; a blank command
// hands the file to the desktop's default handler for its type instead.
// False, and why in failure, when nothing could be started.
bool EditAtLine(const std::string& editorText, const std::string& path, std::uint64_t line, std::string& failure);

}  // namespace quarvel
