#include "results/list_export.h"

#include <glib.h>

#include <cstdio>
#include <memory>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/text_conv.h"
#include "results/row_text.h"

namespace quarvel {

namespace {

constexpr const char* kCrLf = "\r\n";

void AppendCsvField(std::string& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string Base64(const std::string& bytes) {
    const std::unique_ptr<gchar, decltype(&g_free)> text(
        g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size()), &g_free);
    return text.get();
}

// The record's packed local date and time as YYYY-MM-DDTHH:MM:SS.
std::string Modified(const TSaveFile& f) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", DosYear(f.date), DosMonth(f.date),
                  DosDay(f.date), DosHour(f.time), DosMinute(f.time), DosSecond(f.time));
    return text;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

std::string CsvHeader() { return std::string("path,folder,name,size,date,time,hits") + kCrLf; }

void AppendCsvRow(std::string& out, const ExportRow& row) {
    const TSaveFile& f = *row.file;
    // path, then the list's cells: folder, name, size, date, time.
    AppendCsvField(out, f.Path());
    for (const int column : {1, 0, 2, 3, 4}) {
        out += ',';
        AppendCsvField(out, CellText(f, column));
    }
    out += ',';
    if (row.hits) out += std::to_string(*row.hits);
    out += kCrLf;
}

void AppendJsonLine(std::string& out, const ExportRow& row, std::string_view extra) {
    const TSaveFile& f = *row.file;
    const std::string path = f.Path();
    out += "{\"path\":";
    if (DecodeUtf8(path)) {
        AppendJsonString(out, path);
    } else {
        out += "{\"bytes\":\"" + Base64(path) + "\"}";
    }
    out += ",\"size\":" + std::to_string(f.size);
    out += ",\"modified\":\"" + Modified(f) + "\"";
    if (row.hits) out += ",\"hits\":" + std::to_string(*row.hits);
    out += extra;
    out += "}\n";
}

std::string ExportText(const std::vector<ExportRow>& rows, ExportFormat format) {
    std::string out;
    if (format == ExportFormat::Csv) out = CsvHeader();
    for (const ExportRow& row : rows) {
        if (format == ExportFormat::Csv)
            AppendCsvRow(out, row);
        else
            AppendJsonLine(out, row);
    }
    return out;
}

void ExportList(const std::string& path, const std::vector<ExportRow>& rows, ExportFormat format) {
    ReplaceFileOrThrow(path, ExportText(rows, format));
}

}  // namespace quarvel
