#include "app/commands.h"

#include <array>
#include <cstdio>
#include <string>

namespace quarvel {

namespace {

constexpr std::array<Command, 14> kCommands{{
    {kCmNew, "&New\tN", "New search", 'N', false, true},
    {kCmOpenProject, "&Open QRV\tO", "Open quarvel project", 'O', false, true},
    {kCmSaveProject, "&Save QRV\tS", "Save quarvel project", 'S', false, true},
    {kCmExportList, "&Export list...\tE", "Write the list as CSV or JSON Lines", 'E', false, false},
    {kCmView, "&View\tV", "View this file", 'V', false, true},
    {kCmOpen, "O&pen\tEnter", "Open this file", kKeyEnter, false, true},
    {kCmOpenWith, "Open &with...\tW", "Open this file with...", 'W', false, true},
    {kCmEditAtLine, "E&dit at line\tCtrl+E", "Edit this file at the line of its hit", 'E', false, false, true},
    {kCmPreviewPane, "P&review pane\tP", "Show or hide the preview of the hits", 'P', false, false},
    {kCmInfo, "&Info\tI", "Information about search", 'I', false, true},
    {kCmConfiguration, "&Configuration", nullptr, 0, false, false},
    {kCmExit, "E&xit\tAlt+X", "Exit program", 'X', true, false},
    {kCmAbout, "&About", "Help about", 0, false, false},
    {kCmHelp, "&Help\tF1", "Help", kKeyF1, false, true},
}};

constexpr std::array<int, 16> kSearchMenu{kCmNew,         kCmOpenProject, kCmSaveProject, kCmExportList,
                                          0,              kCmView,        kCmOpen,        kCmOpenWith,
                                          kCmEditAtLine,  0,              kCmPreviewPane, kCmInfo,
                                          0,              kCmConfiguration, 0,            kCmExit};
constexpr std::array<int, 2> kHelpMenu{kCmAbout, kCmHelp};
constexpr std::array<MenuPopup, 2> kMenu{{{"&Search", kSearchMenu}, {"&Help", kHelpMenu}}};

constexpr std::array<int, 11> kToolBar{kCmNew, kCmOpenProject, kCmSaveProject, 0, kCmView, kCmOpen, kCmOpenWith,
                                       0,      kCmInfo,        0,              kCmHelp};

constexpr std::array<ContextMenuItem, 3> kContextMenu{{
    {kCmView, "&View"}, {kCmOpen, "O&pen"}, {kCmOpenWith, "Open &with..."}}};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

const Command* FindCommand(int id) {
    for (const Command& command : kCommands)
        if (command.id == id) return &command;
    return nullptr;
}

std::span<const MenuPopup> MainMenu() { return kMenu; }
std::span<const int> ToolBarLayout() { return kToolBar; }
std::span<const ContextMenuItem> ContextMenu() { return kContextMenu; }

bool CommandEnabled(int id, const CommandState& state) {
    switch (id) {
        case kCmNew: return state.openViewers == 0;
        case kCmSaveProject:
        case kCmExportList:
        case kCmInfo: return state.hasQuery;
        case kCmView:
        case kCmOpen:
        case kCmOpenWith:
        case kCmEditAtLine: return state.hasSelectedRow;
        default: return true;
    }
}

bool StatusBarRule::Apply(std::uint32_t statusBar) {
    const std::int32_t wanted = statusBar != 0 ? 1 : 0;
    const std::int32_t shown = state_ == kNotApplied ? 1 : state_;  // it is created visible
    state_ = wanted;
    return shown != wanted;
}

std::string HitsStatusText(std::size_t counted, std::size_t files, std::uint64_t hits, bool running) {
    auto counting = [](std::uint64_t n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); };
    if (running) return "Counting hits: " + std::to_string(counted) + " of " + counting(files, "file");
    if (counted < files || files == 0) return counting(files, "file");
    return counting(files, "file") + ", " + counting(hits, "hit");
}

std::string ClockText(const LocalDateTime& now) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d   %02d:%02d:%02d", now.day, now.month, now.year, now.hour,
                  now.minute, now.second);
    return text;
}

}  // namespace quarvel
