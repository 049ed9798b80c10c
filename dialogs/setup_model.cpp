#include "dialogs/setup_model.h"

#include <algorithm>

#include "dialogs/numeric_edit.h"
#include "platform/unicode_text.h"
#include "search/date_text.h"

namespace quarvel {

namespace {
constexpr const char* kTooLongMessage = "The text is too long: it may hold at most 259 bytes";

const std::span<const RadioChoice> kRadioGroups[] = {kWithinRadios, kCodeRadios, kDateRadios, kSizeRadios};

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The typed text first, then the earlier entries that differ from it byte for
// byte. An empty entry is not carried past the front: loading drops it anyway.
std::vector<std::string> RebuiltHistory(const std::string& text, const std::vector<std::string>& list) {
    std::vector<std::string> history{text};
    for (const std::string& entry : list)
        if (entry != text && !entry.empty()) history.push_back(entry);
    return history;
}
}  // namespace

SetupModel::SetupModel(const TSearchCFG& cfg, const TUiSettings& ui, std::uint16_t today)
    : today_(today),
      queue_(ui.FileQueue != 0),
      fullPath_(ui.FileFullPath != 0),
      separator_(cfg.FileSeparator()),
      notSearch_(cfg.FileNotSearch()) {
    // A history that is empty shows the current text as its only entry.
    auto listOf = [](const std::vector<std::string>& history, const std::string& text) {
        return history.empty() && !text.empty() ? std::vector<std::string>{text} : history;
    };
    lists_[kSetupMask] = ui.FileHistory;
    lists_[kSetupString] = listOf(ui.StringHistory, cfg.SearchString);
    lists_[kSetupPath] = listOf(ui.PathHistory, cfg.SearchDefaultPath);
    texts_[kSetupMask] = cfg.SearchFilesMask;
    texts_[kSetupString] = cfg.SearchString;
    texts_[kSetupPath] = cfg.SearchDefaultPath;

    SetChecked(kSetupSubDir, cfg.SearchIncludeSubDir != 0);
    SetChecked(kSetupWholeWord, cfg.SearchWholeWord != 0);
    SetChecked(kSetupIgnoreCase, cfg.SearchIgnoreCase != 0);
    SetChecked(kSetupRefined, cfg.SearchRefined != 0);
    SetChecked(kSetupHidden, cfg.SearchIncludeHidden != 0);
    SetChecked(kSetupDocuments, cfg.SearchDocuments != 0);
    CheckChoice(kWithinRadios, cfg.SearchWithin);
    CheckChoice(kCodeRadios, cfg.SearchCode);
    SetChecked(kSetupCodeUnicode, cfg.SearchUnicode != kUnicodeOff);
    CheckChoice(kDateRadios, cfg.SearchDateId);
    CheckChoice(kSizeRadios, cfg.SearchSizeId);

    // A date never set shows today.
    texts_[kSetupDateFrom] = DateToText(cfg.SearchDateFrom ? cfg.SearchDateFrom : today);
    texts_[kSetupDateBefore] = DateToText(cfg.SearchDateBefore ? cfg.SearchDateBefore : today);
    texts_[kSetupMonths] = NumberText(cfg.SearchDateLastMonate);
    texts_[kSetupDays] = NumberText(cfg.SearchDateLastDay);
    texts_[kSetupSizeMax] = NumberText(cfg.SearchSizeMax);
    texts_[kSetupSizeMin] = NumberText(cfg.SearchSizeMin);
}

void SetupModel::CheckChoice(std::span<const RadioChoice> group, std::uint32_t value) {
    for (const RadioChoice& choice : group)
        if (choice.value == value) SetChecked(choice.id, true);
}

std::uint32_t SetupModel::ChosenValue(std::span<const RadioChoice> group, std::uint32_t none) const {
    for (const RadioChoice& choice : group)
        if (Checked(choice.id)) return choice.value;
    return none;
}

void SetupModel::SetChecked(int id, bool on) {
    if (SetupControlById(id).kind == ControlKind::Radio && on) {
        for (auto group : kRadioGroups)
            if (std::any_of(group.begin(), group.end(), [id](const RadioChoice& c) { return c.id == id; }))
                for (const RadioChoice& choice : group) checked_.erase(choice.id);
    }
    if (on)
        checked_.insert(id);
    else
        checked_.erase(id);
}

bool SetupModel::Enabled(int id) const {
    const std::uint32_t dateMode = ChosenValue(kDateRadios, 0);
    const std::uint32_t sizeMode = ChosenValue(kSizeRadios, 0);
    switch (id) {
        // A refined search runs over the files found last time, so where to look is fixed.
        case kSetupPath: case kSetupBrowseFolder: case kSetupMask: case kSetupBrowseFile: case kSetupSubDir:
            return !Checked(kSetupRefined);
        case kSetupDateFrom: case kSetupDateBefore: return dateMode == 1;
        case kSetupMonths: case kSetupMonthsUpDown: return dateMode == 2;
        case kSetupDays: case kSetupDaysUpDown: return dateMode == 3;
        case kSetupSizeMax: case kSetupSizeMaxUpDown: return sizeMode == 1;
        case kSetupSizeMin: case kSetupSizeMinUpDown: return sizeMode == 2;
        default: return true;
    }
}

bool SetupModel::Shown(int id) const {
    SetupPage page = SetupControlById(id).page;
    return page == SetupPage::All || page == page_;
}

void SetupModel::EditLostFocus(int id) {
    if (const NumericEdit* edit = NumericEditFor(id); edit && edit->edit == id) {
        texts_.at(id) = NumberText(EditNumber(texts_.at(id), edit->max));
    } else if ((id == kSetupDateFrom || id == kSetupDateBefore) && texts_.at(id).empty()) {
        texts_.at(id) = DateToText(today_);
    }
}

void SetupModel::Step(int upDownId, int delta) {
    if (const NumericEdit* edit = NumericEditFor(upDownId))
        texts_.at(edit->edit) = NumberText(SteppedEditNumber(texts_.at(edit->edit), delta, edit->max));
}

void SetupModel::FileChosen(const std::string& fullPath) {
    if (fullPath.empty()) return;
    std::string text;
    if (queue_) {
        text = texts_.at(kSetupMask);
        if (!text.empty() && !EndsWith(text, notSearch_) && !EndsWith(text, separator_)) text += separator_;
    }
    // File names may hold ":" and "\" here; only "/" separates folders.
    text += fullPath_ ? fullPath : fullPath.substr(fullPath.rfind('/') + 1);
    texts_.at(kSetupMask) = std::move(text);
}

void SetupModel::Reset() {
    for (int id : {kSetupMask, kSetupString, kSetupPath}) texts_.at(id).clear();
    for (int id : {kSetupRefined, kSetupIgnoreCase, kSetupWholeWord, kSetupSubDir}) SetChecked(id, false);
    for (int id : {kSetupHidden, kSetupDocuments, kSetupCodeBoth, kSetupCodeUnicode, kSetupWithinFile, kSetupDateAll,
                   kSetupSizeAll})
        SetChecked(id, true);
    texts_.at(kSetupDateFrom) = texts_.at(kSetupDateBefore) = DateToText(today_);
    for (int id : {kSetupMonths, kSetupDays, kSetupSizeMax, kSetupSizeMin}) texts_.at(id) = NumberText(0);
}

SetupModel::OkOutcome SetupModel::Ok(TSearchCFG& cfg, TUiSettings& ui) const {
    struct Combo {
        int id;
        std::string& field;
        std::vector<std::string>& history;
    } combos[] = {{kSetupMask, cfg.SearchFilesMask, ui.FileHistory},
                  {kSetupString, cfg.SearchString, ui.StringHistory},
                  {kSetupPath, cfg.SearchDefaultPath, ui.PathHistory}};
    // A text cut to fit would search for something else, or make a project
    // that cannot be loaded back: it is refused instead.
    // Names are measured in the file system's bytes, search text in characters.
    for (const Combo& combo : combos) {
        const std::size_t length = combo.id == kSetupString ? Utf8ToChars(Text(combo.id)).size() : Text(combo.id).size();
        if (length >= kPathBufferSize) return {false, combo.id, kTooLongMessage};
    }
    for (const Combo& combo : combos) {
        combo.history = RebuiltHistory(Text(combo.id), List(combo.id));
        combo.field = Text(combo.id);
    }

    cfg.SearchIgnoreCase = Checked(kSetupIgnoreCase);
    cfg.SearchIncludeSubDir = Checked(kSetupSubDir);
    cfg.SearchWholeWord = Checked(kSetupWholeWord);
    cfg.SearchRefined = Checked(kSetupRefined);
    cfg.SearchIncludeHidden = Checked(kSetupHidden);
    cfg.SearchDocuments = Checked(kSetupDocuments);
    // A search of the Unicode reading alone (made on the command line) stays
    // so while the one-byte choice shown for it is left as it was.
    const std::uint32_t code = ChosenValue(kCodeRadios, cfg.SearchCode);
    const bool alone = cfg.SearchUnicode == kUnicodeAlone && code == cfg.SearchCode;
    cfg.SearchCode = code;
    cfg.SearchUnicode = !Checked(kSetupCodeUnicode) ? kUnicodeOff : alone ? kUnicodeAlone : kUnicodeToo;
    cfg.SearchWithin = ChosenValue(kWithinRadios, cfg.SearchWithin);

    // A date that is no date is today, unless the dates are what the user chose.
    for (auto [id, field] : {std::pair{kSetupDateFrom, &cfg.SearchDateFrom}, std::pair{kSetupDateBefore, &cfg.SearchDateBefore}}) {
        auto date = DateTextToDate(Text(id), today_);
        if (!date && Checked(kSetupDateBetween)) return {false, id, kInvalidDateMessage};
        *field = date.value_or(today_);
    }
    cfg.SearchDateLastMonate = EditNumber(Text(kSetupMonths), 999);
    cfg.SearchDateLastDay = EditNumber(Text(kSetupDays), 999);
    cfg.SearchDateId = ChosenValue(kDateRadios, 0);
    cfg.SearchSizeMax = EditNumber(Text(kSetupSizeMax), 999999);
    cfg.SearchSizeMin = EditNumber(Text(kSetupSizeMin), 999999);
    cfg.SearchSizeId = ChosenValue(kSizeRadios, 0);
    cfg.DeriveWindows(today_);
    return {};
}

}  // namespace quarvel
