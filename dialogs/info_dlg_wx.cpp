#include "dialogs/info_dlg_wx.h"

#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"
#include "search/search_info.h"

namespace quarvel {

namespace {

// A read-only line the user can select and copy from; text longer than the
// field scrolls inside it.
class ReadOnlyLine : public wxTextCtrl {
public:
    ReadOnlyLine(wxWindow* parent, int id, const wxString& text, bool tabStop)
        : wxTextCtrl(parent, id, text, wxDefaultPosition, wxDefaultSize, wxTE_READONLY), tabStop_(tabStop) {
        SetInitialSize(wxSize(parent->FromDIP(320), -1));
        // Drawn on the dialog's colour, so that it does not invite typing.
        SetBackgroundColour(parent->GetBackgroundColour());
        // Show the start of a long text rather than its end.
        SetInsertionPoint(0);
    }
    bool AcceptsFocusFromKeyboard() const override { return tabStop_ && wxTextCtrl::AcceptsFocusFromKeyboard(); }

private:
    bool tabStop_;
};

wxStaticText* Label(wxWindow* parent, int id, const std::string& text) {
    auto* label = new wxStaticText(parent, id, FromUtf8(text));
    // An empty line keeps its height, so the frame does not shrink around it.
    label->SetMinSize(wxSize(-1, label->GetCharHeight()));
    return label;
}

const wxSizerFlags kLine = wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 6);
// The frame leaves room above its first line already.
const wxSizerFlags kFirstLine = wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT, 6);
const wxSizerFlags kLastLine = wxSizerFlags().Expand().Border(wxALL, 6);

}  // namespace

// Resizable, so that long masks and expressions can be read whole: it grows
// in width only, its lines with it.
TInfoDlg::TInfoDlg(wxWindow* parent, TSearchCFG& cfg)
    : wxDialog(parent, wxID_ANY, "Quarvel info", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    const std::vector<std::string> lines = SearchInfoLines(cfg);
    auto line = [&lines](std::size_t index) { return index < lines.size() ? lines[index] : std::string(); };

    auto* hitBox = new wxStaticBoxSizer(wxVERTICAL, this);
    wxWindow* hitFrame = hitBox->GetStaticBox();
    hitBox->Add(Label(hitFrame, kInfoHits, line(0)), kFirstLine);
    // The masks are file-system names; the expression is UTF-8 text.
    hitBox->Add(new ReadOnlyLine(hitFrame, kInfoMasks, FromFileName(line(1)), false), kLastLine);

    auto* stringBox = new wxStaticBoxSizer(wxVERTICAL, this);
    wxWindow* stringFrame = stringBox->GetStaticBox();
    stringBox->Add(Label(stringFrame, kInfoStringLabel, line(2)), kFirstLine);
    auto* expression = new ReadOnlyLine(stringFrame, kInfoExpression, FromUtf8(line(kInfoExpressionLine)), true);
    stringBox->Add(expression, kLastLine);

    auto* runBox = new wxStaticBoxSizer(wxVERTICAL, this);
    wxWindow* runFrame = runBox->GetStaticBox();
    runBox->Add(Label(runFrame, kInfoDuration, line(4)), kFirstLine);
    runBox->Add(Label(runFrame, kInfoBytes, line(5)), kLine);
    runBox->Add(Label(runFrame, kInfoRate, line(6)), kLastLine);

    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(hitBox, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 8));
    top->Add(stringBox, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 8));
    top->Add(runBox, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 8));
    top->Add(ok, wxSizerFlags().Center().Border(wxALL, 8));
    SetSizerAndFit(top);
    SetMaxSize(wxSize(-1, GetSize().y));

    CentreOverMainWindow(*this);
    // The expression is the dialog's one tab stop before OK, and has the focus first.
    expression->SetFocus();
}

}  // namespace quarvel
