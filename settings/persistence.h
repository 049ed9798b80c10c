#pragma once
#include "platform/registry.h"
#include "settings/ui_settings.h"

namespace quarvel {

inline constexpr const char* kProductKey = "Software\\Quarvel";
inline constexpr const char* kOptionsKey = "Software\\Quarvel\\Options";
inline constexpr const char* kSaveKey = "Software\\Quarvel\\Save";
inline constexpr const char* kErrorWriteRegistry = "Error write Registry";

// The default viewer font height of a 10-point font on a screen of the given
// vertical resolution (pixels per inch).
std::int32_t DefaultFontHeight(int screenPixelsPerInchY);
// The folder that stands for the remembered folders before any was used.
std::string DefaultRememberedFolder();

// Fills the stored settings from the registry, defaults where a value is missing.
void LoadSettings(const Registry& registry, StoredSettings& state, int screenPixelsPerInchY);

// Writes every value back and commits the registry file. Returns false when
// any write failed; every value is still attempted.
bool SaveSettings(Registry& registry, const StoredSettings& state);

}  // namespace quarvel
