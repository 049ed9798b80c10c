#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialogs/setup_controls.h"
#include "settings/ui_settings.h"

namespace quarvel {

// The search dialog without its widgets: the value, enabled state and page of
// every control, and what each command does. The record changes only on OK.
class SetupModel {
public:
    // Fills the form from the record and its histories; today is a packed date.
    SetupModel(const TSearchCFG& cfg, const TUiSettings& ui, std::uint16_t today);

    // Combo boxes and edits. Combo texts of the path and the file list are
    // file-system bytes; the others are UTF-8 text.
    const std::string& Text(int id) const { return texts_.at(id); }
    void SetText(int id, std::string text) { texts_.at(id) = std::move(text); }
    const std::vector<std::string>& List(int id) const { return lists_.at(id); }

    // Check boxes and radio buttons; checking a radio unchecks the rest of its group.
    bool Checked(int id) const { return checked_.count(id) != 0; }
    void SetChecked(int id, bool on);

    bool Enabled(int id) const;
    SetupPage Page() const { return page_; }
    void SelectPage(SetupPage page) { page_ = page; }
    bool Shown(int id) const;

    // A numeric edit is limited to its range, an empty date edit becomes today.
    void EditLostFocus(int id);
    // An up-down arrow: delta +1 up, -1 down.
    void Step(int upDownId, int delta);
    // A file chosen with the file Browse button, by its full path.
    void FileChosen(const std::string& fullPath);
    // Sets the controls, not the record.
    void Reset();

    struct OkOutcome {
        bool accepted = true;
        int focus = 0;        // the control to focus when refused
        std::string message;  // shown when refused
    };
    // Stores the form into the record and the histories. A refused date
    // leaves what was stored before it.
    OkOutcome Ok(TSearchCFG& cfg, TUiSettings& ui) const;

private:
    void CheckChoice(std::span<const RadioChoice> group, std::uint32_t value);
    // The value of the group's checked radio, or none when no radio is checked.
    std::uint32_t ChosenValue(std::span<const RadioChoice> group, std::uint32_t none) const;

    std::uint16_t today_;
    bool queue_;
    bool fullPath_;
    std::string separator_, notSearch_;
    std::map<int, std::string> texts_;
    std::map<int, std::vector<std::string>> lists_;
    std::set<int> checked_;
    SetupPage page_ = SetupPage::Main;
};

inline constexpr const char* kInvalidDateMessage = "You must specify a valid date or date range";

}  // namespace quarvel
