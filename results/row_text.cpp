#include "results/row_text.h"

#include <cinttypes>
#include <cstdio>

#include "platform/clock.h"

namespace quarvel {

std::string CellText(const TSaveFile& file, int column) {
    char text[32];
    switch (column) {
        case 0: return file.name.str();
        case 1: return file.folder.str() + "/";
        case 2: std::snprintf(text, sizeof text, "%" PRIu64, file.size); break;
        case 3:
            std::snprintf(text, sizeof text, "%02d/%02d/%04d", DosDay(file.date), DosMonth(file.date),
                          DosYear(file.date));
            break;
        case 4: std::snprintf(text, sizeof text, "%02d:%02d", DosHour(file.time), DosMinute(file.time)); break;
        default: return std::string();
    }
    return text;
}

}  // namespace quarvel
