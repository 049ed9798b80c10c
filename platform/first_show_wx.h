#pragma once

class wxTopLevelWindow;
class wxWindow;

namespace quarvel {

// Readies a top-level window for its first showing, right before it: the
// toolkit would otherwise lay the window out once at a size of 2x1 pixels
// while it waits for the window manager's frame, and its menu bar, tool bar
// and scroll bars would complain of the room they lack.
void PrepareFirstShow(wxTopLevelWindow& window);

// Lays a window not shown yet, and every window in it, out at the sizes they
// are about to have, so that no control first meets the size it was made
// with (a tree or a list 10 pixels high).
void LayOutBeforeShowing(wxWindow& window);

}  // namespace quarvel
