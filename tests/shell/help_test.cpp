#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/msgdlg.h>
#include <wx/treectrl.h>
#include "tests/shell/modal_expect.h"

#include "app/help_wx.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// The help book of the source tree: this file is tests/shell/help_test.cpp.
fs::path BookFolder() { return fs::path(__FILE__).parent_path().parent_path().parent_path() / "help"; }

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<wxHtmlHelpFrame*> HelpFrames() {
    std::vector<wxHtmlHelpFrame*> frames;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* frame = wxDynamicCast(window, wxHtmlHelpFrame)) frames.push_back(frame);
    return frames;
}

// Lets the toolkit draw and delete what is pending.
void Settle(int milliseconds) {
    const wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
    while (wxGetLocalTimeMillis() < end) {
        wxTheApp->Yield(true);
        wxTheApp->ProcessIdle();
        wxMilliSleep(10);
    }
}

// Closes every help window the way its close box does, and waits until they are gone.
void CloseHelpFrames() {
    for (wxHtmlHelpFrame* frame : HelpFrames()) frame->Close(true);
    for (int round = 0; round < 100 && !HelpFrames().empty(); ++round) Settle(20);
    EXPECT_TRUE(HelpFrames().empty()) << "a closed help window is gone";
}

std::string OpenedPage(wxHtmlHelpFrame* frame) {
    wxHtmlWindow* page = frame->GetHelpWindow()->GetHtmlWindow();
    return page ? page->GetOpenedPage().ToStdString() : std::string();
}

// Whether the contents show the book's topics, as a new help window does.
bool TopicsInSight(wxHtmlHelpFrame* frame) {
    wxTreeCtrl* tree = frame->GetHelpWindow()->GetTreeCtrl();
    if (!tree) return false;
    wxTreeItemIdValue cookie;
    const wxTreeItemId book = tree->GetFirstChild(tree->GetRootItem(), cookie);
    return book.IsOk() && tree->IsExpanded(book) && tree->GetChildrenCount(book, false) > 10;
}

struct HelpWindowTest : ::testing::Test {
    ~HelpWindowTest() override { CloseHelpFrames(); }
};

TEST(HelpBookFolders, StartFolderThenInstalledBookThenSourceTree) {
    EXPECT_EQ(HelpBookFolders("/home/me/work", "/usr/local/bin/quarvel"),
              (std::vector<std::string>{"/home/me/work", "/usr/local/share/quarvel/help", "/usr/local/help"}));
    EXPECT_EQ(HelpBookFolders("/home/me", "/work/main/build/quarvel"),
              (std::vector<std::string>{"/home/me", "/work/main/share/quarvel/help", "/work/main/help"}))
        << "a build folder inside the source tree finds the source tree's book";
    EXPECT_EQ(HelpBookFolders("/", "/bin/quarvel"),
              (std::vector<std::string>{"/", "/share/quarvel/help", "/help"}));
    EXPECT_EQ(HelpBookFolders("/tmp", ""), (std::vector<std::string>{"/tmp"})) << "no executable known";
}

TEST_F(HelpWindowTest, F1ShowsTheContentsAndASecondF1ReusesTheWindow) {
    ASSERT_TRUE(fs::exists(BookFolder() / kHelpBookFile)) << BookFolder();
    ShowHelpContents(nullptr, BookFolder().string());
    Settle(300);
    std::vector<wxHtmlHelpFrame*> frames = HelpFrames();
    ASSERT_EQ(frames.size(), 1u);
    wxHtmlHelpFrame* frame = frames[0];
    EXPECT_TRUE(frame->IsShown());
    EXPECT_NE(OpenedPage(frame).find("index.html"), std::string::npos) << OpenedPage(frame);
    EXPECT_TRUE(frame->GetTitle().StartsWith("Quarvel Help: ")) << frame->GetTitle();
    wxTreeCtrl* contents = frame->GetHelpWindow()->GetTreeCtrl();
    ASSERT_TRUE(contents);
    EXPECT_GT(contents->GetCount(), 15u) << "every page has its entry in the contents";
    EXPECT_TRUE(TopicsInSight(frame));

    ShowHelpContents(nullptr, BookFolder().string());
    Settle(100);
    EXPECT_EQ(HelpFrames(), std::vector<wxHtmlHelpFrame*>{frame}) << "the one window comes forward again";

    CloseHelpFrames();
    ShowHelpContents(nullptr, BookFolder().string());
    Settle(200);
    ASSERT_EQ(HelpFrames().size(), 1u) << "after its window was closed, F1 opens a new one";
    EXPECT_TRUE(HelpFrames()[0]->IsShown());
}

TEST_F(HelpWindowTest, AWindowDeletedWithoutClosingIsNotUsedAgain) {
    // As when the program ends with the help open: the toolkit deletes every window left.
    ShowHelpContents(nullptr, BookFolder().string());
    Settle(200);
    ASSERT_EQ(HelpFrames().size(), 1u);
    delete HelpFrames()[0];
    EXPECT_TRUE(HelpFrames().empty());
    ShowHelpContents(nullptr, BookFolder().string());
    Settle(200);
    ASSERT_EQ(HelpFrames().size(), 1u);
    EXPECT_TRUE(HelpFrames()[0]->IsShown());
    EXPECT_TRUE(TopicsInSight(HelpFrames()[0])) << "set up as a new window";
}

TEST_F(HelpWindowTest, TheFirstFolderThatHoldsTheBookIsUsed) {
    TempFolder empty("quarvel-help-none");
    TempFolder copy("quarvel-help-copy");
    for (const fs::directory_entry& file : fs::directory_iterator(BookFolder()))
        fs::copy_file(file.path(), fs::path(copy.Path()) / file.path().filename());

    ShowHelpContentsFrom(nullptr, {empty.Path(), copy.Path(), BookFolder().string()});
    Settle(200);
    ASSERT_EQ(HelpFrames().size(), 1u);
    EXPECT_NE(OpenedPage(HelpFrames()[0]).find(copy.Path()), std::string::npos) << OpenedPage(HelpFrames()[0]);

    ShowHelpContentsFrom(nullptr, {empty.Path(), BookFolder().string()});
    Settle(200);
    ASSERT_EQ(HelpFrames().size(), 1u) << "another book replaces the window of the first";
    EXPECT_NE(OpenedPage(HelpFrames()[0]).find(BookFolder().string()), std::string::npos)
        << OpenedPage(HelpFrames()[0]);
}

// The message box shown when there is no book: its caption and text are kept for the test.
class ExpectNoBookMessage : public wxExpectModalBase<wxMessageDialog, ExpectNoBookMessage> {
public:
    struct Seen {
        wxString caption, text;
    };
    explicit ExpectNoBookMessage(std::shared_ptr<Seen> seen) : seen_(std::move(seen)) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override {
        seen_->caption = dlg->GetCaption();
        seen_->text = dlg->GetMessage();
        return wxID_OK;
    }

private:
    std::shared_ptr<Seen> seen_;
};

TEST(HelpWithoutBook, AMessageNamesThePlacesLookedIn) {
    TempFolder first("quarvel-help-first");
    TempFolder second("quarvel-help-second");
    auto seen = std::make_shared<ExpectNoBookMessage::Seen>();
    wxTEST_DIALOG(ShowHelpContentsFrom(nullptr, {first.Path(), second.Path()}),
                  ExpectNoBookMessage(seen).Describe("no help book"));
    EXPECT_EQ(seen->caption, "Quarvel");
    EXPECT_TRUE(seen->text.Contains(kHelpBookFile)) << seen->text;
    EXPECT_TRUE(seen->text.Contains(first.Path() + "\n")) << seen->text;
    EXPECT_TRUE(seen->text.EndsWith(second.Path())) << seen->text;
    Settle(50);
    EXPECT_TRUE(HelpFrames().empty()) << "no help window without a book";
}

// --- The book itself -------------------------------------------------------

// The values of the [OPTIONS] keys and the lines of [FILES] of the project file.
struct Project {
    std::map<std::string, std::string> options;
    std::vector<std::string> files;
};

Project ReadProject() {
    Project project;
    std::istringstream lines(ReadAll(BookFolder() / kHelpBookFile));
    std::string line, section;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.front() == '[') {
            section = line;
        } else if (section == "[OPTIONS]") {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos) project.options[line.substr(0, eq)] = line.substr(eq + 1);
        } else if (section == "[FILES]") {
            project.files.push_back(line);
        }
    }
    return project;
}

// Every value of a regular expression's first group in a text.
std::vector<std::string> AllMatches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex re(pattern, std::regex::icase);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str());
    return found;
}

// Whether a link of the book ("page.html" or "page.html#anchor") leads somewhere.
void ExpectLinkHolds(const std::string& link, const std::string& from) {
    const std::size_t hash = link.find('#');
    const std::string file = link.substr(0, hash);
    const fs::path target = BookFolder() / file;
    ASSERT_FALSE(file.empty()) << from << ": " << link;
    ASSERT_TRUE(fs::is_regular_file(target)) << from << " links to a missing file: " << link;
    if (hash == std::string::npos) return;
    const std::string anchor = link.substr(hash + 1);
    const std::vector<std::string> names = AllMatches(ReadAll(target), "<a\\s+name=\"([^\"]+)\"");
    EXPECT_NE(std::find(names.begin(), names.end(), anchor), names.end())
        << from << " links to a missing anchor: " << link;
}

std::set<std::string> PagesOfTheFolder() {
    std::set<std::string> pages;
    for (const fs::directory_entry& file : fs::directory_iterator(BookFolder()))
        if (file.path().extension() == ".html") pages.insert(file.path().filename().string());
    return pages;
}

TEST(HelpBook, TheProjectNamesItsContentsIndexStartPageAndEveryPage) {
    const Project project = ReadProject();
    for (const char* key : {"Contents file", "Index file", "Default topic"}) {
        ASSERT_EQ(project.options.count(key), 1u) << key;
        EXPECT_TRUE(fs::is_regular_file(BookFolder() / project.options.at(key))) << key;
    }
    EXPECT_EQ(project.options.at("Default topic"), "index.html");
    for (const std::string& file : project.files)
        EXPECT_TRUE(fs::is_regular_file(BookFolder() / file)) << "[FILES] names a missing page: " << file;
    const std::set<std::string> listed(project.files.begin(), project.files.end());
    EXPECT_EQ(listed, PagesOfTheFolder()) << "every page of the folder is in [FILES], so the help's search finds it";
}

TEST(HelpBook, ContentsAndIndexLeadToPagesAndAnchorsThatExist) {
    const Project project = ReadProject();
    std::set<std::string> inContents;
    for (const char* key : {"Contents file", "Index file"}) {
        const std::string file = project.options.at(key);
        const std::vector<std::string> locals =
            AllMatches(ReadAll(BookFolder() / file), "<param\\s+name=\"Local\"\\s+value=\"([^\"]+)\"");
        EXPECT_GT(locals.size(), 10u) << file;
        for (const std::string& local : locals) {
            ExpectLinkHolds(local, file);
            if (key == std::string("Contents file")) inContents.insert(local.substr(0, local.find('#')));
        }
    }
    EXPECT_EQ(inContents, PagesOfTheFolder()) << "every page has its place in the contents";
}

TEST(HelpBook, EveryLocalLinkOfEveryPageHolds) {
    int links = 0;
    for (const std::string& page : PagesOfTheFolder()) {
        const std::string text = ReadAll(BookFolder() / page);
        EXPECT_EQ(AllMatches(text, "<title>([^<]+)</title>").size(), 1u) << page << " has a title";
        for (const std::string& link : AllMatches(text, "(?:href|src)=\"([^\"]*)\"")) {
            if (link.rfind("http:", 0) == 0 || link.rfind("https:", 0) == 0 || link.rfind("mailto:", 0) == 0)
                continue;
            ++links;
            ExpectLinkHolds(link.front() == '#' ? page + link : link, page);
        }
    }
    EXPECT_GT(links, 50);
}

TEST(HelpBook, EveryFileIsPlainAsciiAndInstalled) {
    // The pages use character references for anything beyond ASCII, so no
    // character set has to be guessed; the install rules copy these kinds of file.
    const std::set<std::string> installed{".hhp", ".hhc", ".hhk", ".html", ".png"};
    for (const fs::directory_entry& file : fs::directory_iterator(BookFolder())) {
        const std::string name = file.path().filename().string();
        if (name == "install.cmake") continue;
        EXPECT_EQ(installed.count(file.path().extension().string()), 1u) << name << " would not be installed";
        const std::string text = ReadAll(file.path());
        for (unsigned char c : text)
            if (c >= 0x80) {
                ADD_FAILURE() << name << " holds a byte beyond ASCII";
                break;
            }
    }
}

}  // namespace
}  // namespace quarvel
