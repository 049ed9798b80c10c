#pragma once
#include <wx/dialog.h>

#include "dialogs/file_info.h"

namespace quarvel {

// Information on the file open in a viewer: its path, size, date and time,
// the search expression, and how often each search word occurs in the file.
// It only shows; the record and the query are left as they are.
class TFileInfoDlg : public wxDialog {
public:
    // cfg: the viewer's search record; query: its compiled expression, or
    // null, when the word list stays empty.
    // Centred over mainWindow, else over the top of the owner chain.
    TFileInfoDlg(wxWindow* parent, const TSearchCFG& cfg, const Tstr* query, const wxWindow* mainWindow = nullptr);

    const FileInfo& Info() const { return info_; }

private:
    FileInfo info_;
};

}  // namespace quarvel
