#include "app/main_status_bar_wx.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/utils.h>

#include "app/commands.h"
#include "platform/clock.h"

namespace quarvel {

namespace {

enum Pane { kHintPane, kCapsPane, kNumPane, kScrollPane, kOvertypePane, kPaneCount = 6 };
constexpr int kClockPane = TMainStatusBar::kClockPane;
constexpr const char* kIndicators[] = {"CAPS", "NUM", "SCRL", "OVR"};

}  // namespace

// No size grip: it is drawn over the last pane, the clock, and takes room
// from its text; the window's border resizes it.
TMainStatusBar::TMainStatusBar(wxWindow* parent)
    : wxStatusBar(parent, wxID_ANY, wxSTB_DEFAULT_STYLE & ~wxSTB_SIZEGRIP) {
    int styles[kPaneCount];
    for (int& style : styles) style = wxSB_SUNKEN;
    SetFieldsCount(kPaneCount);
    SetStatusStyles(kPaneCount, styles);
    FitPanes();
    Bind(wxEVT_DPI_CHANGED, [this](wxDPIChangedEvent& event) {
        FitPanes();
        event.Skip();
    });
    Bind(wxEVT_SYS_COLOUR_CHANGED, [this](wxSysColourChangedEvent& event) {
        FitPanes();
        event.Skip();
    });
    UpdatePanes();
}

void TMainStatusBar::FitPanes() {
    // Measured in the bar's own font, as it draws its texts.
    const auto width = [this](const wxString& text) { return GetTextExtent(text).x; };
    const int margin = FromDIP(16);  // the pane's borders and the text's indent
    int widths[kPaneCount] = {-1};
    for (int pane = kCapsPane; pane <= kOvertypePane; ++pane)
        widths[pane] = width(kIndicators[pane - kCapsPane]) + margin;
    // The clock's widest text: "dd/dd/dddd   dd:dd:dd" for every digit d, as
    // a font's digits need not be equally wide.
    int clock = 0;
    for (int d = 0; d <= 9; ++d)
        clock = std::max(clock, width(ClockText({d * 11, d * 11, d * 1111, d * 11, d * 11, d * 11})));
    clock += margin;
    // Twelve of the widest character, and never less than the clock text needs.
    widths[kClockPane] = std::max(12 * width("W"), clock);
    const int blank = std::max(1, width(" "));
    clockIndent_ = wxString(' ', static_cast<size_t>((widths[kClockPane] - clock) / 2 / blank));
    SetStatusWidths(kPaneCount, widths);
    shown_[kClockPane].clear();  // the indent may have changed
}

void TMainStatusBar::SetPane(int pane, const std::string& text) {
    if (shown_[pane] == text) return;
    shown_[pane] = text;
    wxString shown = wxString::FromAscii(text.c_str());
    if (pane == kClockPane) shown = clockIndent_ + shown;
    SetStatusText(shown, pane);
}

void TMainStatusBar::UpdatePanes() {
    const bool on[] = {wxGetKeyState(WXK_CAPITAL), wxGetKeyState(WXK_NUMLOCK), wxGetKeyState(WXK_SCROLL), overtype_};
    for (int pane = kCapsPane; pane <= kOvertypePane; ++pane)
        SetPane(pane, on[pane - kCapsPane] ? kIndicators[pane - kCapsPane] : "");
    SetPane(kClockPane, ClockText(LocalNow()));
}

}  // namespace quarvel
