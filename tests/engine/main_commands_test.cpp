// The main window's command layer: the table, the enabling rules, the status
// bar rule, the clock, the rows that the row commands act on, and the
// project commands with their failure paths.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <tuple>

#include "app/commands.h"
#include "app/preview_model.h"
#include "app/project_commands.h"
#include "app/row_commands.h"
#include "platform/clock.h"
#include "results/list_click.h"
#include "results/project_file.h"
#include "results/row_text.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

TEST(CommandTable, EveryMenuItemAndButtonIsACommandAndEveryKeyIsUnique) {
    std::set<int> inMenu;
    for (const MenuPopup& popup : MainMenu())
        for (int id : popup.items)
            if (id != 0) {
                ASSERT_NE(FindCommand(id), nullptr) << id;
                EXPECT_TRUE(inMenu.insert(id).second) << "twice in the menu: " << id;
            }
    EXPECT_EQ(inMenu.size(), Commands().size());
    std::vector<int> buttons;
    for (int id : ToolBarLayout())
        if (id != 0) buttons.push_back(id);
    EXPECT_EQ(buttons, (std::vector<int>{401, 403, 402, 405, 409, 410, 404, 407}));
    for (const Command& command : Commands()) {
        EXPECT_EQ(command.onToolBar, std::count(buttons.begin(), buttons.end(), command.id) == 1) << command.id;
        // The key hint after the tab names the key the command answers to.
        const std::string text = command.menuText;
        const std::size_t tab = text.find('\t');
        EXPECT_EQ(tab != std::string::npos, command.key != 0) << text;
    }
    std::set<std::tuple<int, bool, bool>> keys;
    for (const Command& command : Commands()) {
        if (command.key != 0) {
            EXPECT_TRUE(keys.insert({command.key, command.alt, command.ctrl}).second) << command.id;
            // The hint names the modifier the key needs.
            const std::string text = command.menuText;
            EXPECT_EQ(text.find("\tCtrl+") != std::string::npos, command.ctrl) << text;
            EXPECT_EQ(text.find("\tAlt+") != std::string::npos, command.alt) << text;
        }
    }
    EXPECT_EQ(FindCommand(kCmConfiguration)->hint, nullptr);
    EXPECT_STREQ(FindCommand(kCmOpen)->menuText, "O&pen\tEnter");
    EXPECT_STREQ(FindCommand(kCmExit)->menuText, "E&xit\tAlt+X");
    ASSERT_EQ(ContextMenu().size(), 3u);
    EXPECT_STREQ(ContextMenu()[2].text, "Open &with...");
}

TEST(CommandTable, EnablingRulesOverEveryState) {
    for (int viewers : {0, 1, 3})
        for (bool query : {false, true})
            for (bool row : {false, true}) {
                const CommandState state{viewers, query, row};
                for (const Command& command : Commands()) {
                    bool expected = true;
                    if (command.id == kCmNew) expected = viewers == 0;
                    if (command.id == kCmSaveProject || command.id == kCmExportList || command.id == kCmInfo)
                        expected = query;
                    if (command.id == kCmView || command.id == kCmOpen || command.id == kCmOpenWith ||
                        command.id == kCmEditAtLine)
                        expected = row;
                    EXPECT_EQ(CommandEnabled(command.id, state), expected)
                        << command.id << " viewers " << viewers << " query " << query << " row " << row;
                }
            }
}

TEST(HitsStatus, CountingThenFilesAndHits) {
    EXPECT_EQ(HitsStatusText(12, 3530, 99, true), "Counting hits: 12 of 3530 files");
    EXPECT_EQ(HitsStatusText(3530, 3530, 81234, false), "3530 files, 81234 hits");
    EXPECT_EQ(HitsStatusText(1, 1, 1, false), "1 file, 1 hit");
    // Stopped before the end, or nothing to count: the files alone.
    EXPECT_EQ(HitsStatusText(7, 3530, 20, false), "3530 files");
    EXPECT_EQ(HitsStatusText(0, 0, 0, false), "0 files");
}

TEST(PreviewModel, OnlyTheLastRequestIsShownAndTheLastRowSaysWhatIsLeft) {
    PreviewModel model;
    EXPECT_EQ(model.Rows(), 0u);
    HitLines two;
    two.lines.resize(2);
    two.lines[1].line = 1234;
    model.Asked(7);
    EXPECT_EQ(model.NoteText(), "Reading...");
    EXPECT_FALSE(model.Told(6, two, true));  // a file asked for before
    EXPECT_EQ(model.Rows(), 1u);
    EXPECT_TRUE(model.Told(7, two, false));
    EXPECT_EQ(model.NoteText(), "Reading more...");
    two.more = 5;
    EXPECT_TRUE(model.Told(7, two, true));
    ASSERT_EQ(model.Rows(), 3u);
    EXPECT_EQ(model.LineAt(2), nullptr);
    EXPECT_EQ(model.NoteText(), "5 more lines");
    EXPECT_EQ(PreviewModel::NumberText(*model.LineAt(1)), "1234:");
    two.more = 0;
    model.Told(7, two, true);
    EXPECT_EQ(model.Rows(), 2u);  // no last row when all are listed
    model.Told(7, HitLines(), true);
    EXPECT_EQ(model.NoteText(), "No line of the file holds a hit now");
    model.Asked(0);
    EXPECT_EQ(model.Rows(), 0u);
    EXPECT_FALSE(model.Told(0, two, true));
}

// The status bar is created visible; each application of the setting must
// leave it as the setting says, whatever came before.
TEST(StatusBarRule, VisibilityFollowsTheSettingThroughAnySequence) {
    const std::vector<std::vector<std::uint32_t>> sequences = {
        {0}, {1}, {0, 0}, {0, 1}, {1, 0, 1, 1}, {5, 1, 0, 7}, {0, 1, 0, 1, 0}};
    for (const auto& sequence : sequences) {
        StatusBarRule rule;
        EXPECT_EQ(rule.State(), 77);
        bool shown = true;
        for (std::uint32_t setting : sequence) {
            if (rule.Apply(setting)) shown = !shown;
            EXPECT_EQ(shown, setting != 0);
            EXPECT_EQ(rule.State(), setting != 0 ? 1 : 0);
        }
    }
}

TEST(Clock, DayFirstThenMonthThenThreeBlanks) {
    EXPECT_EQ(ClockText({7, 12, 1997, 14, 3, 9}), "07/12/1997   14:03:09");
    EXPECT_EQ(ClockText({31, 1, 2107, 0, 0, 0}), "31/01/2107   00:00:00");
}

TEST(ResultCells, FormatsOfTheFiveColumns) {
    TSaveFile file;
    file.name = "report.txt";
    file.folder = "/home/ann";
    file.size = 4294967296ull + 17;  // beyond 4 GiB it shows whole
    file.date = PackDosDate(24, 12, 1995);
    file.time = static_cast<std::uint16_t>((9 << 11) | (5 << 5));
    EXPECT_EQ(CellText(file, 0), "report.txt");
    EXPECT_EQ(CellText(file, 1), "/home/ann/");
    EXPECT_EQ(CellText(file, 2), "4294967313");
    EXPECT_EQ(CellText(file, 3), "24/12/1995");
    EXPECT_EQ(CellText(file, 4), "09:05");
    file.folder = "";  // a file in the root folder
    EXPECT_EQ(CellText(file, 1), "/");
}

// Rows 20 pixels high; the first column's label spans x 0..99.
std::optional<ListRect> RowLabel(int row, int rows) {
    if (row >= rows) return std::nullopt;
    return ListRect{0, row * 20, 100, row * 20 + 20};
}

TEST(ContextMenuRow, OnlyTheFirstColumnsLabelOfAnExistingRowCounts) {
    auto labels = [](int row) { return RowLabel(row, 3); };
    EXPECT_EQ(ClickedRow(5, 0, labels), 0);
    EXPECT_EQ(ClickedRow(99, 59, labels), 2);
    EXPECT_EQ(ClickedRow(100, 10, labels), -1);  // the Folder cell
    EXPECT_EQ(ClickedRow(5, 60, labels), -1);    // below the last row
    EXPECT_EQ(ClickedRow(-1, 10, labels), -1);
    // Rows are asked from 0 up and no further than needed.
    std::vector<int> asked;
    ClickedRow(5, 25, [&](int row) {
        asked.push_back(row);
        return RowLabel(row, 3);
    });
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
    // After the menu: the focused row is selected again, else the clicked one loses its selection.
    EXPECT_EQ(AfterContextMenu(4, 2).select, 4);
    EXPECT_EQ(AfterContextMenu(4, 2).deselect, -1);
    EXPECT_EQ(AfterContextMenu(-1, 2).select, -1);
    EXPECT_EQ(AfterContextMenu(-1, 2).deselect, 2);
}

TSaveFile FileIn(const std::string& folder, const std::string& name) {
    TSaveFile file;
    file.folder = folder;
    file.name = name;
    return file;
}

TEST(CurrentRow, TheRightClickedRowIsUsedOnceAndAVanishedFileIsNoRow) {
    TempFolder folder("quarvel-rows");
    std::ofstream(folder.Path() + "/a.txt") << "a";
    std::ofstream(folder.Path() + "/b.txt") << "b";
    std::filesystem::create_directory(folder.Path() + "/sub");
    const TSaveFileArray found = {FileIn(folder.Path(), "a.txt"), FileIn(folder.Path(), "b.txt"),
                                  FileIn(folder.Path(), "gone.txt"), FileIn(folder.Path(), "sub")};
    int contextRow = -1;
    EXPECT_EQ(ResolveCurrentRow(0, contextRow, found).row, 0);
    contextRow = 1;
    EXPECT_EQ(ResolveCurrentRow(0, contextRow, found).row, 1);  // the right click wins over the selection
    EXPECT_EQ(contextRow, -1);
    EXPECT_EQ(ResolveCurrentRow(0, contextRow, found).row, 0);  // and is used up
    EXPECT_EQ(ResolveCurrentRow(-1, contextRow, found).row, -1);
    EXPECT_FALSE(ResolveCurrentRow(-1, contextRow, found).fileMissing);
    EXPECT_EQ(ResolveCurrentRow(4, contextRow, found).row, -1);  // beyond the found files: no message
    EXPECT_FALSE(ResolveCurrentRow(4, contextRow, found).fileMissing);
    for (int row : {2, 3}) {  // vanished, or a folder by that name
        const CurrentRow current = ResolveCurrentRow(row, contextRow, found);
        EXPECT_EQ(current.row, -1);
        EXPECT_TRUE(current.fileMissing);
    }
}

TEST(ProjectPaths, FolderAndDefaultExtension) {
    EXPECT_EQ(FolderOfPath("/data/x.QRV"), "/data/");
    EXPECT_EQ(FolderOfPath("/da\\ta/x\\y.QRV"), "/da\\ta/");  // a backslash belongs to the name
    EXPECT_EQ(FolderOfPath("x.QRV"), "");
    EXPECT_EQ(WithProjectExtension("/data/result"), "/data/result.QRV");
    EXPECT_EQ(WithProjectExtension("/data/result.qrv"), "/data/result.qrv");
    EXPECT_EQ(WithProjectExtension("/da.ta/result"), "/da.ta/result.QRV");
    EXPECT_EQ(WithProjectExtension("/data/"), "/data/");
    EXPECT_EQ(WithExportExtension("/da.ta/found", ExportFormat::Csv), "/da.ta/found.csv");
    EXPECT_EQ(WithExportExtension("/data/found", ExportFormat::JsonLines), "/data/found.jsonl");
    EXPECT_EQ(WithExportExtension("/data/found.txt", ExportFormat::JsonLines), "/data/found.txt");
}

// A record whose settings a project file can hold and load back.
TSearchCFG ValidRecord() {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDateFrom = cfg.SearchDateBefore = PackDosDate(1, 1, 2000);
    return cfg;
}

class ProjectCommands : public ::testing::Test {
protected:
    ProjectCommands() : folder_("quarvel-project") {
        state_.search = ValidRecord();
        state_.search.SearchString = "alpha";
        state_.search.FoundFiles = {FileIn("/old", "one.txt")};
        state_.ui.PathOpenQV = "/before/";
        state_.ui.PathSaveQV = "/before/";
    }
    std::string Saved(const std::string& expression, std::vector<TSaveFile> found) {
        TSearchCFG cfg = ValidRecord();
        cfg.SearchString = expression;
        cfg.FoundFiles = std::move(found);
        const std::string path = folder_.Path() + "/saved.QRV";
        EXPECT_TRUE(SaveProject(path, cfg).empty());
        return path;
    }
    TempFolder folder_;
    ProgramState state_;
};

TEST_F(ProjectCommands, OpenReplacesTheRecordCompilesAndRemembersTheFolder) {
    const std::string path = Saved("beta+gamma", {FileIn("/x", "1.txt"), FileIn("/y", "2.txt")});
    const OpenProjectOutcome outcome = OpenProject(state_, path);
    EXPECT_EQ(outcome.message, "");
    EXPECT_TRUE(outcome.refill);
    EXPECT_EQ(state_.search.SearchString, "beta+gamma");
    ASSERT_EQ(state_.search.FoundFiles.size(), 2u);
    EXPECT_EQ(state_.search.FoundFiles[1].name.str(), "2.txt");
    ASSERT_NE(state_.query, nullptr);
    EXPECT_EQ(state_.query->TermCount(), 2u);
    EXPECT_EQ(state_.ui.PathOpenQV, folder_.Path() + "/");
}

TEST_F(ProjectCommands, AFailedLoadChangesNothing) {
    state_.query = std::make_unique<Tstr>(state_.search.SearchString, state_.search);
    const Tstr* query = state_.query.get();
    std::ofstream(folder_.Path() + "/bad.QRV") << "[Nothing]\r\n";
    for (const std::string& path : {folder_.Path() + "/bad.QRV", folder_.Path() + "/missing.QRV"}) {
        const OpenProjectOutcome outcome = OpenProject(state_, path);
        EXPECT_FALSE(outcome.refill);
        EXPECT_NE(outcome.message.find(path), std::string::npos) << outcome.message;
        EXPECT_EQ(state_.search.SearchString, "alpha");
        ASSERT_EQ(state_.search.FoundFiles.size(), 1u);
        EXPECT_EQ(state_.query.get(), query);
        EXPECT_EQ(state_.ui.PathOpenQV, "/before/");
    }
}

TEST_F(ProjectCommands, AnExpressionThatDoesNotCompileLeavesTheLoadedRecordWithoutQuery) {
    const std::string path = Saved("(beta", {FileIn("/x", "1.txt")});
    state_.query = std::make_unique<Tstr>(state_.search.SearchString, state_.search);
    const OpenProjectOutcome outcome = OpenProject(state_, path);
    EXPECT_EQ(outcome.message.rfind("Invalid String(s):\n", 0), 0u) << outcome.message;
    EXPECT_TRUE(outcome.messageIsSearchText);
    EXPECT_TRUE(outcome.refill);  // the list shows what the record now holds
    EXPECT_EQ(state_.search.SearchString, "(beta");
    EXPECT_EQ(state_.query, nullptr);
    EXPECT_EQ(state_.ui.PathOpenQV, "/before/");
}

TEST_F(ProjectCommands, SaveNeedsAQueryAndRemembersTheFolderOnlyWhenWritten) {
    const std::string path = folder_.Path() + "/out.QRV";
    EXPECT_EQ(SaveProjectAs(state_, path), "");
    EXPECT_FALSE(std::filesystem::exists(path));  // no compiled query: nothing happens
    state_.query = std::make_unique<Tstr>(state_.search.SearchString, state_.search);
    EXPECT_EQ(SaveProjectAs(state_, folder_.Path() + "/no/such/folder/out.QRV").rfind("Can`t create file ", 0), 0u);
    EXPECT_EQ(state_.ui.PathSaveQV, "/before/");
    state_.search.FoundFiles.push_back(FileIn("/odd", "a,b.txt"));
    const std::string message = SaveProjectAs(state_, path);
    EXPECT_NE(message.find("/odd/a,b.txt"), std::string::npos) << message;
    EXPECT_EQ(state_.ui.PathSaveQV, folder_.Path() + "/");
    TSearchCFG back = ValidRecord();
    LoadProject(path, back);
    ASSERT_EQ(back.FoundFiles.size(), 1u);
    EXPECT_EQ(back.FoundFiles[0].name.str(), "one.txt");
}

}  // namespace
}  // namespace quarvel
