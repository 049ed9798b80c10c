#include "dialogs/setup_controls.h"

#include <algorithm>
#include <stdexcept>

namespace quarvel {

namespace {
using K = ControlKind;
using P = SetupPage;

constexpr SetupControl kControls[] = {
    {kSetupTabs, K::Tabs, P::All, ""},
    {kSetupPathLabel, K::Label, P::Main, "Default &path"},
    {kSetupPath, K::Combo, P::Main, ""},
    {kSetupBrowseFolder, K::Button, P::Main, "&Browse..."},
    {kSetupMaskLabel, K::Label, P::Main, "&File(s)"},
    {kSetupMask, K::Combo, P::Main, ""},
    {kSetupBrowseFile, K::Button, P::Main, "&Browse..."},
    {kSetupStringLabel, K::Label, P::Main, "&String(s) to find"},
    {kSetupString, K::Combo, P::Main, ""},
    {kSetupRefined, K::Check, P::Main, "&Refined"},
    {kSetupOptionsBox, K::Box, P::Advanced, ""},
    {kSetupSubDir, K::Check, P::Advanced, "Include sub&dir"},
    {kSetupIgnoreCase, K::Check, P::Advanced, "Ignore &case"},
    {kSetupWholeWord, K::Check, P::Advanced, "&Whole word"},
    {kSetupHidden, K::Check, P::Advanced, "Include &hidden and system files"},
    {kSetupDocuments, K::Check, P::Advanced, "Search &inside documents and archives"},
    {kSetupWithinBox, K::Box, P::Advanced, "Find within"},
    {kSetupWithinLine, K::Radio, P::Advanced, "&Line"},
    {kSetupWithinSentence, K::Radio, P::Advanced, "&Sentence"},
    {kSetupWithinPage, K::Radio, P::Advanced, "&Page"},
    {kSetupWithinFile, K::Radio, P::Advanced, "&File"},
    {kSetupCodeBox, K::Box, P::Advanced, "Code"},
    {kSetupCodeAnsi, K::Radio, P::Advanced, "&Ansi"},
    {kSetupCodeOem, K::Radio, P::Advanced, "&Oem"},
    {kSetupCodeBoth, K::Radio, P::Advanced, "Ansi a&nd Oem"},
    {kSetupCodeUnicode, K::Check, P::Advanced, "&Unicode (UTF-8, UTF-16)"},
    {kSetupDateBox, K::Box, P::Date, "Date modified"},
    {kSetupDateAll, K::Radio, P::Date, "&All files"},
    {kSetupDateBetween, K::Radio, P::Date, "&Between"},
    {kSetupDateFrom, K::Edit, P::Date, ""},
    {kSetupDateAndLabel, K::Label, P::Date, "and"},
    {kSetupDateBefore, K::Edit, P::Date, ""},
    {kSetupDateFormatLabel, K::Label, P::Date, "(dd/mm/yyyy)"},
    {kSetupDateMonths, K::Radio, P::Date, "During the previou&s"},
    {kSetupMonths, K::Edit, P::Date, ""},
    {kSetupMonthsUpDown, K::UpDown, P::Date, ""},
    {kSetupMonthsLabel, K::Label, P::Date, "month(s)"},
    {kSetupDateDays, K::Radio, P::Date, "&During the previous"},
    {kSetupDays, K::Edit, P::Date, ""},
    {kSetupDaysUpDown, K::UpDown, P::Date, ""},
    {kSetupDaysLabel, K::Label, P::Date, "day(s)"},
    {kSetupSizeBox, K::Box, P::Size, "Size of files"},
    {kSetupSizeAll, K::Radio, P::Size, "&All files"},
    {kSetupSizeAtMost, K::Radio, P::Size, "Size is at &most"},
    {kSetupSizeMax, K::Edit, P::Size, ""},
    {kSetupSizeMaxUpDown, K::UpDown, P::Size, ""},
    {kSetupSizeMaxLabel, K::Label, P::Size, "KB"},
    {kSetupSizeAtLeast, K::Radio, P::Size, "Size is at &least"},
    {kSetupSizeMin, K::Edit, P::Size, ""},
    {kSetupSizeMinUpDown, K::UpDown, P::Size, ""},
    {kSetupSizeMinLabel, K::Label, P::Size, "KB"},
    {kSetupOk, K::Button, P::All, "OK"},
    {kSetupCancel, K::Button, P::All, "Cancel"},
    {kSetupReset, K::Button, P::All, "Reset"},
};
}  // namespace

std::span<const SetupControl> SetupControls() { return kControls; }

const SetupControl& SetupControlById(int id) {
    auto it = std::find_if(std::begin(kControls), std::end(kControls), [id](const SetupControl& c) { return c.id == id; });
    if (it == std::end(kControls)) throw std::out_of_range("no control " + std::to_string(id) + " in the search dialog");
    return *it;
}

const NumericEdit* NumericEditFor(int id) {
    for (const NumericEdit& edit : kNumericEdits)
        if (edit.edit == id || edit.upDown == id) return &edit;
    return nullptr;
}

}  // namespace quarvel
