#include "search/skipped_files.h"

namespace quarvel {

void SkippedFiles::Add(const std::string& path, const std::string& reason) {
    if (count_++ < kShown) lines_ += "\n" + path + ": " + reason;
}

void SkippedFiles::Clear() {
    lines_.clear();
    count_ = 0;
}

std::string SkippedFiles::Message() const {
    std::string text = "Not searched inside:" + lines_;
    if (count_ > kShown) text += "\n... and " + std::to_string(count_ - kShown) + " more";
    return text;
}

}  // namespace quarvel
