#pragma once
#include <cstdint>
#include <initializer_list>
#include <map>
#include <vector>

#include <wx/dialog.h>

#include "dialogs/setup_model.h"
#include "platform/working_folder.h"

class wxNotebook;
class wxStaticBoxSizer;
class wxSpinEvent;

namespace quarvel {

// The search dialog: shows the search record, and stores the form into it and
// its histories on OK. Cancel stores nothing.
class TSetupDlg : public wxDialog {
public:
    TSetupDlg(wxWindow* parent, TSearchCFG& cfg, TUiSettings& ui, std::uint16_t today);

    // OK: stores the form, or shows why not and keeps the dialog open.
    bool TransferDataFromWindow() override;

    const SetupModel& Model() const { return model_; }
    wxNotebook* Tabs() const { return tabs_; }
    wxWindow* Control(int id) const { return controls_.at(id); }

private:
    wxWindow* BuildMainPage();
    wxWindow* BuildAdvancedPage();
    wxWindow* BuildDatePage();
    wxWindow* BuildSizePage();
    struct ChoiceRow {
        int radio;  // 0: the line continues the one above
        std::vector<int> controls;
    };
    wxWindow* BuildChoicePage(int boxId, std::initializer_list<ChoiceRow> rows);
    wxStaticBoxSizer* MakeBox(wxWindow* parent, int id, int orient);
    wxWindow* Make(wxWindow* parent, int id);

    // View to model: false (after a message, with the focus on the control)
    // when the text holds a character that cannot be stored.
    bool ReadText(int id, bool report);
    void WriteText(int id);
    void WriteChecksAndEnabling();
    void WriteAll();
    void ShowPageOf(int id);

    void OnEditLostFocus(int id);
    void OnStep(wxSpinEvent& event, int delta);
    void OnBrowseFolder();
    void OnBrowseFile();

    WorkingFolderKeeper workingFolder_;  // browsing leaves no change of folder behind
    TSearchCFG& cfg_;
    TUiSettings& ui_;
    SetupModel model_;
    wxNotebook* tabs_ = nullptr;
    std::map<int, wxWindow*> controls_;
};

}  // namespace quarvel
