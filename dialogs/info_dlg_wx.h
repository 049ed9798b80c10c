#pragma once
#include <wx/dialog.h>

#include "settings/search_cfg.h"

namespace quarvel {

// The controls of the search information dialog.
enum InfoDlgId : int {
    kInfoHits = 901,        // "Hits in 3 file(s) out of 120"
    kInfoMasks = 902,       // the file masks, read-only
    kInfoStringLabel = 903, // "String(s) to find"
    kInfoExpression = 904,  // the expression, read-only
    kInfoDuration = 905,
    kInfoBytes = 906,
    kInfoRate = 907,        // empty when there is no rate to give
};

// What the last search did: files with hits out of those examined, the masks
// and the expression it used, how long it took, how much it read and how fast.
// Opening it stores the run's length in cfg.timeSum; nothing else is changed.
class TInfoDlg : public wxDialog {
public:
    TInfoDlg(wxWindow* parent, TSearchCFG& cfg);
};

}  // namespace quarvel
