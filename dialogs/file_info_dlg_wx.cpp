#include "dialogs/file_info_dlg_wx.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"

namespace quarvel {

namespace {

// A text the user can select and copy but not change, drawn like a label. It
// is as wide as its text, up to a limit past which it scrolls. Sizes are given
// at creation: a frame is at least as wide as its children first stood.
wxTextCtrl* ReadOnlyText(wxWindow* parent, int id, const wxString& text) {
    auto* edit = new wxTextCtrl(parent, id, text, wxDefaultPosition, wxDefaultSize, wxTE_READONLY | wxBORDER_NONE);
    edit->SetBackgroundColour(parent->GetBackgroundColour());
    const int width = std::min(edit->GetTextExtent(text).x + parent->FromDIP(12), parent->FromDIP(640));
    edit->SetInitialSize(wxSize(width, -1));
    return edit;
}

const wxSizerFlags kLine = wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 4);
// The frame leaves room above its first line already.
const wxSizerFlags kFirstLine = wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT, 4);
const wxSizerFlags kLastLine = wxSizerFlags().Expand().Border(wxALL, 4);

}  // namespace

TFileInfoDlg::TFileInfoDlg(wxWindow* parent, const TSearchCFG& cfg, const Tstr* query, const wxWindow* mainWindow)
    : wxDialog(parent, wxID_ANY, "Quarvel Info", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),  // room for a long path and many words
      info_(cfg, query) {
    auto* fileBox = new wxStaticBoxSizer(wxVERTICAL, this);
    wxWindow* fileFrame = fileBox->GetStaticBox();
    fileBox->Add(new wxStaticText(fileFrame, wxID_ANY, "File"), kFirstLine);
    fileBox->Add(ReadOnlyText(fileFrame, kFileInfoPath, FromFileName(info_.path)), kLine);
    fileBox->Add(new wxStaticText(fileFrame, kFileInfoSize, FromUtf8(info_.size)), kLine);
    fileBox->Add(new wxStaticText(fileFrame, kFileInfoDate, FromUtf8(info_.date)), kLine);
    fileBox->Add(new wxStaticText(fileFrame, kFileInfoTime, FromUtf8(info_.time)), kLastLine);

    auto* wordBox = new wxStaticBoxSizer(wxVERTICAL, this);
    wxWindow* wordFrame = wordBox->GetStaticBox();
    wordBox->Add(new wxStaticText(wordFrame, wxID_ANY, "String(s) to find:"), kFirstLine);
    wordBox->Add(ReadOnlyText(wordFrame, kFileInfoExpression, FromUtf8(info_.expression)), kLine);
    auto* words = new wxListCtrl(wordFrame, kFileInfoWords, wxDefaultPosition, wxDefaultSize,
                                 wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_THEME);
    words->AppendColumn("Found", wxLIST_FORMAT_LEFT, FromDIP(200));
    words->AppendColumn("Times", wxLIST_FORMAT_LEFT, FromDIP(100));
    for (const FileInfoWordRow& row : info_.words) {
        const long item = words->InsertItem(words->GetItemCount(), FromUtf8(row.word));
        words->SetItem(item, 1, FromUtf8(row.times));
    }
    // Room for both columns beside a vertical scroll bar.
    words->SetInitialSize(wxSize(FromDIP(300) + wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, words) + FromDIP(4),
                             FromDIP(150)));
    wordBox->Add(words, wxSizerFlags(kLastLine).Proportion(1));

    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(fileBox, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 8));
    top->Add(wordBox, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP, 8));
    top->Add(ok, wxSizerFlags().Center().Border(wxALL, 8));
    SetSizerAndFit(top);

    CentreOverMainWindow(*this, mainWindow);
    ok->SetFocus();
}

}  // namespace quarvel
