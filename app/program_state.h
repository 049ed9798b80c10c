#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "query/tstr.h"
#include "settings/ui_settings.h"

namespace quarvel {

// The program's state that lives from start to exit: what the registry keeps,
// and what lasts only while the program runs.
struct ProgramState : StoredSettings {
    std::unique_ptr<Tstr> query;  // the current compiled query, none until a search compiles one
    std::string startFolder;      // working folder at start
    std::int32_t openViewers = 0;
    // The row of the results list picked by the last right click, and where;
    // -1 once a command has used it.
    std::int32_t contextMenuRow = -1;
    std::int32_t contextMenuX = 0, contextMenuY = 0;
};

}  // namespace quarvel
