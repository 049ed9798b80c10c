// The main window's tool bar buttons read as enabled or disabled at a
// glance: an enabled button's picture is in colour (the desktop theme's pale
// symbols once made enabled buttons look switched off), a disabled one's is
// in greys and clearly another image.
#include <gtest/gtest.h>

#include <algorithm>

#include <wx/aui/auibar.h>
#include <wx/image.h>

#include "app/commands.h"
#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "tests/shell/settle.h"

namespace quarvel {
namespace {

bool Opaque(const wxImage& image, int x, int y) { return !image.HasAlpha() || image.GetAlpha(x, y) >= 128; }

// The mean saturation (HSV, 0 to 1) of the picture's opaque pixels.
double MeanSaturation(const wxImage& image) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) {
            if (!Opaque(image, x, y)) continue;
            const int most = std::max({image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)});
            const int least = std::min({image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)});
            sum += most == 0 ? 0 : double(most - least) / most;
            ++count;
        }
    return count == 0 ? 0 : sum / count;
}

// The share of pixels, 0 to 1, that one picture shows otherwise than the other.
double ShareDifferent(const wxImage& one, const wxImage& other) {
    if (one.GetSize() != other.GetSize()) return 1;
    int count = 0;
    for (int y = 0; y < one.GetHeight(); ++y)
        for (int x = 0; x < one.GetWidth(); ++x) {
            const bool opaque = Opaque(one, x, y);
            if (opaque != Opaque(other, x, y)) {
                ++count;
                continue;
            }
            const int spread = std::abs(one.GetRed(x, y) - other.GetRed(x, y)) +
                               std::abs(one.GetGreen(x, y) - other.GetGreen(x, y)) +
                               std::abs(one.GetBlue(x, y) - other.GetBlue(x, y));
            if (opaque && spread > 48) ++count;
        }
    return double(count) / (one.GetWidth() * one.GetHeight());
}

TEST(ToolPictures, EnabledInColourDisabledInGreysAndOtherwise) {
    ProgramState state;
    state.search.SetDefaults();
    auto* frame = new TMainFrame(state);
    wxAuiToolBar* bar = frame->ToolBar();
    for (int id : ToolBarLayout()) {
        if (id == 0) continue;
        SCOPED_TRACE(FindCommand(id)->menuText);
        const wxAuiToolBarItem* tool = bar->FindTool(id);
        ASSERT_NE(tool, nullptr);
        const wxBitmap enabled = tool->GetBitmapFor(bar);
        ASSERT_TRUE(enabled.IsOk());
        // Without a disabled picture of its own, the tool bar greys the enabled one.
        wxBitmap disabled = tool->GetDisabledBitmapFor(bar);
        if (!disabled.IsOk()) disabled = enabled.ConvertToDisabled();
        const wxImage on = enabled.ConvertToImage(), off = disabled.ConvertToImage();
        // The theme's pictures measured 0.02 to 0.08, the program's own 0.2 and up.
        EXPECT_GT(MeanSaturation(on), 0.15);
        // The toolkit's own greying keeps the colours, only paler.
        EXPECT_LT(MeanSaturation(off), 0.05);
        EXPECT_GT(ShareDifferent(on, off), 0.2);
    }
    frame->Destroy();
    Settle(50);
}

}  // namespace
}  // namespace quarvel
