#pragma once
#include <optional>
#include <string>

class wxWindow;

namespace quarvel {

// The path to hand another program for a found file: the file's own, or a
// member's copy in the private temporary folder. When none can be made the
// reason is shown over owner and there is none.
std::optional<std::string> HandOverPath(wxWindow* owner, const std::string& path);

}  // namespace quarvel
