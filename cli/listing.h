#pragma once
#include <functional>
#include <string>

#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// How the found files are printed after a run or from a project.
struct ListingForm {
    bool lines = false;  // --lines: the lines that hold hits of satisfying units
    bool json = false;   // --json: JSON Lines
    bool csv = false;    // --csv
    bool nullEnds = false;
    bool utf8Terminal = true;
    bool documents = false;  // the lines of a document's text, of a member's bytes
    unsigned threads = 1;
    bool Counts() const { return lines || json || csv; }
};

// Search text (UTF-8) in the terminal's encoding: a terminal that is not
// UTF-8 gets Windows-1252, "?" for what that cannot hold.
std::string Typed(const std::string& text, bool utf8Terminal);

// Prints the found files of cfg in the form, in their order, with their hits
// counted again by query (none: nothing counted). write: false once output
// failed; stopped: true once the user stopped the program, whereupon the
// files not counted yet are printed without their hits and lines.
void PrintListing(const TSearchCFG& cfg, const Tstr* query, const ListingForm& form,
                  const std::function<bool(const std::string&)>& write, const std::function<bool()>& stopped);

}  // namespace quarvel
