#pragma once
#include <string>

namespace quarvel {

// What another program is handed for a found file: the file itself, or for
// a member of an archive a copy of its bytes in the program's private
// temporary folder (mode 0700, under $TMPDIR or /tmp, removed with all it
// holds when the program ends). The copy is named by the member's own name
// alone, in a folder of its own, so no name stored in an archive ("../..",
// "/etc/passwd", a link) places it anywhere else.
struct HandedOver {
    std::string path;     // empty when nothing can be handed over
    std::string failure;  // then why
};
HandedOver PathToHandOver(const std::string& path);

// The private folder, made on first use; empty when it cannot be made.
const std::string& PrivateTemporaryFolder();
// Removes the private folder and all it holds (also at the program's end).
void RemovePrivateTemporaryFolder();

}  // namespace quarvel
