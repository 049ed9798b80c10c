#include <gtest/gtest.h>

#include <wx/frame.h>
#include "tests/shell/modal_expect.h"

#include "app/main_frame_wx.h"
#include "app/program_state.h"
#include "platform/text_wx.h"

namespace quarvel {
namespace {

TEST(ShellText, AnsiBytesBecomeTheirUnicodeCharacters) {
    wxString text = FromAnsi("\x80 caf\xE9 \x9F");
    ASSERT_EQ(text.length(), 8u);
    EXPECT_EQ(text[0].GetValue(), 0x20ACu);
    EXPECT_EQ(text[5].GetValue(), 0xE9u);
    EXPECT_EQ(text[7].GetValue(), 0x178u);
}

// Typed text is held as UTF-8, every character of it; text that is no UTF-8
// (a name's bytes, an old file's) shows in its Windows-1252 reading.
TEST(ShellText, TypedTextIsHeldWholeAndOddBytesStillShow) {
    for (const char* typed : {"Stra\xC3\x9F" "e \xE2\x82\xAC", "\xD0\xBF\xD1\x80\xD0\xB8", "\xF0\x9F\x98\x80 \xE6\xBC\xA2"}) {
        const wxString text = wxString::FromUTF8(typed);
        EXPECT_EQ(ToUtf8(text), typed);
        EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    }
    EXPECT_EQ(FromUtf8("caf\xE9"), FromAnsi("caf\xE9"));
}

TEST(MainWindow, IsCaptionedWithTheProductName) {
    ProgramState state;
    auto* frame = new TMainFrame(state);
    EXPECT_EQ(frame->GetTitle(), "Quarvel");
    frame->Destroy();
}

}  // namespace
}  // namespace quarvel
