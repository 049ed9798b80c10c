#pragma once

namespace quarvel {

// A window's place and size on the screen, in pixels.
struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
};

// Where a window of the given size stands centred over another: its left
// edge at over.x + (over.width - width) / 2, its top likewise, each half
// rounded toward zero. The size is kept.
ScreenRect CentredOver(const ScreenRect& over, int width, int height);

// The same window moved as little as it takes to lie wholly inside the work
// area. A window larger than the area in one direction starts at the area's
// left or top edge there, so its caption and first controls can be reached.
ScreenRect KeptInside(const ScreenRect& window, const ScreenRect& workArea);

// The size a main window is given when it is first made: three quarters of
// the work area each way.
ScreenRect FirstMainWindowSize(const ScreenRect& workArea);

}  // namespace quarvel
