// The results list cuts its long cells to their columns before it paints
// them; they must look exactly as the report's own cutting draws them. Random
// names and folders (kerning pairs, accents, other scripts, combining marks,
// line breaks) in random column widths and two fonts are drawn by the list and
// by a plain report handed the whole texts, and the two are compared pixel by
// pixel.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/imagpng.h>

#include "platform/clock.h"
#include "platform/text_wx.h"
#include "results/results_list_wx.h"
#include "results/row_text.h"
#include "tests/shell/settle.h"

namespace quarvel {
namespace {

wxString WholeText(const TSaveFile& file, long column) {
    const std::string text = CellText(file, static_cast<int>(column));
    return column <= 1 ? FromFileName(text) : wxString::FromAscii(text.c_str());
}

// The list, counting the cells it hands the report cut.
class CountingList : public TListWindow1 {
public:
    CountingList(wxWindow* parent, const TSearchCFG& cfg) : TListWindow1(parent, cfg, ListCommands{1, 2}), cfg_(cfg) {}
    long Cut() const { return cut_; }

protected:
    wxString OnGetItemText(long item, long column) const override {
        wxString text = TListWindow1::OnGetItemText(item, column);
        if (text != WholeText(cfg_.FoundFiles[item], column)) ++cut_;
        return text;
    }

private:
    const TSearchCFG& cfg_;
    mutable long cut_ = 0;
};

// The report as the list was before it cut its cells: the whole texts.
class PlainList : public wxListCtrl {
public:
    PlainList(wxWindow* parent, const TSaveFileArray& files)
        : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                     wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL),
          files_(files) {}

protected:
    wxString OnGetItemText(long item, long column) const override { return WholeText(files_[item], column); }

private:
    const TSaveFileArray& files_;
};

// Made-up found files: folders and names from pieces that kern ("Tr.",
// "buffer", "power", "AVA"), accented and other scripts, combining marks, a
// line break, a tab.
TSaveFileArray MadeUpFiles(std::size_t count) {
    static const char* const pieces[] = {
        "drivers", "usb", "linux-source-6.1", "buffer", "power", "timer", "Travel", "WAVY", "Py.Ty", "raffle",
        "fifty", "ffl", "AVA", "r.r", "Yes.", "caf\u00e9", "\u00dcbung", "\u0434\u0430\u043d\u043d\u044b\u0435",
        "\u65e5\u672c\u8a9e", "\u05e9\u05dc\u05d5\u05dd", "\u0645\u0631\u062d\u0628\u0627", "e\u0301t\u0301e",
        "two\nlines", "tab\there", "  spaced  ", "x", "W", "iiii", "mutex_lock", "a_very_long_name_without_any_slash"};
    std::mt19937 random(1957);
    auto piece = [&] { return std::string(pieces[random() % (sizeof pieces / sizeof *pieces)]); };
    TSaveFileArray files;
    std::string folder;
    for (std::size_t i = 0; i < count; ++i) {
        // Runs of files share their folder, as a folder walk finds them.
        if (i % 4 == 0) {
            folder.clear();
            for (int part = 1 + random() % 9; part > 0; --part) folder += "/" + piece();
        }
        std::string name = piece();
        for (int part = random() % 4; part > 0; --part) name += (random() % 2 ? "_" : ".") + piece();
        TSaveFile file;
        file.name = SharedText(name);
        file.folder = SharedText(folder);
        file.size = random() % 4000000000ULL;
        const DosStamp stamp = DosStampFromTime(946684800 + static_cast<std::time_t>(random() % 900000000));
        file.date = stamp.date;
        file.time = stamp.time;
        files.push_back(std::move(file));
    }
    return files;
}

// The rows of a report as they show.
wxImage Shot(wxListCtrl& list) {
    wxWindow* rows = list.GetTargetWindow();
    const wxSize size = rows->GetClientSize();
    wxBitmap shot(size.x, size.y);
    {
        wxWindowDC window(rows);
        wxMemoryDC memory(shot);
        memory.Blit(0, 0, size.x, size.y, &window, 0, 0);
    }
    return shot.ConvertToImage();
}

TEST(ResultsList, CutCellsLookAsTheReportCutsThem) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.FoundFiles = MadeUpFiles(600);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "cells", wxPoint(0, 0), wxSize(1260, 860));
    // Gone at the end, or at a failed assertion.
    const std::unique_ptr<wxFrame, void (*)(wxFrame*)> closing(frame, [](wxFrame* window) {
        window->Destroy();
        Settle(50);
    });
    auto* list = new CountingList(frame, cfg);
    auto* plain = new PlainList(frame, cfg.FoundFiles);
    for (int column = 0; column < list->GetColumnCount(); ++column) {
        wxListItem header;
        header.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_WIDTH | wxLIST_MASK_FORMAT);
        list->GetColumn(column, header);
        plain->AppendColumn(header.GetText(), header.GetAlign(), header.GetWidth());
    }
    // Neither report has the focus, which would mark a row.
    auto* button = new wxButton(frame, wxID_ANY, "focus", wxPoint(0, 820), wxSize(80, 30));
    list->SetSize(0, 0, 1250, 400);
    plain->SetSize(0, 410, 1250, 400);
    frame->Show();
    button->SetFocus();
    list->ShowRows(cfg.FoundFiles.size());
    plain->SetItemCount(static_cast<long>(cfg.FoundFiles.size()));
    Settle(200);

    std::mt19937 random(4242);
    for (int round = 0; round < 48; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (round == 24) {
            // Another font: the widths measured in the first are of no use.
            const wxFont font = list->GetFont().Bold().Scaled(1.3f);
            list->SetFont(font);
            plain->SetFont(font);
        }
        auto between = [&](int low, int high) { return low + static_cast<int>(random() % (high - low + 1)); };
        const int widths[kResultColumns] = {between(12, 270), between(12, 430), between(12, 100), between(40, 90),
                                            between(20, 60)};
        const long top = static_cast<long>(random() % (cfg.FoundFiles.size() - 40));
        for (wxListCtrl* report : {static_cast<wxListCtrl*>(list), static_cast<wxListCtrl*>(plain)}) {
            for (int column = 0; column < kResultColumns; ++column) report->SetColumnWidth(column, widths[column]);
            report->EnsureVisible(cfg.FoundFiles.size() - 1);
            report->EnsureVisible(top);
            report->Refresh();
            report->Update();
        }
        Settle(30);
        ASSERT_EQ(list->GetTopItem(), plain->GetTopItem());
        const wxImage shown = Shot(*list), whole = Shot(*plain);
        ASSERT_EQ(shown.GetSize(), whole.GetSize());
        const int bytes = shown.GetWidth() * shown.GetHeight() * 3;
        int differ = 0;
        for (int at = 0; at < bytes; ++at) differ += shown.GetData()[at] != whole.GetData()[at];
        if (differ) {
            if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
            shown.SaveFile("results_list_cut.png", wxBITMAP_TYPE_PNG);
            whole.SaveFile("results_list_whole.png", wxBITMAP_TYPE_PNG);
        }
        ASSERT_EQ(differ, 0) << "the rows from " << top << " differ: see results_list_cut.png and "
                             << "results_list_whole.png";
        // Asked outside a paint, the cells are whole.
        for (long row = top; row < top + 5; ++row)
            for (int column = 0; column < kResultColumns; ++column)
                ASSERT_EQ(list->GetItemText(row, column), WholeText(cfg.FoundFiles[row], column));
    }
    // The list did cut cells itself (the rest it left to the report).
    EXPECT_GT(list->Cut(), 1000);
}

}  // namespace
}  // namespace quarvel
