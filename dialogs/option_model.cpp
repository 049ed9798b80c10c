#include "dialogs/option_model.h"

#include <algorithm>

#include "platform/unicode_text.h"
#include "settings/operator_rule.h"

namespace quarvel {

namespace {

int PositionOf(int id) {
    const auto at = std::find(kOperatorEdits.begin(), kOperatorEdits.end(), id);
    return at == kOperatorEdits.end() ? -1 : static_cast<int>(at - kOperatorEdits.begin());
}

}  // namespace

OptionModel::OptionModel(const TSearchCFG& cfg, const TUiSettings& ui)
    : hints_(ui.HintMode != 0),
      statusBar_(ui.StatusBar != 0),
      queue_(ui.FileQueue != 0),
      fullPath_(ui.FileFullPath != 0),
      faceName_(ui.ViewerFont.lfFaceName) {
    for (int i = 0; i < kOperatorCount; ++i) operators_[i] = CutToChars(cfg.Operators[i], kMaxOperatorLength);
}

bool OptionModel::Checked(int id) const {
    switch (id) {
        case kOptHints: return hints_;
        case kOptStatusBar: return statusBar_;
        case kOptQueue: return queue_;
        case kOptFullPath: return fullPath_;
        default: return false;
    }
}

void OptionModel::SetChecked(int id, bool on) {
    switch (id) {
        case kOptHints: hints_ = on; break;
        case kOptStatusBar: statusBar_ = on; break;
        case kOptQueue: queue_ = on; break;
        case kOptFullPath: fullPath_ = on; break;
        default: break;
    }
}

const std::string& OptionModel::Text(int id) const {
    static const std::string none;
    const int position = PositionOf(id);
    return position < 0 ? none : operators_[position];
}

void OptionModel::SetText(int id, std::string text) {
    const int position = PositionOf(id);
    if (position < 0) return;
    operators_[position] = CutToChars(std::move(text), kMaxOperatorLength);
}

void OptionModel::FontChosen(TUiSettings& ui, const TLogFont& font, std::uint32_t colour) {
    ui.ViewerFont = font;
    ui.ColorVD = colour;
    faceName_ = font.lfFaceName;
}

OptionModel::OkResult OptionModel::Ok(TSearchCFG& cfg, TUiSettings& ui) const {
    const OperatorCheck check = CheckOperatorSet(operators_);
    if (!check.ok()) return {false, kOperatorEdits[check.position], check.message};
    ui.HintMode = hints_ ? 1 : 0;
    ui.StatusBar = statusBar_ ? 1 : 0;
    ui.FileQueue = queue_ ? 1 : 0;
    ui.FileFullPath = fullPath_ ? 1 : 0;
    cfg.Operators = operators_;
    return {true, 0, std::string()};
}

}  // namespace quarvel
