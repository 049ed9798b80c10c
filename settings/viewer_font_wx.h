#pragma once
#include <cstdint>

#include <wx/colour.h>
#include <wx/font.h>

#include "settings/ui_settings.h"

namespace quarvel {

// The viewer font as the toolkit's font, and back as the fourteen stored values.
wxFont FontFromLogFont(const TLogFont& font);
TLogFont LogFontFromFont(const wxFont& font);
// Colours stored as 0x00BBGGRR.
wxColour ColourFromColorRef(std::uint32_t bgr);
std::uint32_t ColorRefFromColour(const wxColour& colour);

}  // namespace quarvel
