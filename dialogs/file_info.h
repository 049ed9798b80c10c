#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// The controls of the file information dialog that show something of the file.
enum FileInfoId : int {
    kFileInfoPath = 501, kFileInfoSize = 502, kFileInfoDate = 503, kFileInfoTime = 504,
    kFileInfoExpression = 505, kFileInfoWords = 507,
};

// One row of the word list: a search word and how often it occurs in the file.
struct FileInfoWordRow {
    std::string word;   // UTF-8, as compiled
    std::string times;
    bool operator==(const FileInfoWordRow&) const = default;
};

// What the file information dialog shows of the file open in a viewer: the
// viewer's search record holds the file's full path as its mask, the file as
// its first found file, and the file's hits.
struct FileInfo {
    std::string path;        // file-system bytes
    std::string size;        // "Size 1234 byte(s)"
    std::string date;        // "Date dd/mm/yyyy"
    std::string time;        // "Time hh:mm"
    std::string expression;  // UTF-8
    std::vector<FileInfoWordRow> words;  // in the order of the compiled query; none without one

    FileInfo(const TSearchCFG& cfg, const Tstr* query);
};

// How many times a word occurs among the hits: a hit of the word counts unless
// it stands at the offset of the word's last counted hit, so that the same
// occurrence found again right away is not counted twice.
std::uint64_t CountWordHits(const TSaveElemArray& hits, std::uint32_t word);

}  // namespace quarvel
