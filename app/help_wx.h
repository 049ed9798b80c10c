#pragma once
#include <string>
#include <vector>

class wxWindow;

namespace quarvel {

// The help book's project file, looked for in each of the help folders.
inline constexpr const char* kHelpBookFile = "quarvel.hhp";

// The folders that may hold the help book, in the order they are tried (file
// system bytes): the start-up folder itself; the installed book,
// <prefix>/share/quarvel/help, where <prefix> is the folder above the
// executable's; and <prefix>/help, which is the source tree's book when the
// program runs from a build folder inside the source tree.
std::vector<std::string> HelpBookFolders(const std::string& startFolder, const std::string& executablePath);

// Opens the help book's contents in the toolkit's help viewer, looking for
// the book in startFolder (the working folder when the program started), then
// beside the installed program, then in the source tree beside the build
// folder. When no book is found, a message box (caption "Quarvel") names the
// places looked in. One viewer serves the whole run: a second call brings its
// window forward.
void ShowHelpContents(wxWindow* owner, const std::string& startFolder);

// The same over a given list of folders, tried in order.
void ShowHelpContentsFrom(wxWindow* owner, const std::vector<std::string>& folders);

}  // namespace quarvel
