#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/save_file.h"

namespace quarvel {

// The results list written out for other programs to read.
enum class ExportFormat {
    Csv,        // RFC 4180, UTF-8: path, folder, name, size, date, time, hits
    JsonLines,  // one object a line: path, size, modified, hits
};

// One row as the list shows it; hits when they have been counted.
struct ExportRow {
    const TSaveFile* file;
    std::optional<std::uint64_t> hits;
};

// The CSV header line, ended by CR LF.
std::string CsvHeader();
// One row as a CSV line, ended by CR LF: a field that holds a comma, a quote,
// a CR or a LF is quoted, its quotes doubled. Names are the file system's
// bytes as they stand; date and time are the list's; hits are empty when
// they have not been counted.
void AppendCsvRow(std::string& out, const ExportRow& row);
// One row as a JSON object on a line of its own, compact, keys in the order
// path, size, modified (YYYY-MM-DDTHH:MM:SS, local time), hits (left out when
// not counted). A path that is no UTF-8 is written {"bytes": "<base64>"}.
// extra: more members after those, written already (",\"lines\":[...]").
void AppendJsonLine(std::string& out, const ExportRow& row, std::string_view extra = {});
// A JSON string of valid UTF-8: quotes, backslashes and control characters escaped.
void AppendJsonString(std::string& out, std::string_view text);

// The whole list in a format, header included.
std::string ExportText(const std::vector<ExportRow>& rows, ExportFormat format);

// Writes the list to path by the same safe replace as a project file.
// Throws QuarvelError("Can`t create file ...") when it cannot.
void ExportList(const std::string& path, const std::vector<ExportRow>& rows, ExportFormat format);

}  // namespace quarvel
