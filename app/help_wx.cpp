#include "app/help_wx.h"

#include <sys/stat.h>

#include <memory>

#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/msgdlg.h>
#include <wx/splitter.h>
#include <wx/stdpaths.h>
#include <wx/treectrl.h>

#include "platform/first_show_wx.h"
#include "platform/text_wx.h"

namespace quarvel {

namespace {

const wxSize kHelpWindowSize(960, 700);

// The folder of a path: everything before its last "/" ("/" for a name in the root).
std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return std::string();
    return cut == 0 ? std::string("/") : path.substr(0, cut);
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The help window's frame, while there is one. The toolkit tells the
// controller when its help window goes, whether it is closed or deleted with
// every window left as the program ends, so the frame is asked for afresh
// each time rather than kept.
wxHtmlHelpFrame* FrameOf(wxHtmlHelpController& controller) {
    wxHtmlHelpWindow* window = controller.GetHelpWindow();
    return window ? wxDynamicCast(wxGetTopLevelParent(window), wxHtmlHelpFrame) : nullptr;
}

// The help controller whose window is sized and laid out before the toolkit
// shows it, so that its lists and trees never meet their first, tiny size.
class LaidOutHelpController : public wxHtmlHelpController {
public:
    using wxHtmlHelpController::wxHtmlHelpController;

protected:
    wxHtmlHelpFrame* CreateHelpFrame(wxHtmlHelpData* data) override {
        wxHtmlHelpFrame* frame = wxHtmlHelpController::CreateHelpFrame(data);
        frame->SetSize(frame->FromDIP(kHelpWindowSize));
        LayOutBeforeShowing(*frame);
        PrepareFirstShow(*frame);
        return frame;
    }
};

// Shows the contents; a new window gets a contents column wide enough for
// its titles, and the book's topics in sight.
void ShowContents(wxHtmlHelpController& controller) {
    const bool fresh = FrameOf(controller) == nullptr;
    controller.DisplayContents();
    wxHtmlHelpFrame* frame = FrameOf(controller);
    if (!frame || !fresh) return;
    wxHtmlHelpWindow* window = frame->GetHelpWindow();
    if (wxSplitterWindow* split = window->GetSplitterWindow()) split->SetSashPosition(frame->FromDIP(290));
    if (wxTreeCtrl* tree = window->GetTreeCtrl()) {
        wxTreeItemIdValue cookie;
        const wxTreeItemId book = tree->GetFirstChild(tree->GetRootItem(), cookie);
        if (book.IsOk()) tree->Expand(book);
    }
}

// The one viewer of the run and the book it holds.
struct HelpViewer {
    std::unique_ptr<wxHtmlHelpController> controller;
    std::string book;
};

HelpViewer& Viewer() {
    static HelpViewer viewer;
    return viewer;
}

}  // namespace

std::vector<std::string> HelpBookFolders(const std::string& startFolder, const std::string& executablePath) {
    std::vector<std::string> folders{startFolder};
    const std::string prefix = FolderOf(FolderOf(executablePath));
    if (!executablePath.empty()) {
        folders.push_back(Joined(prefix.empty() ? "/" : prefix, "share/quarvel/help"));
        folders.push_back(Joined(prefix.empty() ? "/" : prefix, "help"));
    }
    return folders;
}

void ShowHelpContents(wxWindow* owner, const std::string& startFolder) {
    const std::string executable = ToFileName(wxStandardPaths::Get().GetExecutablePath());
    ShowHelpContentsFrom(owner, HelpBookFolders(startFolder, executable));
}

void ShowHelpContentsFrom(wxWindow* owner, const std::vector<std::string>& folders) {
    std::string book;
    for (const std::string& folder : folders) {
        const std::string candidate = Joined(folder, kHelpBookFile);
        if (IsFile(candidate)) {
            book = candidate;
            break;
        }
    }
    if (book.empty()) {
        wxString text = wxString("The help book ") + kHelpBookFile + " was not found. Quarvel looked in:";
        for (const std::string& folder : folders) text += "\n" + FromFileName(folder.empty() ? "." : folder);
        wxMessageBox(text, "Quarvel", wxOK, owner);
        return;
    }

    HelpViewer& viewer = Viewer();
    if (viewer.controller && viewer.book != book) {
        // Another book than the one shown: its viewer goes, the new one is read afresh.
        if (wxHtmlHelpFrame* frame = FrameOf(*viewer.controller)) frame->Close(true);
        viewer.controller.reset();
    }
    if (!viewer.controller) {
        // Bookmarks are left out: nothing would keep them from one run to the next.
        auto controller = std::make_unique<LaidOutHelpController>(wxHF_DEFAULT_STYLE & ~wxHF_BOOKMARKS);
        controller->SetTitleFormat("Quarvel Help: %s");
        if (!controller->AddBook(wxFileName(FromFileName(book)), false)) {
            wxMessageBox("The help book cannot be read:\n" + FromFileName(book), "Quarvel", wxOK, owner);
            return;
        }
        viewer.controller = std::move(controller);
        viewer.book = book;
    }
    ShowContents(*viewer.controller);
}

}  // namespace quarvel
