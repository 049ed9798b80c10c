#include "viewer/view_dlg_wx.h"

#include <algorithm>
#include <cstdlib>

#include <wx/accel.h>
#include <wx/clipbrd.h>
#include <wx/dcbuffer.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>

#include "dialogs/file_info_dlg_wx.h"
#include "dialogs/open_with_dlg_wx.h"
#include "documents/hand_over_wx.h"
#include "platform/error.h"
#include "platform/file_launch_wx.h"
#include "platform/modal_windows_wx.h"
#include "platform/program_icon_wx.h"
#include "platform/text_wx.h"
#include "platform/window_placement_wx.h"
#include "settings/viewer_font_wx.h"
#include "viewer/glyph_cells_wx.h"

namespace quarvel {

// The client area: draws the rows, takes the keys, the mouse and the scroll bars.
class TViewCanvas : public wxWindow {
public:
    TViewCanvas(wxWindow* parent, ViewModel& model)
        : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxVSCROLL | wxHSCROLL | wxWANTS_CHARS),
          model_(model) {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, [this](wxPaintEvent&) { Paint(); });
        Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
            Measure();
            model_.Realign();
            Refresh(false);
            event.Skip();
        });
        for (auto type : {wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP,
                          wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM,
                          wxEVT_SCROLLWIN_THUMBRELEASE})
            Bind(type, [this](wxScrollWinEvent& event) { OnScroll(event); });
        // The view moves when the thumb is let go, not while it is dragged.
        Bind(wxEVT_SCROLLWIN_THUMBTRACK, [](wxScrollWinEvent&) {});
        Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) { OnKey(event); });
        Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& event) {
            SetFocus();
            if (!HasCapture()) CaptureMouse();
            const std::uint64_t at = OffsetAt(event.GetPosition());
            model_.Select(at, at);
            dragging_ = true;
            Refresh(false);
        });
        Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
            if (!dragging_) return;
            const std::uint64_t at = OffsetAt(event.GetPosition());
            if (at == model_.SelectionEnd()) return;
            model_.Select(model_.Anchor(), at);
            Refresh(false);
        });
        Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
            if (HasCapture()) ReleaseMouse();
            if (!dragging_) return;
            dragging_ = false;
            model_.Select(model_.Anchor(), OffsetAt(event.GetPosition()));
            Refresh(false);
        });
        Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { dragging_ = false; });
    }

    void SetLook(const wxFont& font, const wxColour& hit) {
        font_ = font;
        hit_ = hit;
        Measure();
        model_.Realign();
        Refresh(false);
    }
    int CharWidth() const { return charWidth_; }
    int LineHeight() const { return lineHeight_; }
    int Columns() const { return std::max(1, GetClientSize().x / charWidth_); }
    int HorizontalPosition() const { return horizontal_; }

private:
    // Character cell and rows per window from the font and the client size.
    void Measure() {
        wxClientDC dc(this);
        dc.SetFont(font_);
        wxCoord width = 0, height = 0, descent = 0, leading = 0;
        dc.GetTextExtent("M", &width, &height, &descent, &leading);
        charWidth_ = std::max(1, width);
        lineHeight_ = std::max(1, height + leading);
        model_.SetWindowSize(static_cast<std::uint32_t>(Columns()), GetClientSize().y / lineHeight_ + 1);
    }

    std::uint64_t OffsetAt(wxPoint point) const {
        const int column = std::max(0, point.x) / charWidth_ + horizontal_;
        return model_.OffsetAt(static_cast<std::uint64_t>(column), std::max(0, point.y) / lineHeight_);
    }

    void OnScroll(wxScrollWinEvent& event) {
        const wxEventType type = event.GetEventType();
        if (event.GetOrientation() == wxHORIZONTAL) {
            int to = horizontal_;
            if (type == wxEVT_SCROLLWIN_LINEUP) to -= 1;
            if (type == wxEVT_SCROLLWIN_LINEDOWN) to += 1;
            if (type == wxEVT_SCROLLWIN_PAGEUP) to -= Columns();
            if (type == wxEVT_SCROLLWIN_PAGEDOWN) to += Columns();
            if (type == wxEVT_SCROLLWIN_TOP) to = 0;
            if (type == wxEVT_SCROLLWIN_BOTTOM) to = HorizontalRange();
            if (type == wxEVT_SCROLLWIN_THUMBRELEASE) to = event.GetPosition();
            ScrollHorizontally(to);
            return;
        }
        ScrollStep step = ScrollStep::Thumb;
        if (type == wxEVT_SCROLLWIN_LINEUP) step = ScrollStep::LineUp;
        if (type == wxEVT_SCROLLWIN_LINEDOWN) step = ScrollStep::LineDown;
        if (type == wxEVT_SCROLLWIN_PAGEUP) step = ScrollStep::PageUp;
        if (type == wxEVT_SCROLLWIN_PAGEDOWN) step = ScrollStep::PageDown;
        if (type == wxEVT_SCROLLWIN_TOP) step = ScrollStep::Top;
        if (type == wxEVT_SCROLLWIN_BOTTOM) step = ScrollStep::Bottom;
        Step(step, static_cast<std::uint32_t>(std::max(0, event.GetPosition())));
    }

public:
    void Step(ScrollStep step, std::uint32_t thumb = 0) {
        model_.Scroll(step, thumb);
        Refresh(false);
    }

private:
    int HorizontalRange() const {
        if (model_.Wrap()) return 0;
        return std::max(0, static_cast<int>(std::min<std::uint32_t>(model_.Record().LongestLine, kUnwrappedRowWidth)) -
                               Columns());
    }
    void ScrollHorizontally(int to) {
        horizontal_ = std::clamp(to, 0, HorizontalRange());
        Refresh(false);
    }

    void OnKey(wxKeyEvent& event) {
        switch (event.GetKeyCode()) {
            case WXK_PAGEUP: Step(ScrollStep::PageUp); break;
            case WXK_PAGEDOWN: Step(ScrollStep::PageDown); break;
            case WXK_UP: Step(ScrollStep::LineUp); break;
            case WXK_DOWN: Step(ScrollStep::LineDown); break;
            case WXK_LEFT: ScrollHorizontally(horizontal_ - 1); break;
            case WXK_RIGHT: ScrollHorizontally(horizontal_ + 1); break;
            case WXK_HOME: horizontal_ = 0, Step(ScrollStep::Top); break;
            case WXK_END: horizontal_ = 0, Step(ScrollStep::Bottom); break;
            default: event.Skip();
        }
    }

    void Paint() {
        wxAutoBufferedPaintDC dc(this);
        Measure();
        static_cast<wxTopLevelWindow*>(GetParent())->SetTitle(FromFileName(model_.Caption()));
        const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
        const wxColour window = *wxWHITE;
        const wxColour inverseText(255 - text.Red(), 255 - text.Green(), 255 - text.Blue());
        const wxColour inverseHit(255 - hit_.Red(), 255 - hit_.Green(), 255 - hit_.Blue());
        dc.SetBackground(wxBrush(window));
        dc.Clear();
        cells_.Use(font_, charWidth_, lineHeight_, GetContentScaleFactor());
        // Only the columns in the window are drawn, each in its own cell.
        const std::size_t left = static_cast<std::size_t>(horizontal_);
        const std::size_t right = left + static_cast<std::size_t>(Columns()) + 1;
        const std::vector<ViewRow> rows = model_.ReadRows(model_.RowsPerWindow());
        const std::vector<SelectionSpan> spans = model_.SelectionSpans(model_.RowsPerWindow());
        std::vector<bool> hit;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const ViewRow& row = rows[r];
            const int y = static_cast<int>(r) * lineHeight_;
            // The selection shows inverted: dark cells, light text.
            std::uint64_t selFirst = 0, selEnd = 0;
            for (const SelectionSpan& span : spans)
                if (span.row == static_cast<int>(r)) selFirst = span.first, selEnd = span.end;
            if (selEnd > selFirst) {
                dc.SetPen(*wxTRANSPARENT_PEN);
                dc.SetBrush(wxBrush(text));
                dc.DrawRectangle((static_cast<int>(selFirst) - horizontal_) * charWidth_, y,
                                 static_cast<int>(selEnd - selFirst) * charWidth_, lineHeight_);
            }
            hit.assign(row.Cells(), false);
            for (const HitMark& mark : model_.MarksFor(row))
                for (std::size_t c = mark.column; c < mark.column + mark.length && c < hit.size(); ++c) hit[c] = true;
            // Each character in its own cells, a wide one in two, so that the
            // columns stay aligned whatever font the toolkit draws a glyph from.
            for (const ShownChar& ch : row.chars) {
                const std::size_t column = ch.column;
                if (ch.cells == 0 || column + ch.cells <= left || column >= right) continue;
                const char32_t drawn = ch.Drawn();
                const bool selected = column >= selFirst && column < selEnd, marked = hit[column];
                if (drawn == ' ' && !selected) continue;  // the window is already white there
                const wxColour& ink = selected ? (marked ? inverseHit : inverseText) : (marked ? hit_ : text);
                dc.DrawBitmap(cells_.Cell(drawn, ch.cells, ink, selected ? text : window),
                              (static_cast<int>(column) - horizontal_) * charWidth_, y);
            }
        }
        SetScrollbar(wxVERTICAL, static_cast<int>(model_.ScrollPosition()), 1, kScrollRange + 1);
        SetScrollbar(wxHORIZONTAL, horizontal_, 1, HorizontalRange() + 1);
    }

    ViewModel& model_;
    wxFont font_;
    wxColour hit_ = *wxRED;
    int charWidth_ = 8, lineHeight_ = 16;
    GlyphCells cells_;
    int horizontal_ = 0;
    bool dragging_ = false;
};

TViewDlg::TViewDlg(std::unique_ptr<TSearchCFG> cfg, const Tstr* query, const TUiSettings& ui,
                   std::int32_t& openViewers, const wxWindow* mainWindow)
    : wxFrame(nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxSize(760, 520)),
      cfg_(std::move(cfg)),
      file_(cfg_->FoundFiles.empty() ? std::string() : cfg_->FoundFiles[0].Path(), cfg_->SearchDocuments != 0),
      ui_(ui),
      openViewers_(openViewers),
      mainWindow_(mainWindow) {
    ++openViewers_;
    if (query) query_.emplace(*query);
    model_ = std::make_unique<ViewModel>(*cfg_, query_ ? &*query_ : nullptr, file_);
    SetIcons(ProgramIcons());
    BuildMenu();
    canvas_ = new TViewCanvas(this, *model_);
    ApplyFont(ui.ViewerFont, ui.ColorVD);
    // Room for the scroll bars' arrows and a few characters: smaller, the
    // toolkit cannot draw the scroll bars.
    SetMinClientSize(FromDIP(wxSize(160, 120)));
    CentreOverMainWindow(*this, mainWindow_);
    canvas_->SetFocus();
}

TViewDlg::~TViewDlg() { --openViewers_; }

wxWindow* TViewDlg::Canvas() const { return canvas_; }

void TViewDlg::ApplyFont(const TLogFont& font, std::uint32_t hitColour) {
    canvas_->SetLook(FontFromLogFont(font), ColourFromColorRef(hitColour));
}

void TViewDlg::BuildMenu() {
    auto* search = new wxMenu;
    search->Append(kVmNext, "&Next\tF3");
    search->Append(kVmPrev, "&Prev\tShift+F3");
    search->AppendSeparator();
    search->Append(kVmInfo, "&Info\tI");
    search->Append(kVmEditAtLine, "&Edit at line\tCtrl+E");
    search->AppendSeparator();
    search->Append(kVmExit, "E&xit\tEsc");
    auto* edit = new wxMenu;
    edit->Append(kVmCopy, "&Copy\tCtrl+C");
    edit->Append(kVmSelectAll, "Select &All\tCtrl+A");
    auto* options = new wxMenu;
    options->AppendCheckItem(kVmWrap, "&Wrap\tF2");
    options->AppendCheckItem(kVmAllWords, "&All words");
    // The reading the file is shown in; F8 toggles OEM.
    options->AppendSeparator();
    options->AppendRadioItem(kVmAuto, "Au&to reading");
    options->AppendRadioItem(kVmUnicode, "&Unicode (UTF-8, UTF-16)");
    options->AppendRadioItem(kVmAnsi, "A&NSI");
    options->AppendRadioItem(kVmOem, "&Oem\tF8");
    auto* bar = new wxMenuBar;
    bar->Append(search, "&Search");
    bar->Append(edit, "&Edit");
    bar->Append(options, "&Options");
    SetMenuBar(bar);
    // The frame's own keys come before what the drawing area does with them.
    wxAcceleratorEntry keys[] = {{wxACCEL_NORMAL, WXK_F3, kVmNext},   {wxACCEL_SHIFT, WXK_F3, kVmPrev},
                                 {wxACCEL_NORMAL, 'I', kVmInfo},      {wxACCEL_NORMAL, WXK_ESCAPE, kVmExit},
                                 {wxACCEL_CTRL, 'C', kVmCopy},        {wxACCEL_CTRL, 'A', kVmSelectAll},
                                 {wxACCEL_NORMAL, WXK_F2, kVmWrap},   {wxACCEL_NORMAL, WXK_F8, kVmOem},
                                 {wxACCEL_CTRL, 'E', kVmEditAtLine}};
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(keys)), keys));

    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnHit(true); }, kVmNext);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnHit(false); }, kVmPrev);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        TFileInfoDlg info(this, *cfg_, query_ ? &*query_ : nullptr, mainWindow_);
        info.ShowModal();
    }, kVmInfo);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        // Esc is also Exit's key, and reaches it while one of the menus is
        // open: then it closes that menu only.
        if (!CloseOpenMenu()) Close();
    }, kVmExit);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnEditAtLine(); }, kVmEditAtLine);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnCopy(); }, kVmCopy);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(model_->HasSelection()); }, kVmCopy);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) {
        model_->SelectAll();
        canvas_->Refresh(false);
    }, kVmSelectAll);
    for (int id : {kVmWrap, kVmAllWords, kVmOem, kVmAuto, kVmUnicode, kVmAnsi})
        Bind(wxEVT_MENU, [this, id](wxCommandEvent&) { OnToggle(id); }, id);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Destroy(); });
}

void TViewDlg::ShowHitAt(std::uint64_t offset) {
    model_->ShowHitAt(offset);
    canvas_->Refresh(false);
}

void TViewDlg::OnHit(bool next) {
    if (!(next ? model_->NextHit() : model_->PrevHit())) ShowMessage(this, "Word(s) not found");
    canvas_->Refresh(false);
}

void TViewDlg::OnEditAtLine() {
    if (cfg_->FoundFiles.empty()) return;
    const std::optional<std::string> path = HandOverPath(this, cfg_->FoundFiles[0].Path());
    if (!path) return;
    std::string why;
    if (EditAtLine(ui_.Editor, *path, model_->LineForEdit(), why)) return;
    // As Open with tells it; with no editor named, the desktop's program had no
    // name to give, so the file is named.
    const bool named = ui_.Editor.find_first_not_of(" \t\n") != std::string::npos;
    ShowUnableToExecute(this, named ? ui_.Editor : *path);
}

void TViewDlg::OnCopy() {
    if (!model_->HasSelection()) return;
    // The text in the reading shown: UTF-8, every character of it valid.
    const std::string text = model_->SelectedText();
    wxClipboardLocker locker;
    if (!locker) return;
    wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(text.data(), text.size())));
}

void TViewDlg::OnToggle(int id) {
    // The model holds the flags; the check marks follow it, whether the
    // command came from the menu or from a key.
    if (id == kVmWrap) model_->SetWrap(!model_->Wrap());
    if (id == kVmAllWords) model_->SetAllWords(!model_->AllWords());
    // OEM's item or F8: OEM, or back from it to the reading chosen before.
    if (id == kVmOem) model_->SetOem(!model_->Oem());
    if (id == kVmAuto) model_->SetReading(ShownReading::kAuto);
    if (id == kVmUnicode) model_->SetReading(ShownReading::kUnicode);
    if (id == kVmAnsi) model_->SetReading(ShownReading::kAnsi);
    ShowState();
    if (!IsIconized()) canvas_->Refresh(false);
}

void TViewDlg::ShowState() {
    wxMenuBar* bar = GetMenuBar();
    bar->Check(kVmWrap, model_->Wrap());
    bar->Check(kVmAllWords, model_->AllWords());
    switch (model_->Reading()) {
        case ShownReading::kAuto: bar->Check(kVmAuto, true); break;
        case ShownReading::kUnicode: bar->Check(kVmUnicode, true); break;
        case ShownReading::kAnsi: bar->Check(kVmAnsi, true); break;
        case ShownReading::kOem: bar->Check(kVmOem, true); break;
    }
}

}  // namespace quarvel
