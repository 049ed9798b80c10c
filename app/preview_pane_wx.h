#pragma once
#include <cstdint>
#include <functional>

#include <wx/vlbox.h>

#include "app/preview_model.h"

namespace quarvel {

// The preview pane under the results list: the lines of the selected found
// file that hold hits, each after its number, the hits in the hit colour.
class TPreviewPane : public wxVListBox {
public:
    // open: a line was double-clicked or Enter pressed on it.
    TPreviewPane(wxWindow* parent, std::function<void(const HitLine&)> open);

    PreviewModel& Model() { return model_; }
    // After the model changed: the rows are counted and drawn again.
    void Refresh();
    void SetHitColour(const wxColour& colour) { hit_ = colour; }
    // The line of the row selected, else of the first row; nullptr when none.
    const HitLine* CurrentLine() const;

private:
    void OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const override;
    wxCoord OnMeasureItem(size_t n) const override;

    PreviewModel model_;
    std::function<void(const HitLine&)> open_;
    wxColour hit_ = *wxRED;
};

}  // namespace quarvel
