#include "dialogs/brouse_dir_dlg_wx.h"

#include <utility>

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/imaglist.h>
#include <wx/sizer.h>
#include <wx/treectrl.h>

#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"

namespace quarvel {

namespace {

enum { kFolderImage = 0, kOpenFolderImage = 1 };

// Ties a tree item to the folder it shows.
struct NodeItem : wxTreeItemData {
    explicit NodeItem(DirNode* n) : node(n) {}
    DirNode* node;
};

wxBitmap TreeImage(const wxArtID& id, const wxSize& size) {
    wxBitmap bitmap = wxArtProvider::GetBitmap(id, wxART_OTHER, size);
    if (!bitmap.IsOk()) {
        // No picture at all: a transparent square keeps the items aligned.
        wxImage blank(size);
        blank.SetMaskColour(0, 0, 0);
        return wxBitmap(blank);
    }
    if (bitmap.GetSize() == size) return bitmap;
    wxImage image = bitmap.ConvertToImage();
    image.Rescale(size.x, size.y, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}

}  // namespace

TBrouseDirDlg::TBrouseDirDlg(wxWindow* parent, std::string path)
    : wxDialog(parent, wxID_ANY, "Select a Directory", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      path_(std::move(path)) {
    tree_ = new wxTreeCtrl(this, ID_TREE, wxDefaultPosition, wxDefaultSize,
                           wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_SINGLE | wxBORDER_THEME);
    tree_->SetMinSize(FromDIP(wxSize(280, 300)));
    const wxSize imageSize = FromDIP(wxSize(16, 16));
    auto* images = new wxImageList(imageSize.x, imageSize.y, true, 2);
    images->Add(TreeImage(wxART_FOLDER, imageSize));
    images->Add(TreeImage(wxART_FOLDER_OPEN, imageSize));
    tree_->AssignImageList(images);

    auto* buttons = new wxStdDialogButtonSizer;
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();
    buttons->AddButton(ok);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, "Cancel"));
    buttons->Realize();
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(tree_, wxSizerFlags(1).Expand().Border(wxALL));
    sizer->Add(buttons, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM));
    SetSizerAndFit(sizer);

    // The tree is built before the handlers are bound, so that building it
    // reads nothing twice.
    model_.Open(path_);
    DirNode& root = model_.Root();
    const wxTreeItemId rootItem =
        tree_->AddRoot(FromFileName(root.Name()), kFolderImage, kOpenFolderImage, new NodeItem(&root));
    wxTreeItemId selected = model_.Selected() == &root ? rootItem : wxTreeItemId();
    AddChildren(rootItem, root, selected);
    if (root.Expanded()) tree_->Expand(rootItem);
    if (selected.IsOk()) {
        tree_->SelectItem(selected);
        tree_->EnsureVisible(selected);
    } else {
        // The tree marks its first item by itself; it shows what the model holds.
        tree_->Unselect();
    }

    tree_->Bind(wxEVT_TREE_ITEM_EXPANDING, &TBrouseDirDlg::OnExpanding, this);
    tree_->Bind(wxEVT_TREE_ITEM_COLLAPSED, &TBrouseDirDlg::OnCollapsed, this);
    tree_->Bind(wxEVT_TREE_SEL_CHANGED, &TBrouseDirDlg::OnSelectionChanged, this);
    Bind(wxEVT_BUTTON, &TBrouseDirDlg::OnOk, this, wxID_OK);

    CentreOverMainWindow(*this);
    tree_->SetFocus();
}

void TBrouseDirDlg::AddChildren(const wxTreeItemId& item, const DirNode& node, wxTreeItemId& selected) {
    for (const auto& child : node.Children()) {
        const wxTreeItemId childItem = tree_->AppendItem(item, FromFileName(child->Name()), kFolderImage,
                                                         kOpenFolderImage, new NodeItem(child.get()));
        if (child.get() == model_.Selected()) selected = childItem;
        AddChildren(childItem, *child, selected);
        if (child->Expanded()) tree_->Expand(childItem);
    }
}

DirNode* TBrouseDirDlg::NodeOf(const wxTreeItemId& item) const {
    auto* data = item.IsOk() ? static_cast<NodeItem*>(tree_->GetItemData(item)) : nullptr;
    return data ? data->node : nullptr;
}

void TBrouseDirDlg::OnExpanding(wxTreeEvent& event) {
    const wxTreeItemId item = event.GetItem();
    DirNode* node = NodeOf(item);
    if (!node) return;
    tree_->DeleteChildren(item);
    model_.Expand(*node);
    wxTreeItemId unused;
    AddChildren(item, *node, unused);
}

void TBrouseDirDlg::OnCollapsed(wxTreeEvent& event) {
    if (DirNode* node = NodeOf(event.GetItem())) model_.Collapse(*node);
}

void TBrouseDirDlg::OnSelectionChanged(wxTreeEvent& event) { model_.Select(NodeOf(event.GetItem())); }

void TBrouseDirDlg::OnOk(wxCommandEvent& event) {
    const DirTree::OkOutcome outcome = model_.Ok(path_);
    if (!outcome.accepted) {
        ShowMessage(this, outcome.message);
        tree_->SetFocus();
        return;  // the dialog stays open
    }
    path_ = outcome.path;
    event.Skip();  // the dialog closes as with any OK
}

}  // namespace quarvel
