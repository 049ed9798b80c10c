#include "app/main_status_bar_wx.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/utils.h>

#include "app/commands.h"
#include "platform/clock.h"

namespace quarvel {

namespace {

enum Pane { kHintPane, kCapsPane, kNumPane, kScrollPane, kOvertypePane, kClockPane, kPaneCount };
constexpr const char* kIndicators[] = {"CAPS", "NUM", "SCRL", "OVR"};

}  // namespace

TMainStatusBar::TMainStatusBar(wxWindow* parent) : wxStatusBar(parent, wxID_ANY, wxSTB_DEFAULT_STYLE) {
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    const int margin = 32;  // the pane's borders and the text's indent
    int widths[kPaneCount] = {-1};
    for (int pane = kCapsPane; pane <= kOvertypePane; ++pane)
        widths[pane] = dc.GetTextExtent(kIndicators[pane - kCapsPane]).x + margin;
    // Twelve of the widest character, and never less than the clock text needs.
    const int clock = dc.GetTextExtent(ClockText({28, 12, 2028, 23, 58, 58})).x + margin;
    widths[kClockPane] = std::max(12 * dc.GetTextExtent("W").x, clock);
    const int blank = std::max(1, dc.GetTextExtent(" ").x);
    clockIndent_ = wxString(' ', static_cast<size_t>((widths[kClockPane] - clock) / 2 / blank));
    int styles[kPaneCount];
    for (int& style : styles) style = wxSB_SUNKEN;
    SetFieldsCount(kPaneCount, widths);
    SetStatusStyles(kPaneCount, styles);
    UpdatePanes();
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
