#pragma once

#include <string>
#include <string_view>

#include <wx/bmpbndl.h>

namespace quarvel {

// The pictures of a tool bar button: the program draws its own
// (resources/toolbar/*.svg), in strong colours with a dark outline, so that
// an enabled button never looks disabled whatever the desktop's theme.
struct ToolPictures {
    wxBitmapBundle enabled;
    wxBitmapBundle disabled;  // the same shapes in greys
};

// A command's pictures at 18x18 logical pixels, rendered afresh for the
// window's scale, so they stay sharp at 2x; empty bundles for a command
// without a picture.
ToolPictures ToolPicturesOf(int commandId);

// The picture in greys: every #rrggbb colour becomes a mid grey of its
// lightness, kept in a narrow band, so the outline still shows the shape and
// the whole reads as switched off.
std::string GreyedSvg(std::string_view svg);

}  // namespace quarvel
