#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "settings/search_cfg.h"
#include "settings/ui_settings.h"

namespace quarvel {

// The options dialog's controls, by their resource numbers.
enum OptionId : int {
    kOptHints = 701,
    kOptStatusBar = 702,
    kOptFaceName = 703,
    kOptFont = 704,
    kOptAnd = 707,
    kOptOr = 708,
    kOptNot = 709,
    kOptRBracket = 710,
    kOptQuote = 711,
    kOptLBracket = 712,
    kOptNotSearch = 713,
    kOptSeparator = 714,
    kOptQueue = 715,
    kOptFullPath = 716,
    kOptThreads = 717,
    kOptThreadsUpDown = 718,
    kOptEditor = 719,
};

// The eight operator edits, in the order of the record's operator strings
// (AND, OR, NOT, QUOTE, LBracket, RBracket, Separator, Not search).
inline constexpr std::array<int, kOperatorCount> kOperatorEdits = {
    kOptAnd, kOptOr, kOptNot, kOptQuote, kOptLBracket, kOptRBracket, kOptSeparator, kOptNotSearch};

// The options dialog: the main window's hints and status bar, the operator
// strings, how Browse fills the file list, the threads a search decides its
// files on, the viewer font and the editor command of the viewer's Edit at line.
class OptionModel {
public:
    OptionModel(const TSearchCFG& cfg, const TUiSettings& ui);

    bool Checked(int id) const;
    void SetChecked(int id, bool on);
    // An operator edit's text, which holds at most 10 characters, or the
    // threads edit's text as typed (it is read on OK), or the editor command
    // (file-system bytes, stored as it stands).
    const std::string& Text(int id) const;
    void SetText(int id, std::string text);
    // The threads up-down: delta +1 up, -1 down, kept within 0 to kMaxThreads.
    void Step(int upDownId, int delta);
    const std::string& FaceName() const { return faceName_; }
    // A font chosen in the chooser: it holds from now on, whether the dialog
    // ends with OK or not, for every viewer.
    void FontChosen(TUiSettings& ui, const TLogFont& font, std::uint32_t colour);

    struct OkResult {
        bool accepted = false;
        int focus = 0;  // the edit to put the focus in when refused
        std::string message;
    };
    // Checks the operators, the threads and the editor command, then stores
    // everything; nothing is stored when refused.
    OkResult Ok(TSearchCFG& cfg, TUiSettings& ui) const;

private:
    bool hints_, statusBar_, queue_, fullPath_;
    std::array<std::string, kOperatorCount> operators_;
    std::string threads_;
    std::string editor_;
    std::string faceName_;
};

}  // namespace quarvel
