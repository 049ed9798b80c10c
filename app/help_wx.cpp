#include "app/help_wx.h"

#include <sys/stat.h>

#include <memory>

#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>

#include "app/text_wx.h"

namespace quarvel {

namespace {

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

// The toolkit's help controller, told when its window goes without being
// closed: the toolkit deletes every window left when the program ends, and
// the controller would otherwise keep pointing at the deleted one.
class HelpController : public wxHtmlHelpController {
public:
    HelpController() : wxHtmlHelpController(wxHF_DEFAULT_STYLE & ~wxHF_BOOKMARKS) {
        SetTitleFormat("Quarvel Help: %s");
    }
    ~HelpController() override { *self_ = nullptr; }

    void Show() {
        const bool fresh = GetFrame() == nullptr;
        DisplayContents();
        wxHtmlHelpFrame* frame = GetFrame();
        if (!frame || !fresh) return;
        frame->SetSize(frame->FromDIP(wxSize(920, 680)));
        // The window may outlive this controller (closed, then deleted later): it
        // reaches the controller only through a pointer that the controller clears.
        frame->Bind(wxEVT_DESTROY, [self = self_, frame](wxWindowDestroyEvent& event) {
            if (*self && event.GetEventObject() == frame) (*self)->Forget(frame);
            event.Skip();
        });
    }

private:
    void Forget(wxHtmlHelpFrame* frame) {
        if (m_helpFrame != frame) return;  // closed before: the controller let it go then
        m_helpWindow = nullptr;
        m_helpFrame = nullptr;
        m_helpDialog = nullptr;
    }

    std::shared_ptr<HelpController*> self_ = std::make_shared<HelpController*>(this);
};

// The one viewer of the run and the book it holds.
struct HelpViewer {
    std::unique_ptr<HelpController> controller;
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
        if (wxHtmlHelpFrame* frame = viewer.controller->GetFrame()) frame->Close(true);
        viewer.controller.reset();
    }
    if (!viewer.controller) {
        auto controller = std::make_unique<HelpController>();
        if (!controller->AddBook(wxFileName(FromFileName(book)), false)) {
            wxMessageBox("The help book cannot be read:\n" + FromFileName(book), "Quarvel", wxOK, owner);
            return;
        }
        viewer.controller = std::move(controller);
        viewer.book = book;
    }
    viewer.controller->Show();
}

}  // namespace quarvel
