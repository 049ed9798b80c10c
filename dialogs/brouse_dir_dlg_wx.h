#pragma once
#include <string>

#include <wx/dialog.h>
#include <wx/treebase.h>

#include "dialogs/dir_tree.h"
#include "platform/working_folder.h"

class wxTreeCtrl;
class wxTreeEvent;

namespace quarvel {

// The directory browser: the user picks a folder from the tree below "/".
class TBrouseDirDlg : public wxDialog {
public:
    enum { ID_TREE = 1002 };

    // path: the caller's folder text (file-system bytes), along which the
    // tree opens.
    TBrouseDirDlg(wxWindow* parent, std::string path);

    // After OK the chosen folder's path, ending in "/" (or the caller's text
    // when no folder was selected); before it the caller's text.
    std::string Path() const { return path_; }

private:
    // Adds items for a node's children, and theirs, as the model holds them.
    void AddChildren(const wxTreeItemId& item, const DirNode& node, wxTreeItemId& selected);
    DirNode* NodeOf(const wxTreeItemId& item) const;

    void OnExpanding(wxTreeEvent& event);
    void OnCollapsed(wxTreeEvent& event);
    void OnSelectionChanged(wxTreeEvent& event);
    void OnOk(wxCommandEvent& event);

    // First, so that the working folder comes back after all the rest has gone.
    WorkingFolderKeeper keeper_;
    std::string path_;
    DirTree model_;
    wxTreeCtrl* tree_ = nullptr;
};

}  // namespace quarvel
