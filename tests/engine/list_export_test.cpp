// The exported list read back by Python's csv and json modules: every name,
// however awkward, comes back byte for byte, and what Python writes again
// from what it read is the file itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/error.h"
#include "results/list_export.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

// Reads the file as the format says, writes it again to compare, and prints
// each row's path (in hex), size and hits, then "same" or "differs".
constexpr const char* kReader = R"(
import csv, json, sys, base64
path, kind = sys.argv[1], sys.argv[2]
raw = open(path, 'rb').read()
rows = []
if kind == 'csv':
    with open(path, newline='', encoding='utf-8', errors='surrogateescape') as f:
        table = list(csv.reader(f))
    import io
    again = io.StringIO(newline='')
    csv.writer(again, lineterminator='\r\n').writerows(table)
    same = again.getvalue().encode('utf-8', 'surrogateescape') == raw
    assert table[0] == ['path', 'folder', 'name', 'size', 'date', 'time', 'hits']
    for r in table[1:]:
        p = r[0].encode('utf-8', 'surrogateescape')
        assert p == (r[1] + r[2]).encode('utf-8', 'surrogateescape')
        rows.append((p, r[3], r[6]))
else:
    lines = raw.split(b'\n')
    assert lines[-1] == b''
    same = True
    for line in lines[:-1]:
        o = json.loads(line.decode('utf-8'))
        same = same and json.dumps(o, ensure_ascii=False, separators=(',', ':')).encode('utf-8') == line
        p = base64.b64decode(o['path']['bytes']) if isinstance(o['path'], dict) else o['path'].encode('utf-8')
        rows.append((p, str(o['size']), str(o.get('hits', '')) + ' ' + o['modified']))
for p, size, hits in rows:
    print(p.hex(), size, hits)
print('same' if same else 'differs')
)";

std::string Hex(const std::string& bytes) {
    std::string hex;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex;
}

std::string ReadBack(const std::string& folder, const std::string& file, const char* kind) {
    std::ofstream(folder + "/reader.py") << kReader;
    const std::string command = "python3 " + folder + "/reader.py " + file + " " + kind + " 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
        ::pclose(pipe);
    }
    return out;
}

TEST(ListExport, PythonReadsBackEveryNameByteForByte) {
    TempFolder folder("quarvel-export");
    const std::vector<std::pair<std::string, std::string>> names = {
        {"/home/u", "plain.txt"},
        {"/home/u/a,b", "comma, and \"quotes\".txt"},
        {"/home/u", "line\nfeed\r\nand cr.txt"},
        {"/home/u", "a lone\rcarriage return.txt"},
        {"/home/u", "caf\xC3\xA9 \xE2\x80\xA8.txt"},   // UTF-8, a line separator among it
        {"/home/u/\xFF\xFE", "latin1 \xE9.txt"},       // no UTF-8: base64 in JSON, bytes in CSV
        {"/home/u", "-dash \t tab \x01 control.txt"},
        {"", "at the root"},
    };
    std::vector<TSaveFile> files;
    for (std::size_t i = 0; i < names.size(); ++i) {
        TSaveFile f;
        f.folder = names[i].first;
        f.name = names[i].second;
        f.size = i == 3 ? 5000000000ull : 1000 * i;
        f.date = static_cast<std::uint16_t>((46 << 9) | (12 << 5) | 10);  // 10/12/2026
        f.time = static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29);  // 23:59:58
        files.push_back(f);
    }
    std::vector<ExportRow> rows;
    for (std::size_t i = 0; i < files.size(); ++i)
        rows.push_back({&files[i], i % 2 ? std::optional<std::uint64_t>(i * 7) : std::nullopt});

    for (const ExportFormat format : {ExportFormat::Csv, ExportFormat::JsonLines}) {
        const bool csv = format == ExportFormat::Csv;
        const std::string path = folder.Path() + (csv ? "/list.csv" : "/list.jsonl");
        ExportList(path, rows, format);
        std::string expected;
        for (const ExportRow& row : rows) {
            expected += Hex(row.file->Path()) + " " + std::to_string(row.file->size) + " " +
                        (row.hits ? std::to_string(*row.hits) : "");
            if (!csv) expected += " 2026-12-10T23:59:58";
            expected += "\n";
        }
        EXPECT_EQ(ReadBack(folder.Path(), path, csv ? "csv" : "json"), expected + "same\n") << path;
    }
}

TEST(ListExport, FieldsAreQuotedOnlyWhenTheyMustBe) {
    TSaveFile f;
    f.folder = "/a";
    f.name = "x,\"y\"";
    f.size = 3;
    f.date = static_cast<std::uint16_t>((46 << 9) | (1 << 5) | 2);
    std::string line;
    AppendCsvRow(line, {&f, 12});
    EXPECT_EQ(line, "\"/a/x,\"\"y\"\"\",/a/,\"x,\"\"y\"\"\",3,02/01/2026,00:00,12\r\n");
    line.clear();
    AppendJsonLine(line, {&f, std::nullopt});
    EXPECT_EQ(line, "{\"path\":\"/a/x,\\\"y\\\"\",\"size\":3,\"modified\":\"2026-01-02T00:00:00\"}\n")
        << "no hits key when none were counted";
}

TEST(ListExport, AFileThatCannotBeWrittenIsRefusedWithItsPath) {
    TempFolder folder("quarvel-export");
    const std::string path = folder.Path() + "/missing/list.csv";
    try {
        ExportList(path, {}, ExportFormat::Csv);
        FAIL() << "no error";
    } catch (const QuarvelError& e) {
        EXPECT_EQ(std::string(e.what()), "Can`t create file " + path + ": its folder does not exist");
    }
}

}  // namespace
}  // namespace quarvel
