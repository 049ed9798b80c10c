#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

// The editor command of Edit at line (file-system bytes): split into words as
// the program text of Open with is (platform/program_words.h); then in each
// word %f stands for the file's path, %l for the line number and %% for one
// %. The path is substituted after the split, so it stays inside its word
// whatever it holds: blanks, quotes, line feeds. Without %f in any word the
// path follows as one more argument, as Open with passes it.
//
// The argument vector, program first; empty for a blank text (the desktop's
// default program is then used) and for a text that cannot be split, which
// EditorTextProblem tells apart.
std::vector<std::string> EditorArguments(const std::string& commandText, const std::string& path,
                                         std::uint64_t line);

// Why the text cannot serve as the editor command, for the user to read; empty
// when it can (a blank text can: it means the desktop's default program).
std::string EditorTextProblem(const std::string& commandText);

}  // namespace quarvel
