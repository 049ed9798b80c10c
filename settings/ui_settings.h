#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "settings/search_cfg.h"

namespace quarvel {

// The viewer font as its fourteen logical-font values, kept exactly as
// stored so that they round-trip.
struct TLogFont {
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    std::string lfFaceName;  // at most 31 bytes
    bool operator==(const TLogFont&) const = default;
};
inline constexpr std::size_t kFaceNameSize = 32;
inline constexpr std::size_t kHistorySize = 10;

// Program-wide user-interface settings, loaded and saved with the search record.
struct TUiSettings {
    std::uint32_t StatusBar = 0;
    std::uint32_t HintMode = 0;
    std::uint8_t FileQueue = 0;
    std::uint8_t FileFullPath = 0;
    // The threads a search decides its files on: 0 is one for each processor
    // the program may use, else at most kMaxThreads (platform/processors.h).
    std::uint32_t Threads = 0;
    // The command that Edit at line starts, as typed (file-system bytes): %f
    // the file, %l the line; empty is the desktop's default program.
    std::string Editor;
    // The main window's preview pane: 0 hidden, else shown; and its height in
    // pixels, 0 while the program chooses it.
    std::uint32_t PreviewPane = 1;
    std::int32_t PreviewHeight = 0;
    std::string PathOpenQV;
    std::string PathSaveQV;
    std::string PathDefaultBrowser;
    std::uint32_t ColorVD = 0;  // 0x00BBGGRR
    TLogFont ViewerFont;
    std::vector<std::string> FileHistory;
    std::vector<std::string> StringHistory;
    std::vector<std::string> PathHistory;
    std::vector<std::string> ProgramHistory;
};

// What the registry keeps: the current search record and the user-interface settings.
struct StoredSettings {
    TSearchCFG search;
    TUiSettings ui;
};

}  // namespace quarvel
