#include "app/tool_pictures_wx.h"

#include <cctype>
#include <cstdio>

#include "app/commands.h"
#include "resources/toolbar/tool_svg.h"

namespace quarvel {

namespace {

const wxSize kToolSize(18, 18);  // logical pixels

const char* SvgOf(int commandId) {
    switch (commandId) {
        case kCmNew: return kToolSvgNew;
        case kCmOpenProject: return kToolSvgOpenProject;
        case kCmSaveProject: return kToolSvgSaveProject;
        case kCmView: return kToolSvgView;
        case kCmOpen: return kToolSvgOpen;
        case kCmOpenWith: return kToolSvgOpenWith;
        case kCmInfo: return kToolSvgInfo;
        case kCmHelp: return kToolSvgHelp;
        default: return nullptr;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

std::string GreyedSvg(std::string_view svg) {
    std::string out;
    out.reserve(svg.size());
    std::size_t i = 0;
    while (i < svg.size()) {
        int digits[6];
        bool colour = svg[i] == '#' && i + 7 <= svg.size();
        for (int k = 0; colour && k < 6; ++k) colour = (digits[k] = HexDigit(svg[i + 1 + k])) >= 0;
        if (!colour) {
            out += svg[i++];
            continue;
        }
        const int red = digits[0] * 16 + digits[1], green = digits[2] * 16 + digits[3],
                  blue = digits[4] * 16 + digits[5];
        const double lightness = 0.299 * red + 0.587 * green + 0.114 * blue;
        // The dark outline becomes a grey that still stands off the tool
        // bar; white stays lighter than any filled part.
        const int grey = static_cast<int>(128 + lightness * 0.38 + 0.5);
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", grey, grey, grey);
        out += text;
        i += 7;
    }
    return out;
}

ToolPictures ToolPicturesOf(int commandId) {
    const char* svg = SvgOf(commandId);
    if (!svg) return {};
    return {wxBitmapBundle::FromSVG(svg, kToolSize), wxBitmapBundle::FromSVG(GreyedSvg(svg).c_str(), kToolSize)};
}

}  // namespace quarvel
