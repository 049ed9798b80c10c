// The viewer's window over UTF-8 and UTF-16 files found by a search: the
// rows it draws hold the decoded characters with the hits on the words that
// matched, Copy puts the text on the clipboard, the Options menu chooses the
// reading, and the drawn characters are kept within a bound.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <wx/clipbrd.h>
#include <wx/menu.h>

#include "platform/clock.h"
#include "search/search_run.h"
#include "tests/file_bytes.h"
#include "tests/shell/settle.h"
#include "tests/temp_folder.h"
#include "viewer/glyph_cells_wx.h"
#include "tests/shell/quiet_observer.h"
#include "viewer/view_dlg_wx.h"

namespace quarvel {
namespace {

std::string Copied() {
    wxTextDataObject copied;
    if (!wxTheClipboard->Open()) return "<no clipboard>";
    const bool got = wxTheClipboard->GetData(copied);
    wxTheClipboard->Close();
    if (!got) return "<nothing>";
    const wxString text = copied.GetText();  // the buffer below lives in it
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

// A viewer over a file, as the View command opens it: the file searched for
// the expression with the default readings.
struct ShownFile {
    ShownFile(const std::string& name, const std::string& bytes, const std::string& expression)
        : folder("qv-viewer-chars") {
        const std::string path = folder.Path() + "/" + name;
        Put(path, bytes);
        auto cfg = std::make_unique<TSearchCFG>();
        cfg->SetDefaults();
        cfg->SearchFilesMask = path;
        cfg->SearchString = expression;
        cfg->DeriveWindows(TodayDosDate());
        Quiet quiet;
        EXPECT_EQ(SearchRun(*cfg, query, quiet, RunMode::Open).Run(), RunResult::Ok);
        viewer = new TViewDlg(std::move(cfg), query.get(), ui, openViewers);
        viewer->SetSize(0, 0, 600, 300);
        viewer->Show();
        Settle(100);
    }
    ~ShownFile() {
        viewer->Close();
        Settle(50);
    }
    void Command(int id) {
        wxCommandEvent event(wxEVT_MENU, id);
        viewer->ProcessWindowEvent(event);
        viewer->Canvas()->Update();
        Settle(30);
    }
    // The cells of a row drawn in the hit colour, as marks "first+length".
    std::string Marks(int row) {
        const std::vector<ViewRow> rows = viewer->Model().ReadRows(row + 1);
        std::string marks;
        for (const HitMark& mark : viewer->Model().MarksFor(rows.at(row)))
            marks += (marks.empty() ? "" : " ") + std::to_string(mark.column) + "+" + std::to_string(mark.length);
        return marks;
    }

    TempFolder folder;
    std::unique_ptr<Tstr> query;
    TUiSettings ui;
    std::int32_t openViewers = 0;
    TViewDlg* viewer = nullptr;
};

TEST(ViewerCharacters, AUtf8FileShowsItsCharactersWithTheHitsAndCopiesItsText) {
    const std::string text = "The caf\xC3\xA9 is open.\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, "
                             "\xD0\xBC\xD0\xB8\xD1\x80! \xE4\xB8\xAD\xE6\x96\x87 \xE4\xB8\xAD\n";
    ShownFile shown("cyrillic.txt", text, "caf\xC3\xA9|\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82|\xE4\xB8\xAD");
    ViewModel& model = shown.viewer->Model();
    EXPECT_EQ(model.ShownAs(), ShownReading::kUnicode);
    const std::vector<ViewRow> rows = model.ReadRows(2);
    EXPECT_EQ(rows[0].text, "The café is open.");
    EXPECT_EQ(rows[1].text, "Привет, мир! 中文 中");
    EXPECT_EQ(shown.Marks(0), "4+4");  // café: five bytes, four characters
    EXPECT_EQ(shown.Marks(1), "0+6 13+2 18+2");  // Привет, and 中 in two cells each
    shown.Command(kVmSelectAll);
    shown.Command(kVmCopy);
    EXPECT_EQ(Copied(), text);
    // A selection made by a drag from the 8th to the 12th cell of the second row.
    model.Select(model.OffsetAt(8, 1), model.OffsetAt(12, 1));
    shown.Command(kVmCopy);
    EXPECT_EQ(Copied(), "мир!");
}

TEST(ViewerCharacters, AUtf16FileShowsItsLinesWithTheHitsAndCopiesItsText) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        const std::u16string chars = u"first line\r\nsecond hello\r\n";
        std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : chars) {
            const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
            bytes += big ? std::string{high, low} : std::string{low, high};
        }
        ShownFile shown("wide.txt", bytes, "hello");
        ViewModel& model = shown.viewer->Model();
        EXPECT_EQ(model.ShownAs(), ShownReading::kUnicode);
        const std::vector<ViewRow> rows = model.ReadRows(2);
        EXPECT_EQ(rows[0].text, "first line");
        EXPECT_EQ(rows[1].text, "second hello");
        EXPECT_EQ(shown.Marks(1), "7+5");
        shown.Command(kVmSelectAll);
        shown.Command(kVmCopy);
        EXPECT_EQ(Copied(), "first line\r\nsecond hello\r\n");
    }
}

TEST(ViewerCharacters, TheOptionsMenuChoosesTheReadingAndF8TogglesOem) {
    // "für" in UTF-8, which ANSI shows as "fÃ¼r".
    ShownFile shown("meant.txt", "f\xC3\xBCr alle\n", "alle");
    ViewModel& model = shown.viewer->Model();
    wxMenuBar* bar = shown.viewer->GetMenuBar();
    for (int id : {kVmAuto, kVmUnicode, kVmAnsi, kVmOem}) {
        ASSERT_NE(bar->FindItem(id), nullptr) << id;
        EXPECT_EQ(bar->FindItem(id)->GetKind(), wxITEM_RADIO) << id;
    }
    EXPECT_TRUE(bar->IsChecked(kVmAuto));
    EXPECT_EQ(model.ReadRows(1)[0].text, "für alle");
    shown.Command(kVmAnsi);
    EXPECT_TRUE(bar->IsChecked(kVmAnsi));
    EXPECT_EQ(model.ReadRows(1)[0].text, "f\u00C3\u00BCr alle");
    EXPECT_EQ(shown.Marks(0), "5+4");  // found by the three readings, marked once
    shown.Command(kVmOem);  // F8's command
    EXPECT_TRUE(bar->IsChecked(kVmOem));
    EXPECT_EQ(model.ShownAs(), ShownReading::kOem);
    shown.Command(kVmOem);  // F8 again: back to ANSI
    EXPECT_TRUE(bar->IsChecked(kVmAnsi));
    EXPECT_EQ(model.ShownAs(), ShownReading::kAnsi);
    shown.Command(kVmUnicode);
    EXPECT_TRUE(bar->IsChecked(kVmUnicode));
    EXPECT_EQ(model.ReadRows(1)[0].text, "für alle");
    EXPECT_EQ(shown.Marks(0), "4+4");
}

TEST(ViewerCharacters, TheDrawnCharactersStayWithinTheirBound) {
    GlyphCells cells;
    cells.Use(*wxNORMAL_FONT, 8, 16, 1.0);
    for (char32_t c = 0x4E00; c < 0x4E00 + kGlyphCellsKept + 500; ++c) {
        const wxBitmap& cell = cells.Cell(c, 2, *wxBLACK, *wxWHITE);
        ASSERT_EQ(cell.GetLogicalWidth(), 16);
    }
    EXPECT_EQ(cells.Kept(), kGlyphCellsKept);
    EXPECT_EQ(cells.Cell(U'a', 1, *wxBLACK, *wxWHITE).GetLogicalWidth(), 8);
}

}  // namespace
}  // namespace quarvel
