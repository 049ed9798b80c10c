#include "app/preview_model.h"

namespace quarvel {

void PreviewModel::Asked(std::uint64_t request) {
    request_ = request;
    lines_ = HitLines();
    done_ = request == 0;
}

bool PreviewModel::Told(std::uint64_t request, const HitLines& lines, bool done) {
    if (request != request_ || request == 0) return false;
    lines_ = lines;
    done_ = done;
    return true;
}

std::size_t PreviewModel::Rows() const { return lines_.lines.size() + (NoteText().empty() ? 0 : 1); }

const HitLine* PreviewModel::LineAt(std::size_t row) const {
    return row < lines_.lines.size() ? &lines_.lines[row] : nullptr;
}

std::string PreviewModel::NoteText() const {
    if (request_ == 0) return std::string();
    if (!done_) return lines_.lines.empty() ? "Reading..." : "Reading more...";
    if (lines_.more == 1) return "1 more line";
    if (lines_.more > 1) return std::to_string(lines_.more) + " more lines";
    if (lines_.lines.empty()) return "No line of the file holds a hit now";
    return std::string();
}

std::string PreviewModel::NumberText(const HitLine& line) { return std::to_string(line.line) + ":"; }

}  // namespace quarvel
