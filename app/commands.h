#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/clock.h"

namespace quarvel {

// The main window's commands: one number is shared by the menu item, the key,
// the tool bar button and the hint.
enum CommandId : int {
    kCmNew = 401,
    kCmSaveProject = 402,
    kCmOpenProject = 403,
    kCmInfo = 404,
    kCmView = 405,
    kCmAbout = 406,
    kCmHelp = 407,
    kCmConfiguration = 408,
    kCmOpen = 409,
    kCmOpenWith = 410,
    kCmExportList = 411,
    kCmEditAtLine = 412,
    kCmPreviewPane = 413,
    kCmShowContextMenu = 609,  // internal: issued by the results list's right click
    kCmExit = 24310,
};

// Keys as virtual-key codes: letters are their capitals.
inline constexpr int kKeyEnter = 0x0D;
inline constexpr int kKeyF1 = 0x70;

struct Command {
    int id;
    const char* menuText;  // with its key hint after a tab; nullptr: not in the menu
    const char* hint;      // shown in the status bar; nullptr: none
    int key;               // 0: no key
    bool alt;              // the key needs Alt
    bool onToolBar;
    bool ctrl = false;     // the key needs Ctrl
};

// Every command of the main window, menu items in no particular order.
std::span<const Command> Commands();
// The command with that number, or nullptr.
const Command* FindCommand(int id);

// Menu 400: two popups of command numbers, 0 for a separator.
struct MenuPopup {
    const char* title;
    std::span<const int> items;
};
std::span<const MenuPopup> MainMenu();
// The tool bar's buttons from left to right, 0 for a separator.
std::span<const int> ToolBarLayout();

// The results list's context menu.
struct ContextMenuItem {
    int id;
    const char* text;
};
std::span<const ContextMenuItem> ContextMenu();

// What the enabling rules look at.
struct CommandState {
    std::int32_t openViewers = 0;
    bool hasQuery = false;  // a current compiled query exists
    bool hasSelectedRow = false;
};
bool CommandEnabled(int id, const CommandState& state);

// The status bar as last applied: hidden, shown, or not yet applied.
class StatusBarRule {
public:
    static constexpr std::int32_t kNotApplied = 77;
    // Applies the StatusBar setting (any value but 0 means shown); true when
    // the status bar must be toggled (it is created visible).
    bool Apply(std::uint32_t statusBar);
    std::int32_t State() const { return state_; }

private:
    std::int32_t state_ = kNotApplied;
};

// The status bar while and after the hits of the found files are counted:
// "Counting hits: 12 of 3530 files", then "3530 files, 81234 hits" (only the
// files when not all could be counted).
std::string HitsStatusText(std::size_t counted, std::size_t files, std::uint64_t hits, bool running);

// The clock pane: day/month/year, three blanks, hour:minute:second.
std::string ClockText(const LocalDateTime& now);

}  // namespace quarvel
