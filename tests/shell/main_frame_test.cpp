// The main window driven through its commands: a search fills the list,
// Cancel keeps what was found, projects go out and come back, a bad project
// changes nothing, and the list's right click picks the row it should.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>

#include <gio/gio.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "tests/shell/settle.h"
#include "app/main_frame_wx.h"
#include "app/main_status_bar_wx.h"
#include "app/preview_pane_wx.h"
#include "app/program_state.h"
#include "dialogs/setup_dlg_wx.h"
#include "platform/clock.h"
#include "results/results_list_wx.h"
#include "search/proces_dlg_wx.h"
#include "tests/shell/modal_expect.h"
#include "dialogs/open_with_dlg_wx.h"
#include "dialogs/open_with_model.h"
#include "viewer/view_dlg_wx.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {


// OK in the search dialog, which stores the form as it stands.
class ConfirmSearch : public wxExpectModalBase<TSetupDlg, ConfirmSearch> {
protected:
    int OnInvoked(TSetupDlg* dialog) const override {
        return dialog->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    }
};

class MainFrame : public ::testing::Test {
protected:
    MainFrame() : tree_("quarvel-main") {
        Write("a.txt", "alpha beta");
        Write("sub/b.txt", "alpha");
        Write("c.txt", "beta only");
        Write("d.log", "alpha");
        state_.search.SetDefaults();
        state_.search.SearchDefaultPath = tree_.Path();
        state_.search.SearchFilesMask = "*.txt";
        state_.search.SearchString = "alpha";
        state_.search.SearchIncludeSubDir = 1;
        state_.search.SearchDateFrom = state_.search.SearchDateBefore = PackDosDate(1, 1, 2000);
        state_.search.DeriveWindows(TodayDosDate());
        state_.ui.StatusBar = 1;
        frame_ = new TMainFrame(state_);
        frame_->SetSize(0, 0, 800, 500);
        frame_->Show();
        frame_->ApplyHintModeAndStatusBar();
        Settle(100);
    }
    ~MainFrame() override {
        frame_->Destroy();
        Settle(50);
    }
    void Write(const std::string& name, const std::string& text) {
        const std::filesystem::path path = tree_.Path() + "/" + name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    void Issue(int command) {
        wxCommandEvent event(wxEVT_MENU, command);
        frame_->ProcessWindowEvent(event);
    }
    bool MenuEnabled(int command) {
        frame_->DoMenuUpdates();
        return frame_->GetMenuBar()->IsEnabled(command);
    }
    // The first two columns of every row, as "folder/name".
    std::set<std::string> Rows() {
        std::set<std::string> rows;
        TListWindow1* list = frame_->List();
        for (long row = 0; row < list->GetItemCount(); ++row)
            rows.insert((list->GetItemText(row, 1) + list->GetItemText(row, 0)).ToStdString());
        return rows;
    }
    void SearchThroughNew() { wxTEST_DIALOG(Issue(kCmNew), ConfirmSearch()); }

    TempFolder tree_;
    ProgramState state_;
    TMainFrame* frame_;
};

TEST_F(MainFrame, NewSearchFillsTheListAndEnablesSaveAndInfo) {
    EXPECT_FALSE(MenuEnabled(kCmSaveProject));
    EXPECT_FALSE(MenuEnabled(kCmInfo));
    EXPECT_FALSE(MenuEnabled(kCmView));
    SearchThroughNew();
    const std::set<std::string> expected = {tree_.Path() + "/a.txt", tree_.Path() + "/sub/b.txt"};
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(state_.search.FoundFiles.size(), 2u);
    EXPECT_TRUE(MenuEnabled(kCmSaveProject));
    EXPECT_TRUE(MenuEnabled(kCmInfo));
    frame_->List()->SelectRow(1, true);
    EXPECT_TRUE(MenuEnabled(kCmView));
    EXPECT_TRUE(MenuEnabled(kCmOpenWith));
    state_.openViewers = 1;
    EXPECT_FALSE(MenuEnabled(kCmNew));
    state_.openViewers = 0;
    EXPECT_TRUE(MenuEnabled(kCmNew));

    // A second search that finds nothing empties the list and says so.
    state_.search.SearchString = "omega";
    wxTEST_DIALOG(Issue(kCmNew), ConfirmSearch(),
                  ExpectMessage("String(s) not found"));
    EXPECT_EQ(frame_->List()->GetItemCount(), 0);
}

// Presses Cancel as the third file is found.
class CancelledRun : public TProcesDlg {
public:
    using TProcesDlg::TProcesDlg;
    // On the run's thread, as the run commits the row.
    void AddFoundRow(const TSaveFile& record) override {
        TProcesDlg::AddFoundRow(record);
        if (++found_ == 3) OnCancel();
    }

private:
    int found_ = 0;
};

TEST_F(MainFrame, CancelKeepsTheRowsFoundSoFar) {
    for (int i = 0; i < 12; ++i) Write("many/f" + std::to_string(i) + ".txt", "alpha");
    GTestModalHook noDialogs;
    CancelledRun run(frame_->Client(), "Search", frame_->List(), state_.search, state_.query);
    EXPECT_EQ(run.ShowModal(), wxID_CANCEL);
    EXPECT_EQ(state_.search.FoundFiles.size(), 3u);
    EXPECT_EQ(frame_->List()->GetItemCount(), 3);
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_FALSE(run.IsShown());
    noDialogs.CheckUnmetExpectations();
}

// A message box of the run answered while it checks what the list shows.
class AtMessage : public wxExpectModalBase<wxMessageDialog, AtMessage> {
public:
    explicit AtMessage(std::function<void(wxMessageDialog*)> check) : check_(std::move(check)) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        check_(dialog);
        return wxID_OK;
    }

private:
    std::function<void(wxMessageDialog*)> check_;
};

// A refined run that meets a file gone or changed tells so while the rows it
// found before stand in the list.
TEST_F(MainFrame, ARefinedRunShowsItsRowsBeforeItsMessages) {
    for (const std::string told : {"File is changed:\n", "File not found:\n"}) {
        state_.search.SearchRefined = 0;
        SearchThroughNew();
        ASSERT_EQ(state_.search.FoundFiles.size(), 2u);
        const std::string second = state_.search.FoundFiles[1].Path();
        if (told == "File not found:\n")
            std::filesystem::remove(second);
        else
            std::ofstream(second, std::ios::app) << " alpha again";
        state_.search.SearchRefined = 1;
        wxTEST_DIALOG(Issue(kCmNew), ConfirmSearch(), AtMessage([&](wxMessageDialog* box) {
                          EXPECT_EQ(box->GetMessage().utf8_string(), told + second);
                          EXPECT_EQ(frame_->List()->GetItemCount(), 1) << "the row found before it, at once";
                      }));
    }
}

TEST_F(MainFrame, ProjectSavedAndOpenedBackRefillsTheList) {
    SearchThroughNew();
    const std::set<std::string> found = Rows();
    const std::string project = tree_.Path() + "/saved.QRV";
    frame_->SaveProjectFile(project);
    EXPECT_EQ(state_.ui.PathSaveQV, tree_.Path() + "/");

    state_.search.SearchString = "beta";
    SearchThroughNew();
    ASSERT_NE(Rows(), found);
    frame_->OpenProjectFile(project);
    EXPECT_EQ(Rows(), found);
    EXPECT_EQ(state_.search.SearchString, "alpha");
    EXPECT_EQ(state_.ui.PathOpenQV, tree_.Path() + "/");
    EXPECT_NE(state_.query, nullptr);
}

TEST_F(MainFrame, AFailingProjectLoadLeavesListSearchAndFolder) {
    SearchThroughNew();
    const std::set<std::string> found = Rows();
    const Tstr* query = state_.query.get();
    state_.ui.PathOpenQV = "/remembered/";
    const std::string bad = tree_.Path() + "/bad.QRV";
    std::ofstream(bad) << "[Nothing]\r\nx,y\r\n";
    wxTEST_DIALOG(frame_->OpenProjectFile(bad),
                  ExpectMessage(wxString("Invalid format file ") + bad));
    EXPECT_EQ(Rows(), found);
    EXPECT_EQ(state_.search.SearchString, "alpha");
    EXPECT_EQ(state_.query.get(), query);
    EXPECT_EQ(state_.ui.PathOpenQV, "/remembered/");
}

TEST_F(MainFrame, ARowWhoseFileVanishedIsNotFound) {
    SearchThroughNew();
    TListWindow1* list = frame_->List();
    list->SelectRow(0, true);
    std::filesystem::remove(list->GetItemText(0, 1).ToStdString() + list->GetItemText(0, 0).ToStdString());
    wxTEST_DIALOG(Issue(kCmView), ExpectMessage("File not found"));
}

TEST_F(MainFrame, RightClickPicksTheLabelsRowAndGivesTheSelectionBack) {
    SearchThroughNew();
    TListWindow1* list = frame_->List();
    list->SetItemState(0, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED);
    int menuRow = -2, selectedDuringMenu = -2;
    list->Bind(wxEVT_MENU, [&](wxCommandEvent&) {
        menuRow = list->ClickedRow();
        selectedDuringMenu = list->SelectedRow();
    }, kCmShowContextMenu);

    // A real right press over the second row's name.
    wxRect label;
    ASSERT_TRUE(list->GetSubItemRect(1, 0, label, wxLIST_RECT_LABEL));
    const wxPoint onLabel = list->ClientToScreen(label.GetPosition() + wxPoint(10, label.height / 2));
    frame_->Raise();
    wxUIActionSimulator mouse;
    mouse.MouseMove(onLabel);
    Settle(100);
    mouse.MouseClick(wxMOUSE_BTN_RIGHT);
    for (int wait = 0; wait < 100 && menuRow == -2; ++wait) Settle(20);
    EXPECT_EQ(menuRow, 1);
    EXPECT_EQ(selectedDuringMenu, 1);
    EXPECT_EQ(list->SelectedRow(), 0);  // back to the focused row

    // On the Folder cell of a row, or below the last row: nothing.
    menuRow = -2;
    list->RightClickAt(label.GetPosition() + wxPoint(list->GetColumnWidth(0) + 10, label.height / 2));
    list->RightClickAt(label.GetPosition() + wxPoint(10, 10 * label.height));
    EXPECT_EQ(menuRow, -2);
    EXPECT_EQ(list->SelectedRow(), 0);
}

TViewDlg* OpenViewer() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* viewer = dynamic_cast<TViewDlg*>(window); viewer && !viewer->IsBeingDeleted()) return viewer;
    return nullptr;
}

// Keys go to the window under the pointer on a display without a window manager.
void PointAt(wxWindow* window) {
    window->Raise();
    const wxRect area = window->GetScreenRect();
    wxUIActionSimulator().MouseMove(area.x + area.width / 2, area.y + area.height / 2);
    Settle(150);
}

TEST_F(MainFrame, ViewOpensTheRowsFileAndKeysStepAndCopy) {
    std::string text;
    for (int i = 0; i < 60; ++i) text += i % 20 == 10 ? "an alpha line\n" : "filler\n";
    Write("many.txt", text);
    state_.search.SearchFilesMask = "many.txt";
    SearchThroughNew();
    ASSERT_EQ(frame_->List()->GetItemCount(), 1);
    frame_->List()->SelectRow(0, true);
    EXPECT_TRUE(MenuEnabled(kCmNew));
    Issue(kCmView);
    TViewDlg* viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    viewer->SetSize(0, 0, 500, 300);
    Settle(300);
    EXPECT_EQ(viewer->GetTitle(), wxString(tree_.Path() + "/many.txt (line:1/0%)"));
    EXPECT_EQ(viewer->Model().ScrollPosition(), 0u);
    EXPECT_EQ(viewer->Model().ReadRows(1)[0].text, "filler");
    EXPECT_EQ(state_.openViewers, 1);
    EXPECT_FALSE(MenuEnabled(kCmNew));

    PointAt(viewer->Canvas());
    wxUIActionSimulator keys;
    keys.Char(WXK_F3);
    Settle(200);
    EXPECT_EQ(viewer->Model().TopLine(), 10u);
    keys.Char(WXK_F3);
    Settle(200);
    EXPECT_EQ(viewer->Model().TopLine(), 30u);
    keys.Char(WXK_F3, wxMOD_SHIFT);
    Settle(200);
    EXPECT_EQ(viewer->Model().TopLine(), 10u);
    EXPECT_EQ(viewer->GetTitle().AfterLast(':'), wxString::Format("11/%d%%)", int(10 * 7 * 100 / text.size())));

    keys.Char('a', wxMOD_CONTROL);
    keys.Char('c', wxMOD_CONTROL);
    Settle(200);
    wxTextDataObject copied;
    ASSERT_TRUE(wxTheClipboard->Open());
    EXPECT_TRUE(wxTheClipboard->GetData(copied));
    wxTheClipboard->Close();
    EXPECT_EQ(copied.GetText(), wxString(text));

    viewer->Close();
    Settle(100);
    EXPECT_EQ(state_.openViewers, 0);
    EXPECT_TRUE(MenuEnabled(kCmNew));
}

// Types a program into Open with and presses OK.
class ChooseProgram : public wxExpectModalBase<TOpenWithDlg, ChooseProgram> {
public:
    explicit ChooseProgram(std::string program) : program_(std::move(program)) {}

protected:
    int OnInvoked(TOpenWithDlg* dialog) const override {
        static_cast<wxComboBox*>(dialog->FindWindow(kOpenWithProgram))->SetValue(wxString::FromUTF8(program_));
        return dialog->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    }

private:
    std::string program_;
};

TEST_F(MainFrame, OpenOnATypeWithoutAHandlerGoesOnAsOpenWithOnTheRightClickedRow) {
    for (const char* name : {"one.zzqv", "two.zzqv"}) Write(name, std::string("\x01\x02\x03 alpha \xff"));
    gboolean uncertain = false;
    gchar* type = g_content_type_guess((tree_.Path() + "/one.zzqv").c_str(), nullptr, 0, &uncertain);
    GAppInfo* handler = g_app_info_get_default_for_type(type, FALSE);
    g_free(type);
    if (handler) {
        g_object_unref(handler);
        GTEST_SKIP() << "this desktop has a program for any file";
    }
    const std::string script = tree_.Path() + "/args.sh", received = tree_.Path() + "/args.txt";
    Write("args.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + received + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    state_.search.SearchFilesMask = "*.zzqv";
    state_.search.SearchIncludeSubDir = 0;
    SearchThroughNew();
    TListWindow1* list = frame_->List();
    ASSERT_EQ(list->GetItemCount(), 2);
    list->SelectRow(0, true);
    state_.contextMenuRow = 1;  // as a right click on the second row leaves it
    wxTEST_DIALOG(Issue(kCmOpen), ChooseProgram(script));
    EXPECT_EQ(state_.contextMenuRow, -1);
    EXPECT_EQ(state_.ui.ProgramHistory.at(0), script);
    std::string arguments;
    for (int wait = 0; wait < 100 && arguments.empty(); ++wait) {
        Settle(20);
        std::ifstream in(received);
        std::getline(in, arguments, '\0');
    }
    EXPECT_EQ(arguments, (list->GetItemText(1, 1) + list->GetItemText(1, 0)).ToStdString() + "\n");
}

// Whatever the digits, the clock's text as shown (centred by blanks) fits its
// pane in the font the bar draws with, and the pane lies within the bar.
TEST_F(MainFrame, TheClockPaneHoldsItsWholeTextInTheBarsFont) {
    wxStatusBar* bar = frame_->GetStatusBar();
    wxRect pane;
    ASSERT_TRUE(bar->GetFieldRect(TMainStatusBar::kClockPane, pane));
    EXPECT_LE(pane.GetRight(), bar->GetClientSize().x);
    const wxString shown = bar->GetStatusText(TMainStatusBar::kClockPane);
    const wxString indent(' ', shown.find_first_not_of(' '));
    // A size grip is drawn over the last pane and takes its width (a square
    // as high as the bar) from the room for the pane's text.
    const int grip = bar->HasFlag(wxSTB_SIZEGRIP) ? bar->GetSize().y : 0;
    for (int d = 0; d <= 9; ++d) {
        const wxString text = indent + ClockText({d * 11, d * 11, d * 1111, d * 11, d * 11, d * 11});
        // The bar draws a text a few pixels in from the pane's edges.
        EXPECT_LE(bar->GetTextExtent(text).x + bar->FromDIP(8), pane.width - grip) << text;
    }
}

TEST_F(MainFrame, StatusBarFollowsTheSettingAtStartAndAfterOptions) {
    EXPECT_TRUE(frame_->GetStatusBar()->IsShown());
    state_.ui.StatusBar = 0;
    frame_->ApplyHintModeAndStatusBar();
    EXPECT_FALSE(frame_->GetStatusBar()->IsShown());
    frame_->ApplyHintModeAndStatusBar();
    EXPECT_FALSE(frame_->GetStatusBar()->IsShown());
    state_.ui.StatusBar = 1;
    frame_->ApplyHintModeAndStatusBar();
    EXPECT_TRUE(frame_->GetStatusBar()->IsShown());
}

}  // namespace
}  // namespace quarvel

namespace quarvel {
namespace {

// After a search the hits are counted beside the window, the preview shows
// the selected file's lines, the list sorts by a header and exports as shown,
// and the row commands act on the file under the cursor whatever the order.
TEST_F(MainFrame, HitsPreviewSortingAndExportFollowTheFileUnderTheCursor) {
    std::string many;
    for (int i = 0; i < 60; ++i) many += i % 20 == 10 ? "an alpha line\n" : "filler\n";
    Write("many.txt", many);
    Write("lots.txt", "alpha alpha\nalpha\n");
    state_.search.SearchWithin = kWithinLine;
    state_.ui.PreviewPane = 1;
    SearchThroughNew();
    TListWindow1* list = frame_->List();
    ASSERT_EQ(list->GetItemCount(), 4);
    for (int i = 0; i < 100 && list->GetItemText(list->GetItemCount() - 1, 5).empty(); ++i) {
        Settle(50);
        frame_->ShowHitsCounted();
    }
    std::map<std::string, std::string> hits;
    for (long row = 0; row < list->GetItemCount(); ++row)
        hits[list->GetItemText(row, 0).ToStdString()] = list->GetItemText(row, 5).ToStdString();
    EXPECT_EQ(hits, (std::map<std::string, std::string>{{"a.txt", "1"}, {"b.txt", "1"}, {"many.txt", "3"},
                                                          {"lots.txt", "3"}}));
    EXPECT_EQ(frame_->GetStatusBar()->GetStatusText(0), "4 files, 8 hits");

    // The preview of many.txt: its three lines, numbered in the file.
    long manyRow = list->FindItem(-1, "many.txt");
    ASSERT_GE(manyRow, 0);
    list->SetItemState(manyRow, wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED,
                       wxLIST_STATE_FOCUSED | wxLIST_STATE_SELECTED);
    TPreviewPane* preview = frame_->Preview();
    for (int i = 0; i < 100 && preview->Model().NoteText() != ""; ++i) Settle(20);
    ASSERT_EQ(preview->Model().Rows(), 3u);
    EXPECT_EQ(preview->Model().LineAt(1)->line, 31u);
    EXPECT_EQ(preview->Model().LineAt(1)->text, "an alpha line");
    EXPECT_EQ(preview->Model().LineAt(1)->marks, (std::vector<TextMark>{{3, 5}}));
    // A double click on the second line opens the viewer at its hit, as F3 twice would.
    preview->SetSelection(1);
    wxCommandEvent click(wxEVT_LISTBOX_DCLICK, preview->GetId());
    click.SetEventObject(preview);
    preview->ProcessWindowEvent(click);
    TViewDlg* viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->Model().TopLine(), 30u);
    viewer->Close();
    Settle(100);

    // By hits, fewest first; ties keep the found order; the selection stays on many.txt.
    const int manyFound = list->SelectedFile();
    list->SortBy(5);
    std::vector<std::string> names;
    for (long row = 0; row < list->GetItemCount(); ++row) names.push_back(list->GetItemText(row, 0).ToStdString());
    std::vector<std::string> foundOrder;
    for (const TSaveFile& f : state_.search.FoundFiles) foundOrder.push_back(f.name.str());
    std::vector<std::string> expected;
    for (const char* count : {"1", "3"})
        for (const std::string& name : foundOrder)
            if (hits[name] == count) expected.push_back(name);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(list->SelectedFile(), manyFound);
    EXPECT_EQ(list->GetItemText(list->SelectedRow(), 0), "many.txt");
    // View acts on the row under the cursor, not on the found file of that row number.
    Issue(kCmView);
    viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    Settle(300);
    EXPECT_EQ(viewer->GetTitle().BeforeFirst(' '), wxString(tree_.Path() + "/many.txt"));
    viewer->Close();
    Settle(100);

    // Export writes the rows as shown, in the sorted order, with their hits.
    const std::string csv = tree_.Path() + "/out.csv";
    frame_->ExportListTo(csv, ExportFormat::Csv);
    std::ifstream in(csv);
    std::string header, line;
    std::getline(in, header);
    EXPECT_EQ(header, "path,folder,name,size,date,time,hits\r");
    std::vector<std::string> exported;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        for (std::size_t from = 0, comma; from <= line.size(); from = comma + 1) {
            comma = std::min(line.find(',', from), line.size());
            fields.push_back(line.substr(from, comma - from));
        }
        ASSERT_EQ(fields.size(), 7u) << line;
        EXPECT_EQ(fields[6], hits[fields[2]] + "\r") << line;
        exported.push_back(fields[2]);
    }
    EXPECT_EQ(exported, expected);

    // A third click returns to the found order; the pane hides and comes back.
    list->SortBy(5);
    list->SortBy(5);
    EXPECT_EQ(list->GetItemText(0, 0).ToStdString(), foundOrder[0]);
    Issue(kCmPreviewPane);
    EXPECT_EQ(state_.ui.PreviewPane, 0u);
    EXPECT_FALSE(preview->IsShown());
    Issue(kCmPreviewPane);
    EXPECT_EQ(state_.ui.PreviewPane, 1u);
    EXPECT_TRUE(preview->IsShown());

    // Esc stops a count under way: the files left show no hits, and the window stays.
    for (int i = 0; i < 3000; ++i) Write("more/m" + std::to_string(i) + ".txt", std::string(2000, 'x') + " alpha\n");
    SearchThroughNew();
    ASSERT_GT(list->GetItemCount(), 3000);
    // At once, while the pass (started again here) is still at its first files.
    frame_->StartAfterSearch();
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    escape.SetEventObject(list);
    frame_->ProcessWindowEvent(escape);
    Settle(300);
    frame_->ShowHitsCounted();
    EXPECT_TRUE(frame_->IsShown());
    EXPECT_EQ(frame_->GetStatusBar()->GetStatusText(0), wxString::Format("%d files", list->GetItemCount()));
    EXPECT_TRUE(list->GetItemText(list->GetItemCount() - 1, 5).empty());
}

}  // namespace
}  // namespace quarvel
