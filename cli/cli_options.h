#pragma once
#include <optional>
#include <string>
#include <vector>

#include "settings/search_cfg.h"

namespace quarvel {

enum class CliAction { Search, Open, View, Check, Help };

struct CliOptions {
    CliAction action = CliAction::Search;
    TSearchCFG cfg;             // filled as the search dialog's OK would
    std::string refineProject;  // --refine
    std::string saveProject;    // --save
    std::string openProject;    // --open
    std::string viewFile;       // --view
    bool rows = false, info = false, quiet = false;
    bool lines = false, json = false, csv = false;  // the found files listed with their hits
    bool nullEnds = false;      // -0: each found path (or row) ended by a NUL byte
    unsigned threads = 0;       // -j: the threads that decide the files; 0: one per usable processor
};

// Parses the command line; the error text is set (and nothing returned) on bad
// input. The expression and the operator strings are search text, held in
// UTF-8: a UTF-8 terminal's as typed, another terminal's read as
// Windows-1252; names and paths stay the file system's bytes as typed.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error,
                                          bool utf8Terminal);

extern const char* const kCliUsage;

}  // namespace quarvel
