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

TEST(ShellText, TypedTextRoundTripsThroughAnsi) {
    std::string ansi;
    ASSERT_TRUE(ToAnsi(wxString::FromUTF8("Stra\xC3\x9F" "e \xE2\x82\xAC"), ansi, nullptr));
    EXPECT_EQ(ansi, "Stra\xDF" "e \x80");
}

TEST(ShellText, CharacterOutsideTheCodePageIsRefusedWithAMessage) {
    wxFrame frame(nullptr, wxID_ANY, "owner");
    std::string ansi = "unchanged";
    bool accepted = true;
    // The message names the character as it is, not its bytes read as Windows-1252.
    for (const char* refused : {"\xD0\xBF", "\xE2\x98\x83", "\xF0\x9F\x98\x80"}) {
        const std::string code = wxString::Format("U+%04X", static_cast<unsigned>(
                                                      wxString::FromUTF8(refused)[0].GetValue())).ToStdString();
        wxTEST_DIALOG(accepted = ToAnsi(wxString::FromUTF8(refused) + "x", ansi, &frame),
                      ExpectMessage(wxString::FromUTF8("The character " + code + " (" + refused +
                                                       ") cannot be used here: the text must be in the "
                                                       "Windows-1252 character set.")));
        EXPECT_FALSE(accepted);
        EXPECT_EQ(ansi, "unchanged");
    }
}

TEST(MainWindow, IsCaptionedWithTheProductName) {
    ProgramState state;
    auto* frame = new TMainFrame(state);
    EXPECT_EQ(frame->GetTitle(), "Quarvel");
    frame->Destroy();
}

}  // namespace
}  // namespace quarvel
