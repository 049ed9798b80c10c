#include "dialogs/setup_dlg_wx.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/filedlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/brouse_dir_dlg_wx.h"
#include "dialogs/file_filter.h"
#include "dialogs/label_mnemonics_wx.h"
#include "platform/text_limit_wx.h"
#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"

namespace quarvel {

namespace {
bool StartsRadioGroup(int id) {
    return id == kSetupWithinLine || id == kSetupCodeAnsi || id == kSetupDateAll || id == kSetupSizeAll;
}

// OK and Cancel are the toolkit's own, so that Enter and Escape work.
int WindowId(int id) { return id == kSetupOk ? wxID_OK : id == kSetupCancel ? wxID_CANCEL : id; }

const wxSizerFlags kGap = wxSizerFlags().Border(wxALL, 4);
const wxSizerFlags kLabel = wxSizerFlags().Border(wxALL, 4).CenterVertical();
}  // namespace

TSetupDlg::TSetupDlg(wxWindow* parent, TSearchCFG& cfg, TUiSettings& ui, std::uint16_t today)
    : wxDialog(parent, wxID_ANY, "Search menu"), cfg_(cfg), ui_(ui), model_(cfg, ui, today) {
    tabs_ = new wxNotebook(this, kSetupTabs);
    controls_[kSetupTabs] = tabs_;
    tabs_->AddPage(BuildMainPage(), kSetupPageNames[0]);
    tabs_->AddPage(BuildAdvancedPage(), kSetupPageNames[1]);
    tabs_->AddPage(BuildDatePage(), kSetupPageNames[2]);
    tabs_->AddPage(BuildSizePage(), kSetupPageNames[3]);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(Make(this, kSetupReset), kGap);
    buttons->AddStretchSpacer();
    auto* okCancel = new wxStdDialogButtonSizer;
    auto* ok = static_cast<wxButton*>(Make(this, kSetupOk));
    okCancel->AddButton(ok);
    okCancel->AddButton(static_cast<wxButton*>(Make(this, kSetupCancel)));
    okCancel->Realize();
    ok->SetDefault();
    buttons->Add(okCancel, wxSizerFlags().CenterVertical());

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(tabs_, wxSizerFlags(1).Expand().Border(wxALL, 8));
    top->Add(buttons, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 8));
    SetSizerAndFit(top);
    WriteAll();

    tabs_->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& event) {
        model_.SelectPage(static_cast<SetupPage>(event.GetSelection()));
        event.Skip();
    });
    for (const SetupControl& control : SetupControls()) {
        const int id = control.id;
        if (control.kind == ControlKind::Check) {
            Bind(wxEVT_CHECKBOX, [this, id](wxCommandEvent& event) {
                model_.SetChecked(id, event.IsChecked());
                WriteChecksAndEnabling();
            }, id);
        } else if (control.kind == ControlKind::Radio) {
            Bind(wxEVT_RADIOBUTTON, [this, id](wxCommandEvent&) {
                model_.SetChecked(id, true);
                WriteChecksAndEnabling();
            }, id);
        } else if (control.kind == ControlKind::Edit) {
            Control(id)->Bind(wxEVT_KILL_FOCUS, [this, id](wxFocusEvent& event) {
                OnEditLostFocus(id);
                event.Skip();
            });
        } else if (control.kind == ControlKind::UpDown) {
            Control(id)->Bind(wxEVT_SPIN_UP, [this](wxSpinEvent& event) { OnStep(event, +1); });
            Control(id)->Bind(wxEVT_SPIN_DOWN, [this](wxSpinEvent& event) { OnStep(event, -1); });
        }
    }
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowseFolder(); }, kSetupBrowseFolder);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowseFile(); }, kSetupBrowseFile);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        model_.Reset();
        WriteAll();
    }, kSetupReset);
    BindLabelMnemonics(*this, {{static_cast<wxStaticText*>(Control(kSetupPathLabel)), Control(kSetupPath)},
                               {static_cast<wxStaticText*>(Control(kSetupMaskLabel)), Control(kSetupMask)},
                               {static_cast<wxStaticText*>(Control(kSetupStringLabel)), Control(kSetupString)}});

    CentreOverMainWindow(*this);
    Control(kSetupString)->SetFocus();
}

wxWindow* TSetupDlg::Make(wxWindow* parent, int id) {
    const SetupControl& control = SetupControlById(id);
    const wxString caption = FromUtf8(control.caption);
    const int windowId = WindowId(id);
    const wxSize digits = parent->GetTextExtent("0000000");
    wxWindow* made = nullptr;
    switch (control.kind) {
        case ControlKind::Label: made = new wxStaticText(parent, id, caption); break;
        case ControlKind::Button: made = new wxButton(parent, windowId, caption); break;
        case ControlKind::Check: made = new wxCheckBox(parent, id, caption); break;
        case ControlKind::Radio:
            made = new wxRadioButton(parent, id, caption, wxDefaultPosition, wxDefaultSize,
                                     StartsRadioGroup(id) ? wxRB_GROUP : 0);
            break;
        case ControlKind::Combo: {
            auto* combo = new wxComboBox(parent, id, wxEmptyString, wxDefaultPosition,
                                         wxSize(parent->GetTextExtent(wxString('M', 28)).x, -1), 0, nullptr,
                                         wxCB_DROPDOWN);
            LimitTextLength(*combo, kPathBufferSize - 1);
            made = combo;
            break;
        }
        case ControlKind::Edit: {
            const bool date = id == kSetupDateFrom || id == kSetupDateBefore;
            made = new wxTextCtrl(parent, id, wxEmptyString, wxDefaultPosition,
                                  wxSize(date ? parent->GetTextExtent("00/00/00000").x + 24 : digits.x + 24, -1));
            break;
        }
        case ControlKind::UpDown: {
            // The arrows step the edit, which holds the value; the button itself
            // stays in the middle of its range, so both arrows always work.
            auto* spin = new wxSpinButton(parent, id, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
            spin->SetRange(0, 2);
            spin->SetValue(1);
            made = spin;
            break;
        }
        case ControlKind::Tabs:
        case ControlKind::Box: break;
    }
    controls_[id] = made;
    return made;
}

wxWindow* TSetupDlg::BuildMainPage() {
    auto* page = new wxPanel(tabs_);
    auto* grid = new wxFlexGridSizer(3, wxSize(4, 6));
    grid->AddGrowableCol(1);
    const int rows[][3] = {{kSetupPathLabel, kSetupPath, kSetupBrowseFolder},
                           {kSetupMaskLabel, kSetupMask, kSetupBrowseFile},
                           {kSetupStringLabel, kSetupString, 0}};
    for (const auto& row : rows) {
        grid->Add(Make(page, row[0]), wxSizerFlags().CenterVertical());
        grid->Add(Make(page, row[1]), wxSizerFlags().Expand().CenterVertical());
        if (row[2])
            grid->Add(Make(page, row[2]), wxSizerFlags().CenterVertical());
        else
            grid->AddSpacer(0);
    }
    grid->AddSpacer(0);
    grid->Add(Make(page, kSetupRefined));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(grid, wxSizerFlags(1).Expand().Border(wxALL, 10));
    page->SetSizer(sizer);
    return page;
}

wxWindow* TSetupDlg::BuildAdvancedPage() {
    auto* page = new wxPanel(tabs_);
    auto box = [&](int id, wxOrientation orient) { return MakeBox(page, id, orient); };
    auto* options = box(kSetupOptionsBox, wxVERTICAL);
    for (int id : {kSetupSubDir, kSetupIgnoreCase, kSetupWholeWord, kSetupHidden, kSetupDocuments})
        options->Add(Make(options->GetStaticBox(), id), kGap);
    auto* within = box(kSetupWithinBox, wxVERTICAL);
    for (const RadioChoice& choice : kWithinRadios) within->Add(Make(within->GetStaticBox(), choice.id), kGap);
    auto* code = box(kSetupCodeBox, wxVERTICAL);
    for (const RadioChoice& choice : kCodeRadios) code->Add(Make(code->GetStaticBox(), choice.id), kGap);
    code->Add(Make(code->GetStaticBox(), kSetupCodeUnicode), kGap);
    auto* groups = new wxBoxSizer(wxHORIZONTAL);
    groups->Add(within, wxSizerFlags(1).Expand().Border(wxRIGHT, 8));
    groups->Add(code, wxSizerFlags(1).Expand());
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(options, wxSizerFlags().Expand().Border(wxALL, 10));
    sizer->Add(groups, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 10));
    page->SetSizer(sizer);
    return page;
}

wxStaticBoxSizer* TSetupDlg::MakeBox(wxWindow* parent, int id, int orient) {
    auto* box = new wxStaticBox(parent, id, FromUtf8(SetupControlById(id).caption));
    controls_[id] = box;
    return new wxStaticBoxSizer(box, orient);
}

// A group box of radio buttons, each followed on its line by the controls it enables.
wxWindow* TSetupDlg::BuildChoicePage(int boxId, std::initializer_list<ChoiceRow> rows) {
    auto* page = new wxPanel(tabs_);
    wxStaticBoxSizer* box = MakeBox(page, boxId, wxVERTICAL);
    wxWindow* parent = box->GetStaticBox();
    auto* grid = new wxFlexGridSizer(2, wxSize(6, 6));
    for (const ChoiceRow& row : rows) {
        if (row.radio)
            grid->Add(Make(parent, row.radio), wxSizerFlags().CenterVertical());
        else
            grid->AddSpacer(0);
        auto* line = new wxBoxSizer(wxHORIZONTAL);
        for (int id : row.controls) {
            bool upDown = SetupControlById(id).kind == ControlKind::UpDown;
            line->Add(Make(parent, id), (upDown ? wxSizerFlags().Expand() : wxSizerFlags().CenterVertical())
                                            .Border(wxRIGHT, 4));
        }
        grid->Add(line, wxSizerFlags().CenterVertical());
    }
    box->Add(grid, wxSizerFlags(1).Expand().Border(wxALL, 6));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(box, wxSizerFlags().Expand().Border(wxALL, 10));
    page->SetSizer(sizer);
    return page;
}

wxWindow* TSetupDlg::BuildDatePage() {
    return BuildChoicePage(kSetupDateBox, {{kSetupDateAll, {}},
                                           {kSetupDateBetween, {kSetupDateFrom, kSetupDateAndLabel, kSetupDateBefore}},
                                           {0, {kSetupDateFormatLabel}},
                                           {kSetupDateMonths, {kSetupMonths, kSetupMonthsUpDown, kSetupMonthsLabel}},
                                           {kSetupDateDays, {kSetupDays, kSetupDaysUpDown, kSetupDaysLabel}}});
}

wxWindow* TSetupDlg::BuildSizePage() {
    return BuildChoicePage(kSetupSizeBox, {{kSetupSizeAll, {}},
                                           {kSetupSizeAtMost, {kSetupSizeMax, kSetupSizeMaxUpDown, kSetupSizeMaxLabel}},
                                           {kSetupSizeAtLeast, {kSetupSizeMin, kSetupSizeMinUpDown, kSetupSizeMinLabel}}});
}

bool TSetupDlg::ReadText(int id, bool report) {
    wxString typed = SetupControlById(id).kind == ControlKind::Combo
                         ? static_cast<wxComboBox*>(Control(id))->GetValue()
                         : static_cast<wxTextCtrl*>(Control(id))->GetValue();
    (void)report;
    model_.SetText(id, ToUtf8(typed));  // names are UTF-8 to the file system, search text is UTF-8 here
    return true;
}

void TSetupDlg::WriteText(int id) {
    const std::string& text = model_.Text(id);
    wxString shown = FromUtf8(text);
    if (auto* combo = dynamic_cast<wxComboBox*>(Control(id)))
        combo->ChangeValue(shown);
    else
        static_cast<wxTextCtrl*>(Control(id))->ChangeValue(shown);
}

void TSetupDlg::WriteChecksAndEnabling() {
    for (const SetupControl& control : SetupControls()) {
        wxWindow* window = controls_.at(control.id);
        if (control.kind == ControlKind::Check)
            static_cast<wxCheckBox*>(window)->SetValue(model_.Checked(control.id));
        else if (control.kind == ControlKind::Radio)
            static_cast<wxRadioButton*>(window)->SetValue(model_.Checked(control.id));
        window->Enable(model_.Enabled(control.id));
    }
}

void TSetupDlg::WriteAll() {
    for (int id : {kSetupPath, kSetupMask, kSetupString}) {
        auto* combo = static_cast<wxComboBox*>(Control(id));
        combo->Clear();
        // An empty history entry stands for "nothing typed"; it is not offered.
        for (const std::string& entry : model_.List(id))
            if (!entry.empty()) combo->Append(FromUtf8(entry));
    }
    for (const SetupControl& control : SetupControls())
        if (control.kind == ControlKind::Combo || control.kind == ControlKind::Edit) WriteText(control.id);
    WriteChecksAndEnabling();
    tabs_->ChangeSelection(static_cast<size_t>(model_.Page()));
}

void TSetupDlg::ShowPageOf(int id) {
    SetupPage page = SetupControlById(id).page;
    if (page == SetupPage::All || page == model_.Page()) return;
    model_.SelectPage(page);
    tabs_->ChangeSelection(static_cast<size_t>(page));
}

void TSetupDlg::OnEditLostFocus(int id) {
    // A character that cannot be stored is reported on OK, not while the focus moves.
    if (!ReadText(id, false)) return;
    model_.EditLostFocus(id);
    WriteText(id);
}

void TSetupDlg::OnStep(wxSpinEvent& event, int delta) {
    event.Veto();  // the button keeps its middle position
    const NumericEdit* edit = NumericEditFor(event.GetId());
    if (!edit || !ReadText(edit->edit, false)) return;
    model_.Step(edit->upDown, delta);
    WriteText(edit->edit);
}

void TSetupDlg::OnBrowseFolder() {
    ReadText(kSetupPath, false);
    TBrouseDirDlg browser(this, model_.Text(kSetupPath));
    if (browser.ShowModal() == wxID_OK) {
        model_.SetText(kSetupPath, browser.Path());
        WriteText(kSetupPath);
    }
    Control(kSetupPath)->SetFocus();
}

void TSetupDlg::OnBrowseFile() {
    ReadText(kSetupPath, false);
    ReadText(kSetupMask, false);
    wxFileDialog chooser(this, wxFileSelectorPromptStr, FromFileName(model_.Text(kSetupPath)), wxEmptyString,
                         FromUtf8(SearchFileFilter()), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (chooser.ShowModal() == wxID_OK) {
        model_.FileChosen(ToFileName(chooser.GetPath()));
        WriteText(kSetupMask);
    }
    Control(kSetupMask)->SetFocus();
}

bool TSetupDlg::TransferDataFromWindow() {
    for (const SetupControl& control : SetupControls())
        if ((control.kind == ControlKind::Combo || control.kind == ControlKind::Edit) && !ReadText(control.id, true))
            return false;
    SetupModel::OkOutcome outcome = model_.Ok(cfg_, ui_);
    if (!outcome.accepted) {
        ShowPageOf(outcome.focus);
        ShowMessage(this, outcome.message);
        Control(outcome.focus)->SetFocus();
    }
    return outcome.accepted;
}

}  // namespace quarvel
