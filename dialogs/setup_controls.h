#pragma once
#include <cstdint>
#include <span>
#include <string_view>

// The controls of the search dialog: their ids, kinds, pages and captions.
namespace quarvel {

enum SetupId : int {
    kSetupOk = 1, kSetupCancel = 2,
    kSetupPath = 201, kSetupBrowseFolder = 202, kSetupMask = 203, kSetupBrowseFile = 204, kSetupString = 205,
    kSetupIgnoreCase = 206, kSetupSubDir = 207, kSetupWholeWord = 208,
    kSetupWithinFile = 209, kSetupWithinSentence = 210, kSetupWithinLine = 211, kSetupWithinPage = 212,
    kSetupCodeOem = 216, kSetupCodeAnsi = 217, kSetupCodeBoth = 218,
    kSetupReset = 219, kSetupTabs = 220, kSetupRefined = 221, kSetupHidden = 222, kSetupCodeUnicode = 223,
    kSetupDocuments = 224,
    kSetupCodeBox = 250, kSetupWithinBox = 251, kSetupOptionsBox = 252,
    kSetupStringLabel = 253, kSetupMaskLabel = 254, kSetupPathLabel = 255,
    kSetupDateAll = 260, kSetupDateBetween = 262, kSetupDateFrom = 263, kSetupDateAndLabel = 264,
    kSetupDateBefore = 265, kSetupDateMonths = 266, kSetupMonths = 267, kSetupMonthsUpDown = 268,
    kSetupMonthsLabel = 269, kSetupDateDays = 270, kSetupDays = 271, kSetupDaysUpDown = 272,
    kSetupDaysLabel = 273, kSetupDateFormatLabel = 274, kSetupDateBox = 275,
    kSetupSizeAll = 280, kSetupSizeAtMost = 281, kSetupSizeMax = 282, kSetupSizeMinLabel = 283,
    kSetupSizeMaxLabel = 284, kSetupSizeMaxUpDown = 285, kSetupSizeMinUpDown = 286, kSetupSizeMin = 287,
    kSetupSizeAtLeast = 288, kSetupSizeBox = 289,
};

enum class SetupPage { Main, Advanced, Date, Size, All };
inline constexpr const char* kSetupPageNames[] = {"Main", "Advanced", "Date", "Size"};

enum class ControlKind { Tabs, Button, Label, Combo, Check, Radio, Box, Edit, UpDown };

struct SetupControl {
    int id;
    ControlKind kind;
    SetupPage page;
    const char* caption;  // "&" marks the mnemonic letter
};

// Every control, page by page in tab order.
std::span<const SetupControl> SetupControls();
const SetupControl& SetupControlById(int id);

// A group of radio buttons and the settings value each one stands for.
struct RadioChoice {
    int id;
    std::uint32_t value;
};
inline constexpr RadioChoice kWithinRadios[] = {
    {kSetupWithinLine, 2}, {kSetupWithinSentence, 3}, {kSetupWithinPage, 1}, {kSetupWithinFile, 0}};
inline constexpr RadioChoice kCodeRadios[] = {{kSetupCodeAnsi, 1}, {kSetupCodeOem, 0}, {kSetupCodeBoth, 2}};
inline constexpr RadioChoice kDateRadios[] = {
    {kSetupDateAll, 0}, {kSetupDateBetween, 1}, {kSetupDateMonths, 2}, {kSetupDateDays, 3}};
inline constexpr RadioChoice kSizeRadios[] = {{kSetupSizeAll, 0}, {kSetupSizeAtMost, 1}, {kSetupSizeAtLeast, 2}};

// The numeric edits, the up-down that steps each, and its range.
struct NumericEdit {
    int edit;
    int upDown;
    std::uint32_t max;
};
inline constexpr NumericEdit kNumericEdits[] = {{kSetupMonths, kSetupMonthsUpDown, 999},
                                                {kSetupDays, kSetupDaysUpDown, 999},
                                                {kSetupSizeMax, kSetupSizeMaxUpDown, 999999},
                                                {kSetupSizeMin, kSetupSizeMinUpDown, 999999}};
// The numeric edit that a control is, or that an up-down steps; null for any other control.
const NumericEdit* NumericEditFor(int id);

}  // namespace quarvel
