#include "documents/hand_over_wx.h"

#include "documents/member_extract.h"
#include "platform/text_wx.h"

namespace quarvel {

std::optional<std::string> HandOverPath(wxWindow* owner, const std::string& path) {
    HandedOver handed = PathToHandOver(path);
    if (handed.path.empty()) {
        ShowMessage(owner, handed.failure);
        return std::nullopt;
    }
    return handed.path;
}

}  // namespace quarvel
