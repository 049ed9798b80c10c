#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/treectrl.h>
#include "tests/shell/modal_expect.h"

#include "dialogs/brouse_dir_dlg_wx.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// Presses OK as the user would while the caller runs the browser.
class PressOk : public wxExpectModalBase<TBrouseDirDlg, PressOk> {
protected:
    int OnInvoked(TBrouseDirDlg* dlg) const override {
        wxWindow* ok = dlg->FindWindow(wxID_OK);
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(ok);
        ok->GetEventHandler()->ProcessEvent(click);
        return wxID_OK;
    }
};

class BrouseDirDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"Docs/Letters/old", "Docs/Reports", "Music"}) fs::create_directories(root_ + "/" + folder);
    }

    static wxTreeCtrl& Tree(TBrouseDirDlg& dlg) { return *wxStaticCast(dlg.FindWindow(TBrouseDirDlg::ID_TREE), wxTreeCtrl); }
    static std::vector<wxString> Texts(const wxTreeCtrl& tree, const wxTreeItemId& item) {
        std::vector<wxString> texts;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId c = tree.GetFirstChild(item, cookie); c.IsOk(); c = tree.GetNextChild(item, cookie))
            texts.push_back(tree.GetItemText(c));
        return texts;
    }
    static wxTreeItemId ChildNamed(const wxTreeCtrl& tree, const wxTreeItemId& item, const wxString& text) {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId c = tree.GetFirstChild(item, cookie); c.IsOk(); c = tree.GetNextChild(item, cookie))
            if (tree.GetItemText(c) == text) return c;
        return wxTreeItemId();
    }

    TempFolder folder_{"quarvel-browse"};
    const std::string root_ = folder_.Path();
};

TEST_F(BrouseDirDlgTest, OpensAtTheCallersFolderAndHandsBackTheOneChosen) {
    TBrouseDirDlg dlg(nullptr, root_ + "/docs/LETTERS");
    wxTreeCtrl& tree = Tree(dlg);
    EXPECT_EQ(tree.GetItemText(tree.GetRootItem()), "/");
    const wxTreeItemId letters = tree.GetSelection();
    ASSERT_TRUE(letters.IsOk());
    EXPECT_EQ(tree.GetItemText(letters), "Letters");
    EXPECT_EQ(tree.GetItemImage(letters, wxTreeItemIcon_Normal), 0);
    EXPECT_EQ(tree.GetItemImage(letters, wxTreeItemIcon_Selected), 1);
    EXPECT_EQ(Texts(tree, letters), std::vector<wxString>{"old"});
    EXPECT_TRUE(tree.IsExpanded(tree.GetItemParent(letters)));
    EXPECT_EQ(dlg.Path(), root_ + "/docs/LETTERS") << "the caller's text until OK";

    int result = 0;
    wxTEST_DIALOG(result = dlg.ShowModal(), PressOk());
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(dlg.Path(), root_ + "/Docs/Letters/");

    const wxTreeItemId top = tree.GetItemParent(tree.GetItemParent(letters));
    tree.SelectItem(ChildNamed(tree, top, "Music"));
    wxTEST_DIALOG(dlg.ShowModal(), PressOk());
    EXPECT_EQ(dlg.Path(), root_ + "/Music/");
}

// A folder whose path no path field can hold: OK says so and keeps the
// dialog open; a shorter one is then taken.
TEST_F(BrouseDirDlgTest, AFolderWhosePathIsTooLongIsRefusedWithTheDialogKeptOpen) {
    const std::string shorter = root_ + "/" + std::string(120, 'a');
    const std::string deep = shorter + "/" + std::string(150, 'b');
    fs::create_directories(deep);
    TBrouseDirDlg dlg(nullptr, deep);
    dlg.Show();
    auto pressOk = [&] {
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(dlg.FindWindow(wxID_OK));
        dlg.FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(click);
    };
    wxTEST_DIALOG(pressOk(), ExpectMessage("The folder's path is too long: a path may hold at most 259 bytes"));
    EXPECT_TRUE(dlg.IsShown());
    EXPECT_EQ(dlg.Path(), deep) << "the caller's text, not the refused folder";
    EXPECT_EQ(wxWindow::FindFocus(), &Tree(dlg));

    wxTreeCtrl& tree = Tree(dlg);
    tree.SelectItem(tree.GetItemParent(tree.GetSelection()));
    pressOk();
    EXPECT_FALSE(dlg.IsShown());
    EXPECT_EQ(dlg.Path(), shorter + "/");
}

TEST_F(BrouseDirDlgTest, ExpandingAnItemReadsItsFoldersAfresh) {
    TBrouseDirDlg opened(nullptr, root_);
    wxTreeCtrl& tree = Tree(opened);
    const wxTreeItemId docs = ChildNamed(tree, tree.GetSelection(), "Docs");
    ASSERT_TRUE(docs.IsOk());
    EXPECT_EQ(tree.GetChildrenCount(docs, false), 1u) << "one subfolder in advance";
    fs::create_directories(root_ + "/Docs/Drafts");
    tree.Expand(docs);
    EXPECT_EQ(Texts(tree, docs), (std::vector<wxString>{"Drafts", "Letters", "Reports"}));
    EXPECT_EQ(Texts(tree, ChildNamed(tree, docs, "Letters")), std::vector<wxString>{"old"});

    TBrouseDirDlg empty(nullptr, "");
    wxTreeCtrl& bare = Tree(empty);
    EXPECT_FALSE(bare.GetSelection().IsOk());
    EXPECT_EQ(Texts(bare, bare.GetRootItem()), std::vector<wxString>{"-"}) << "the root is not read yet";
    bare.Expand(bare.GetRootItem());
    EXPECT_TRUE(ChildNamed(bare, bare.GetRootItem(), "tmp").IsOk());
    EXPECT_FALSE(ChildNamed(bare, bare.GetRootItem(), "-").IsOk());
    wxTEST_DIALOG(empty.ShowModal(), PressOk());
    EXPECT_EQ(empty.Path(), "") << "nothing selected: the caller's text comes back";
    bare.SelectItem(bare.GetRootItem());
    wxTEST_DIALOG(empty.ShowModal(), PressOk());
    EXPECT_EQ(empty.Path(), "/");
}

}  // namespace
}  // namespace quarvel
