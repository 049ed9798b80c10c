#include "platform/window_placement.h"

#include <algorithm>

namespace quarvel {

ScreenRect CentredOver(const ScreenRect& over, int width, int height) {
    // Integer division rounds toward zero, negative halves included.
    return {over.x + (over.width - width) / 2, over.y + (over.height - height) / 2, width, height};
}

namespace {

int KeptInside(int start, int length, int areaStart, int areaLength) {
    if (length >= areaLength) return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

}  // namespace

ScreenRect KeptInside(const ScreenRect& window, const ScreenRect& workArea) {
    return {KeptInside(window.x, window.width, workArea.x, workArea.width),
            KeptInside(window.y, window.height, workArea.y, workArea.height), window.width, window.height};
}

ScreenRect FirstMainWindowSize(const ScreenRect& workArea) {
    return {workArea.x, workArea.y, workArea.width * 3 / 4, workArea.height * 3 / 4};
}

}  // namespace quarvel
