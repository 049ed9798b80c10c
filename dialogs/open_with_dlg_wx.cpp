#include "dialogs/open_with_dlg_wx.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include "dialogs/file_filter.h"
#include "platform/error.h"
#include "platform/text_limit_wx.h"
#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"
#include "settings/search_cfg.h"

namespace quarvel {

TOpenWithDlg::TOpenWithDlg(wxWindow* parent, TUiSettings& ui)
    : wxDialog(parent, wxID_ANY, "Open with..."), ui_(ui), model_(ui.ProgramHistory) {
    auto* box = new wxStaticBoxSizer(wxHORIZONTAL, this, "Name of the program");
    wxWindow* frame = box->GetStaticBox();
    program_ = new wxComboBox(frame, kOpenWithProgram, wxEmptyString, wxDefaultPosition,
                              wxSize(frame->GetTextExtent(wxString('M', 32)).x, -1), 0, nullptr, wxCB_DROPDOWN);
    LimitTextLength(*program_, kPathBufferSize - 1);
    // An empty history entry stands for "nothing typed"; it is not offered.
    for (const std::string& entry : model_.List())
        if (!entry.empty()) program_->Append(FromFileName(entry));
    program_->ChangeValue(FromFileName(model_.Text()));
    box->Add(program_, wxSizerFlags(1).CenterVertical().Border(wxALL, 6));
    box->Add(new wxButton(frame, kOpenWithBrowse, "&Browse..."),
             wxSizerFlags().CenterVertical().Border(wxTOP | wxBOTTOM | wxRIGHT, 6));

    auto* buttons = new wxStdDialogButtonSizer;
    ok_ = new wxButton(this, wxID_OK, "OK");
    buttons->AddButton(ok_);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, "Cancel"));
    buttons->Realize();
    ok_->SetDefault();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(box, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 10));
    top->Add(buttons, wxSizerFlags().Expand().Border(wxALL, 10));
    SetSizerAndFit(top);
    WriteEnabling();

    program_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { ReadText(); });
    program_->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent&) { ReadText(); });
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowse(); }, kOpenWithBrowse);

    CentreOverMainWindow(*this);
    program_->SetFocus();
    program_->SelectAll();
}

void TOpenWithDlg::ReadText() {
    model_.SetText(ToFileName(program_->GetValue()));
    WriteEnabling();
}

void TOpenWithDlg::WriteEnabling() { ok_->Enable(model_.OkEnabled()); }

void TOpenWithDlg::OnBrowse() {
    // Programs here mostly have no extension: the chooser starts on all files.
    // It leaves the working folder as it is, so there is nothing to restore.
    wxFileDialog chooser(this, wxFileSelectorPromptStr, FromFileName(ui_.PathDefaultBrowser), wxEmptyString,
                         FromUtf8(FileDialogFilter({{"Executable (*.exe)", "*.exe"}, {"All files (*.*)", "*.*"}})),
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    chooser.SetFilterIndex(1);
    if (chooser.ShowModal() == wxID_OK) {
        model_.ProgramChosen(ToFileName(chooser.GetPath()), ui_.PathDefaultBrowser);
        program_->ChangeValue(FromFileName(model_.Text()));
        WriteEnabling();
    }
    program_->SetFocus();
}

bool TOpenWithDlg::TransferDataFromWindow() {
    ReadText();
    OpenWithModel::OkOutcome outcome = model_.Ok(ui_.ProgramHistory);
    if (!outcome.accepted) {
        if (!outcome.message.empty()) ShowMessage(this, outcome.message);
        program_->SetFocus();
    }
    return outcome.accepted;
}

void ShowUnableToExecute(wxWindow* owner, const std::string& program) {
    wxMessageBox("Unable execute file: " + FromFileName(program), kProductName, wxOK, owner);
}

}  // namespace quarvel
