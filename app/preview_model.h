#pragma once
#include <cstdint>
#include <string>

#include "viewer/hit_lines.h"

namespace quarvel {

// The preview pane without its widgets: the lines of the selected found
// file that hold hits of its satisfying units, and one row under them that
// says what is not listed.
class PreviewModel {
public:
    // A new file was asked for (request), or none (0): the list empties.
    void Asked(std::uint64_t request);
    // Lines told for a request; false (and nothing changes) when it is not
    // the one asked for last.
    bool Told(std::uint64_t request, const HitLines& lines, bool done);

    std::size_t Rows() const;
    // The line a row shows, or nullptr for the row that says what is not listed.
    const HitLine* LineAt(std::size_t row) const;
    // The last row's text: what is still being read, how many more lines
    // hold hits, or that none does; empty when there is no such row.
    std::string NoteText() const;
    // "1234:" before a line's text.
    static std::string NumberText(const HitLine& line);

private:
    std::uint64_t request_ = 0;
    HitLines lines_;
    bool done_ = true;
};

}  // namespace quarvel
