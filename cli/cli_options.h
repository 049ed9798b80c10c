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
};

// Parses the command line; the error text is set (and nothing returned) on bad input.
// toAnsi converts a typed text to Windows-1252, or sets the error.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error,
                                          bool utf8Terminal);

extern const char* const kCliUsage;

}  // namespace quarvel
