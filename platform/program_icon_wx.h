#pragma once
#include <wx/iconbndl.h>

namespace quarvel {

// The program's icon at 16, 32, 48 and 64 pixels, built from PNG bytes compiled
// into the program, so windows have it even when it is not installed.
wxIconBundle ProgramIcons();

}  // namespace quarvel
