#include "settings/viewer_font_wx.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <wx/gdicmn.h>

#include "platform/text_wx.h"
#include "platform/unicode_text.h"

namespace quarvel {

namespace {

constexpr std::uint8_t kFixedPitch = 1;

// Heights are stored in pixels of the screen: points x pixels per inch / 72.
double PixelsPerInch() {
    const int ppi = wxGetDisplayPPI().y;
    return ppi > 0 ? ppi : 96;
}
}  // namespace

wxFont FontFromLogFont(const TLogFont& lf) {
    // A negative height is the characters' own height, a positive one the
    // cell's; both are taken as the characters' height.
    const int pixels = std::max(6, std::abs(lf.lfHeight));
    wxFontInfo info(pixels * 72.0 / PixelsPerInch());
    info.Family(wxFONTFAMILY_TELETYPE).Italic(lf.lfItalic != 0).Underlined(lf.lfUnderline != 0).Strikethrough(
        lf.lfStrikeOut != 0);
    if (lf.lfWeight > 0) info.Weight(std::clamp(static_cast<int>(lf.lfWeight), 100, 900));
    if (!lf.lfFaceName.empty()) info.FaceName(FromUtf8(lf.lfFaceName));
    return wxFont(info);
}

TLogFont LogFontFromFont(const wxFont& font) {
    TLogFont lf;
    lf.lfHeight = -std::max(1L, std::lround(font.GetFractionalPointSize() * PixelsPerInch() / 72));
    lf.lfWeight = font.GetNumericWeight();
    lf.lfItalic = font.GetStyle() != wxFONTSTYLE_NORMAL ? 1 : 0;
    lf.lfUnderline = font.GetUnderlined() ? 1 : 0;
    lf.lfStrikeOut = font.GetStrikethrough() ? 1 : 0;
    lf.lfPitchAndFamily = kFixedPitch;
    lf.lfFaceName = CutToChars(ToUtf8(font.GetFaceName()), kFaceNameSize - 1);
    return lf;
}

wxColour ColourFromColorRef(std::uint32_t bgr) { return wxColour(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

std::uint32_t ColorRefFromColour(const wxColour& colour) {
    return static_cast<std::uint32_t>(colour.Red()) | static_cast<std::uint32_t>(colour.Green()) << 8 |
           static_cast<std::uint32_t>(colour.Blue()) << 16;
}

}  // namespace quarvel
