#pragma once
#include <string>

#include "results/save_file.h"

namespace quarvel {

// The results list's columns: File, Folder, Size, Date, Time.
inline constexpr int kResultColumns = 5;

// The text of one cell of a found file's row: the name; the folder followed
// by "/"; the whole size in decimal; the date as day/month/year; the time as
// hour:minute.
std::string CellText(const TSaveFile& file, int column);

}  // namespace quarvel
