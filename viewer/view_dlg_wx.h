#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include <wx/frame.h>

#include "query/tstr.h"
#include "settings/ui_settings.h"
#include "viewer/view_file.h"
#include "viewer/view_model.h"

namespace quarvel {

enum ViewCommandId : int {
    kVmNext = 601,
    kVmPrev = 602,
    kVmWrap = 603,
    kVmAllWords = 604,
    kVmOem = 605,
    kVmInfo = 606,
    kVmCopy = 607,
    kVmSelectAll = 608,
    kVmAuto = 609,  // the reading shown: Auto, Unicode, ANSI, or OEM (kVmOem, F8)
    kVmUnicode = 610,
    kVmAnsi = 611,
    kVmEditAtLine = 612,
    kVmExit = 24310,
};

class TViewCanvas;

// The viewer: a window of its own that shows one found file with its hits,
// owns the search record that the View command prepared for it, and counts
// itself among the open viewers while it exists.
class TViewDlg : public wxFrame {
public:
    // mainWindow: the window it is first centred over, as its information dialog is.
    TViewDlg(std::unique_ptr<TSearchCFG> cfg, const Tstr* query, const TUiSettings& ui, std::int32_t& openViewers,
             const wxWindow* mainWindow = nullptr);
    ~TViewDlg() override;

    ViewModel& Model() { return *model_; }
    const TSearchCFG& Record() const { return *cfg_; }
    wxWindow* Canvas() const;
    // The viewer font and hit colour as the settings hold them now.
    void ApplyFont(const TLogFont& font, std::uint32_t hitColour);
    // Opens at the hit at offset (the preview's line): as if Next had stepped to it.
    void ShowHitAt(std::uint64_t offset);

private:
    void BuildMenu();
    void OnHit(bool next);
    void OnCopy();
    void OnToggle(int id);
    void OnEditAtLine();
    // The menu's marks as the model holds its flags and reading.
    void ShowState();

    std::unique_ptr<TSearchCFG> cfg_;
    std::optional<Tstr> query_;  // the expression the hits were found with
    ViewFile file_;
    std::unique_ptr<ViewModel> model_;
    const TUiSettings& ui_;  // read when used: the options may change while the viewer is open
    std::int32_t& openViewers_;
    const wxWindow* mainWindow_;
    TViewCanvas* canvas_ = nullptr;
};

}  // namespace quarvel
