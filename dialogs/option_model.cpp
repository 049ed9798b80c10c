#include "dialogs/option_model.h"

#include <algorithm>
#include <optional>

#include "dialogs/numeric_edit.h"
#include "platform/editor_command.h"
#include "platform/processors.h"
#include "platform/unicode_text.h"
#include "settings/operator_rule.h"

namespace quarvel {

namespace {

int PositionOf(int id) {
    const auto at = std::find(kOperatorEdits.begin(), kOperatorEdits.end(), id);
    return at == kOperatorEdits.end() ? -1 : static_cast<int>(at - kOperatorEdits.begin());
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The threads as typed: digits alone, blanks around them aside. Unlike the
// search dialog's edits, nothing is guessed from a text that is no number:
// "12abc" or "-1" is refused rather than read as 12 or 0, since 0 would
// quietly mean every processor.
std::optional<std::uint32_t> ThreadsFromText(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    if (begin == end) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
        if (value > kMaxThreads) return std::nullopt;  // before it can overflow
    }
    return value;
}

}  // namespace

OptionModel::OptionModel(const TSearchCFG& cfg, const TUiSettings& ui)
    : hints_(ui.HintMode != 0),
      statusBar_(ui.StatusBar != 0),
      queue_(ui.FileQueue != 0),
      fullPath_(ui.FileFullPath != 0),
      // A number no run would take shows as the default, as loading makes it.
      threads_(NumberText(ui.Threads <= kMaxThreads ? ui.Threads : 0)),
      editor_(ui.Editor),
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
    if (id == kOptThreads) return threads_;
    if (id == kOptEditor) return editor_;
    const int position = PositionOf(id);
    return position < 0 ? none : operators_[position];
}

void OptionModel::SetText(int id, std::string text) {
    if (id == kOptThreads) {
        threads_ = std::move(text);
        return;
    }
    if (id == kOptEditor) {
        editor_ = std::move(text);
        return;
    }
    const int position = PositionOf(id);
    if (position < 0) return;
    operators_[position] = CutToChars(std::move(text), kMaxOperatorLength);
}

void OptionModel::Step(int upDownId, int delta) {
    if (upDownId == kOptThreadsUpDown) threads_ = NumberText(SteppedEditNumber(threads_, delta, kMaxThreads));
}

void OptionModel::FontChosen(TUiSettings& ui, const TLogFont& font, std::uint32_t colour) {
    ui.ViewerFont = font;
    ui.ColorVD = colour;
    faceName_ = font.lfFaceName;
}

OptionModel::OkResult OptionModel::Ok(TSearchCFG& cfg, TUiSettings& ui) const {
    const OperatorCheck check = CheckOperatorSet(operators_);
    if (!check.ok()) return {false, kOperatorEdits[check.position], check.message};
    const std::optional<std::uint32_t> threads = ThreadsFromText(threads_);
    if (!threads)
        return {false, kOptThreads,
                "Threads must be a whole number from 0 (all processors) to " + std::to_string(kMaxThreads)};
    // Refused now rather than when Edit at line would fail to start it.
    if (std::string problem = EditorTextProblem(editor_); !problem.empty())
        return {false, kOptEditor, std::move(problem)};
    ui.HintMode = hints_ ? 1 : 0;
    ui.StatusBar = statusBar_ ? 1 : 0;
    ui.FileQueue = queue_ ? 1 : 0;
    ui.FileFullPath = fullPath_ ? 1 : 0;
    ui.Threads = *threads;
    ui.Editor = editor_;
    cfg.Operators = operators_;
    return {true, 0, std::string()};
}

}  // namespace quarvel
