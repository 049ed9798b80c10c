#include "dialogs/option_dlg_wx.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/colordlg.h>
#include <wx/fontdlg.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/label_mnemonics_wx.h"
#include "platform/text_limit_wx.h"
#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"
#include "settings/viewer_font_wx.h"

namespace quarvel {

namespace {

struct OperatorEdit {
    int id;
    const char* label;
};
// As they stand in the dialog: three rows of two.
constexpr OperatorEdit kBooleanEdits[] = {{kOptAnd, "&AND"},          {kOptOr, "&OR"},
                                          {kOptNot, "&NOT"},          {kOptLBracket, "&LBracket"},
                                          {kOptRBracket, "&RBracket"}, {kOptQuote, "QUO&TE"}};
constexpr OperatorEdit kFileEdits[] = {{kOptSeparator, "Se&parator"}, {kOptNotSearch, "Not &search"}};

}  // namespace

TOptionDlg::TOptionDlg(wxWindow* parent, TSearchCFG& cfg, TUiSettings& ui,
                       std::function<void(const TUiSettings&)> fontChanged)
    : wxDialog(parent, wxID_ANY, "Options"), cfg_(cfg), ui_(ui), fontChanged_(std::move(fontChanged)),
      model_(cfg, ui) {
    std::vector<std::pair<wxStaticText*, wxWindow*>> labels;
    auto check = [this](wxWindow* parent, int id, const char* caption) {
        auto* box = new wxCheckBox(parent, id, caption);
        box->SetValue(model_.Checked(id));
        controls_[id] = box;
        return box;
    };
    auto edits = [&](wxStaticBoxSizer* box, std::initializer_list<OperatorEdit> list) {
        auto* grid = new wxFlexGridSizer(4, FromDIP(4), FromDIP(8));
        for (const OperatorEdit& edit : list) {
            auto* label = new wxStaticText(box->GetStaticBox(), wxID_ANY, edit.label);
            auto* text = new wxTextCtrl(box->GetStaticBox(), edit.id, FromUtf8(model_.Text(edit.id)),
                                        wxDefaultPosition, wxSize(FromDIP(80), -1));
            LimitTextLength(*text, kMaxOperatorLength);  // an eleventh character cannot be typed
            controls_[edit.id] = text;
            labels.emplace_back(label, text);
            grid->Add(label, wxSizerFlags().CenterVertical());
            grid->Add(text);
        }
        box->Add(grid, wxSizerFlags().Border(wxALL, 6));
    };

    auto* main = new wxStaticBoxSizer(wxVERTICAL, this, "Main window");
    main->Add(check(main->GetStaticBox(), kOptHints, "Flyover &Hints"), wxSizerFlags().Border(wxALL, 4));
    main->Add(check(main->GetStaticBox(), kOptStatusBar, "Status &bar"), wxSizerFlags().Border(wxALL, 4));

    auto* boolean = new wxStaticBoxSizer(wxVERTICAL, this, "Boolean operators for String(s) to find");
    edits(boolean, {kBooleanEdits[0], kBooleanEdits[1], kBooleanEdits[2], kBooleanEdits[3], kBooleanEdits[4],
                    kBooleanEdits[5]});

    auto* files = new wxStaticBoxSizer(wxVERTICAL, this, "Operators for file list");
    edits(files, {kFileEdits[0], kFileEdits[1]});
    auto* fileChecks = new wxBoxSizer(wxHORIZONTAL);
    fileChecks->Add(check(files->GetStaticBox(), kOptQueue, "&Queue"), wxSizerFlags().Border(wxALL, 4));
    fileChecks->Add(check(files->GetStaticBox(), kOptFullPath, "F&ull Path"), wxSizerFlags().Border(wxALL, 4));
    files->Add(fileChecks);

    auto* search = new wxStaticBoxSizer(wxHORIZONTAL, this, "Search");
    wxWindow* searchBox = search->GetStaticBox();
    auto* threadsLabel = new wxStaticText(searchBox, wxID_ANY, "Thr&eads:");  // T, H and R are taken
    auto* threads = new wxTextCtrl(searchBox, kOptThreads, FromUtf8(model_.Text(kOptThreads)), wxDefaultPosition,
                                   wxSize(searchBox->GetTextExtent("0000").x + 24, -1));
    // As in the search dialog: the arrows step the edit, which holds the
    // value; the button stays in the middle of its range, so both arrows work.
    auto* threadsUpDown = new wxSpinButton(searchBox, kOptThreadsUpDown, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
    threadsUpDown->SetRange(0, 2);
    threadsUpDown->SetValue(1);
    controls_[kOptThreads] = threads;
    controls_[kOptThreadsUpDown] = threadsUpDown;
    labels.emplace_back(threadsLabel, threads);
    search->Add(threadsLabel, wxSizerFlags().CenterVertical().Border(wxALL, 4));
    search->Add(threads, wxSizerFlags().CenterVertical().Border(wxTOP | wxBOTTOM | wxLEFT, 4));
    search->Add(threadsUpDown, wxSizerFlags().Expand().Border(wxTOP | wxBOTTOM | wxRIGHT, 4));
    search->Add(new wxStaticText(searchBox, wxID_ANY, "0 = all processors"),
                wxSizerFlags().CenterVertical().Border(wxLEFT | wxRIGHT, 8));

    auto* view = new wxStaticBoxSizer(wxVERTICAL, this, "View window");
    wxWindow* viewBox = view->GetStaticBox();
    auto* fontRow = new wxBoxSizer(wxHORIZONTAL);
    faceName_ = new wxStaticText(viewBox, kOptFaceName, FromUtf8(model_.FaceName()), wxDefaultPosition,
                                 wxSize(FromDIP(200), -1), wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE | wxBORDER_SUNKEN);
    auto* font = new wxButton(viewBox, kOptFont, "&Font");
    controls_[kOptFaceName] = faceName_;
    controls_[kOptFont] = font;
    fontRow->Add(faceName_, wxSizerFlags(1).CenterVertical().Border(wxALL, 4));
    fontRow->Add(font, wxSizerFlags().Border(wxALL, 4));
    view->Add(fontRow, wxSizerFlags().Expand());
    // The command of the viewer's Edit at line.
    auto* editorRow = new wxBoxSizer(wxHORIZONTAL);
    auto* editorLabel = new wxStaticText(viewBox, wxID_ANY, "E&ditor:");  // E is taken by Threads
    auto* editor = new wxTextCtrl(viewBox, kOptEditor, FromFileName(model_.Text(kOptEditor)));
    constexpr const char* kEditorHint = "%f the file, %l the line; empty: the desktop's default program";
    editor->SetToolTip(kEditorHint);
    controls_[kOptEditor] = editor;
    labels.emplace_back(editorLabel, editor);
    editorRow->Add(editorLabel, wxSizerFlags().CenterVertical().Border(wxALL, 4));
    editorRow->Add(editor, wxSizerFlags(1).CenterVertical().Border(wxALL, 4));
    view->Add(editorRow, wxSizerFlags().Expand());
    view->Add(new wxStaticText(viewBox, wxID_ANY, kEditorHint), wxSizerFlags().Border(wxLEFT | wxRIGHT | wxBOTTOM, 4));

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    for (wxSizer* group : std::initializer_list<wxSizer*>{main, boolean, files, search, view})
        sizer->Add(group, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 8));
    sizer->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), wxSizerFlags().Expand().Border(wxALL, 8));
    SetSizerAndFit(sizer);
    BindLabelMnemonics(*this, labels);
    font->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnFont(); });
    threadsUpDown->Bind(wxEVT_SPIN_UP, [this](wxSpinEvent& event) { OnStep(event, +1); });
    threadsUpDown->Bind(wxEVT_SPIN_DOWN, [this](wxSpinEvent& event) { OnStep(event, -1); });
    CentreOverMainWindow(*this);
}

void TOptionDlg::OnFont() {
    // The toolkit's font chooser offers no colour: the hit colour is chosen next.
    wxFontData fontData;
    fontData.SetInitialFont(FontFromLogFont(ui_.ViewerFont));
    fontData.RestrictSelection(wxFONTRESTRICT_FIXEDPITCH);
    fontData.EnableEffects(true);
    wxFontDialog fonts(this, fontData);
    if (fonts.ShowModal() != wxID_OK || !fonts.GetFontData().GetChosenFont().IsOk()) return;
    const TLogFont chosen = LogFontFromFont(fonts.GetFontData().GetChosenFont());
    wxColourData colourData;
    colourData.SetColour(ColourFromColorRef(ui_.ColorVD));
    wxColourDialog colours(this, &colourData);
    colours.SetTitle("Colour of the hits");
    const int answer = colours.ShowModal();
    const std::uint32_t colour =
        answer == wxID_OK ? ColorRefFromColour(colours.GetColourData().GetColour()) : ui_.ColorVD;
    model_.FontChosen(ui_, chosen, colour);
    faceName_->SetLabel(FromUtf8(model_.FaceName()));
    if (fontChanged_) fontChanged_(ui_);
}

void TOptionDlg::OnStep(wxSpinEvent& event, int delta) {
    event.Veto();  // the button keeps its middle position
    auto* edit = static_cast<wxTextCtrl*>(Control(kOptThreads));
    model_.SetText(kOptThreads, ToUtf8(edit->GetValue()));
    model_.Step(kOptThreadsUpDown, delta);
    edit->ChangeValue(FromUtf8(model_.Text(kOptThreads)));
}

bool TOptionDlg::TransferDataFromWindow() {
    for (const auto& [id, window] : controls_) {
        if (auto* box = dynamic_cast<wxCheckBox*>(window)) model_.SetChecked(id, box->GetValue());
        if (id == kOptEditor) continue;
        if (auto* edit = dynamic_cast<wxTextCtrl*>(window)) model_.SetText(id, ToUtf8(edit->GetValue()));
    }
    // A command of bytes that are no UTF-8 shows in another reading: left as
    // it was shown, it keeps its own bytes.
    const wxString editor = static_cast<wxTextCtrl*>(Control(kOptEditor))->GetValue();
    if (editor != FromFileName(model_.Text(kOptEditor))) model_.SetText(kOptEditor, ToFileName(editor));
    const OptionModel::OkResult result = model_.Ok(cfg_, ui_);
    if (!result.accepted) {
        ShowMessage(this, result.message);
        controls_.at(result.focus)->SetFocus();
        return false;
    }
    return true;
}

}  // namespace quarvel
