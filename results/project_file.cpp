#include "results/project_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <functional>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_handle.h"

namespace quarvel {
namespace {

constexpr const char* kFoundFilesSection = "FoundFiles";
constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kMaxText = kPathBufferSize;  // a text value must be shorter
// The end of a line's text; a comma also ends a field of a record line.
constexpr std::string_view kLineBreaks("\r\n\0", 3);
constexpr std::string_view kRecordBreaks(",\r\n\0", 4);

enum class Kind { Text, U32, U16, Real };

struct Field {
    const char* key;
    Kind kind;
    std::string TSearchCFG::*text = nullptr;
    std::uint32_t TSearchCFG::*u32 = nullptr;
    std::uint16_t TSearchCFG::*u16 = nullptr;
    double TSearchCFG::*real = nullptr;
    std::size_t limit = 0;  // texts must be shorter than this
};

constexpr Field Text(const char* key, std::string TSearchCFG::*m, std::size_t limit) {
    return Field{key, Kind::Text, m, nullptr, nullptr, nullptr, limit};
}
constexpr Field U32(const char* key, std::uint32_t TSearchCFG::*m) {
    return Field{key, Kind::U32, nullptr, m, nullptr, nullptr, 0};
}
constexpr Field U16(const char* key, std::uint16_t TSearchCFG::*m) {
    return Field{key, Kind::U16, nullptr, nullptr, m, nullptr, 0};
}
constexpr Field Real(const char* key, double TSearchCFG::*m) {
    return Field{key, Kind::Real, nullptr, nullptr, nullptr, m, 0};
}

// The settings in the order they are written; the operator strings follow.
constexpr Field kFields[] = {
    Text("SearchFilesMask", &TSearchCFG::SearchFilesMask, kMaxText),
    Text("SearchString", &TSearchCFG::SearchString, kMaxText),
    Text("SearchDefaultPath", &TSearchCFG::SearchDefaultPath, kMaxText),
    U32("SearchWithin", &TSearchCFG::SearchWithin),
    U32("SearchCode", &TSearchCFG::SearchCode),
    U32("SearchIgnoreCase", &TSearchCFG::SearchIgnoreCase),
    U32("SearchIncludeSubDir", &TSearchCFG::SearchIncludeSubDir),
    U32("SearchWholeWord", &TSearchCFG::SearchWholeWord),
    U32("SearchIncludeHidden", &TSearchCFG::SearchIncludeHidden),
    U32("GFiles", &TSearchCFG::GFiles),
    Real("GSizeFiles", &TSearchCFG::GSizeFiles),
    Real("GSizeFilesCurrent", &TSearchCFG::GSizeFilesCurrent),
    U32("timeStart", &TSearchCFG::timeStart),
    U32("timeEnd", &TSearchCFG::timeEnd),
    Real("timeSum", &TSearchCFG::timeSum),
    U32("SearchDateId", &TSearchCFG::SearchDateId),
    U16("SearchDateFrom", &TSearchCFG::SearchDateFrom),
    U16("SearchDateBefore", &TSearchCFG::SearchDateBefore),
    U32("SearchDateLastMonate", &TSearchCFG::SearchDateLastMonate),
    U32("SearchDateLastDay", &TSearchCFG::SearchDateLastDay),
    U32("SearchSizeId", &TSearchCFG::SearchSizeId),
    U32("SearchSizeMax", &TSearchCFG::SearchSizeMax),
    U32("SearchSizeMin", &TSearchCFG::SearchSizeMin),
};

[[noreturn]] void ThrowCreate(const std::string& path, const std::string& reason = "") {
    throw QuarvelError("Can`t create file " + path + reason);
}
[[noreturn]] void ThrowOpen(const std::string& path) { throw QuarvelError("Can`t open file " + path); }
[[noreturn]] void ThrowInvalid(const std::string& path) { throw QuarvelError("Invalid format file " + path); }

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Leading blanks and the sign of a number; returns the position of its first digit.
std::size_t NumberStart(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    return i;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of a number without the 32-bit wrap, saturating at 2^64 - 1.
std::uint64_t ParseWhole64(std::string_view text, bool& negative) {
    std::uint64_t value = 0;
    for (std::size_t i = NumberStart(text, negative); i < text.size() && IsDigit(text[i]); ++i) {
        const std::uint64_t digit = static_cast<std::uint64_t>(text[i] - '0');
        value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    return value;
}

// The three real statistics pass 4 GB easily, so they are read without the 32-bit wrap.
double ParseWholeReal(std::string_view text) {
    bool negative;
    const double real = static_cast<double>(ParseWhole64(text, negative));
    return negative ? -real : real;
}

// A file's size passes 4 GiB too: read as the C library reads an unsigned
// 64-bit number (a minus sign negates modulo 2^64; too many digits give the largest).
std::uint64_t ParseFileSize(std::string_view text) {
    bool negative;
    const std::uint64_t value = ParseWhole64(text, negative);
    return negative && value != UINT64_MAX ? 0 - value : value;
}

// The whole-number part of a real, as an unsigned decimal without a 32-bit wrap.
std::string FormatWhole(double value) {
    if (!std::isfinite(value) || value < 1.0) return "0";
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::trunc(value));
    return buffer;
}

// Cuts the text at its first CR, LF or NUL: the end of a line's text.
std::string_view LineText(std::string_view piece) {
    const std::size_t end = piece.find_first_of(kLineBreaks);
    return end == std::string_view::npos ? piece : piece.substr(0, end);
}

// The value of a line carrying the key ("key=value"), or false.
bool KeyValue(std::string_view line, std::string_view key, std::string_view& value) {
    if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 || line[key.size()] != '=')
        return false;
    value = line.substr(key.size() + 1);
    return true;
}

bool IsSettingsSection(std::string_view line) { return line.size() > 2 && line.front() == '[' && line.back() == ']'; }
bool IsRecordsEnd(std::string_view line) { return line.size() >= 4 && line.front() == '[' && line.back() == ']'; }

bool NameBegins(std::string_view line, std::string_view word) { return line.substr(1).starts_with(word); }

// Reads the bytes of a file one line at a time, each line whole however
// long: up to and including its line feed.
class LineReader {
public:
    // refill returns the next chunk of bytes, empty at the end.
    explicit LineReader(std::function<std::string_view()> refill) : refill_(std::move(refill)) {}

    // The text of the next line (cut at CR, LF or NUL), or false at the end.
    // The text stays valid until the next call.
    bool Next(std::string_view& text) {
        line_.clear();
        for (;;) {
            if (pos_ == chunk_.size()) {
                chunk_ = refill_();
                pos_ = 0;
                if (chunk_.empty()) break;
            }
            const std::string_view rest = chunk_.substr(pos_);
            const std::size_t lf = rest.find('\n');
            const std::size_t take = lf == std::string_view::npos ? rest.size() : lf + 1;
            pos_ += take;
            if (lf != std::string_view::npos && line_.empty()) {
                text = LineText(rest.substr(0, take));  // the whole line lies in this chunk
                return true;
            }
            line_.append(rest.substr(0, take));
            if (lf != std::string_view::npos) break;
        }
        if (line_.empty()) return false;
        text = LineText(line_);
        return true;
    }

private:
    std::function<std::string_view()> refill_;
    std::string_view chunk_;
    std::size_t pos_ = 0;
    std::string line_;
};

void ApplySetting(std::string_view line, TSearchCFG& cfg, bool& invalid) {
    std::string_view value;
    for (const Field& f : kFields) {
        if (!KeyValue(line, f.key, value)) continue;
        switch (f.kind) {
        case Kind::Text:
            if (value.size() < f.limit)
                cfg.*f.text = std::string(value);
            else
                invalid = true;
            break;
        case Kind::U32: cfg.*f.u32 = ParseProjectNumber(value); break;
        case Kind::U16: cfg.*f.u16 = static_cast<std::uint16_t>(ParseProjectNumber(value)); break;
        case Kind::Real: cfg.*f.real = ParseWholeReal(value); break;
        }
        return;
    }
    for (int i = 0; i < kOperatorCount; ++i) {
        if (!KeyValue(line, kOperatorNames[i], value)) continue;
        if (value.size() <= kMaxOperatorLength)
            cfg.Operators[i] = std::string(value);
        else
            invalid = true;
        return;
    }
}

// folder,name,size,date,time,attributes; text after a sixth comma is ignored.
void AppendRecord(std::string_view line, TSearchCFG& cfg) {
    std::string_view fields[6];
    std::size_t start = 0;
    for (int i = 0; i < 6; ++i) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields[i] = line.substr(start);
            break;
        }
        fields[i] = line.substr(start, comma - start);
        start = comma + 1;
    }
    TSaveFile record;
    record.group = 0;
    record.folder = SharedText(fields[0]);
    record.name = SharedText(fields[1]);
    record.size = ParseFileSize(fields[2]);
    record.date = static_cast<std::uint16_t>(ParseProjectNumber(fields[3]));
    record.time = static_cast<std::uint16_t>(ParseProjectNumber(fields[4]));
    record.attributes = ParseProjectNumber(fields[5]);
    cfg.FoundFiles.push_back(std::move(record));
}

void Load(LineReader& reader, const std::string& path, TSearchCFG& cfg) {
    bool invalid = false;
    bool inSettings = false;
    bool inRecords = false;
    std::string_view line;

    while (!inSettings && !inRecords && reader.Next(line)) {
        if (!IsSettingsSection(line)) continue;
        inSettings = NameBegins(line, kProductName);
        inRecords = NameBegins(line, kFoundFilesSection);
    }
    if (inSettings) {
        while (reader.Next(line)) {
            if (IsSettingsSection(line) && NameBegins(line, kFoundFilesSection)) {
                inRecords = true;
                break;
            }
            ApplySetting(line, cfg, invalid);
        }
    }
    if (!inRecords) {
        // Without a results section the file is no project: make the check fail.
        cfg.SearchCode = 0xFFFFFFFFu;
    } else {
        while (reader.Next(line) && !IsRecordsEnd(line))
            if (line.size() >= 4) AppendRecord(line, cfg);
    }
    if (invalid || !cfg.Validate()) ThrowInvalid(path);
}

bool HoldsAny(std::string_view text, std::string_view bytes) {
    return text.find_first_of(bytes) != std::string_view::npos;
}

}  // namespace

std::uint32_t ParseProjectNumber(std::string_view text) {
    bool negative;
    std::uint32_t value = 0;
    for (std::size_t i = NumberStart(text, negative); i < text.size() && IsDigit(text[i]); ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}

const char* UnsavableSetting(const TSearchCFG& cfg) {
    for (const Field& f : kFields)
        if (f.kind == Kind::Text && HoldsAny(cfg.*f.text, kLineBreaks)) return f.key;
    for (int i = 0; i < kOperatorCount; ++i)
        if (HoldsAny(cfg.Operators[i], kLineBreaks)) return kOperatorNames[i];
    return nullptr;
}

std::string ProjectText(const TSearchCFG& cfg, std::vector<std::string>* leftOut) {
    std::string out;
    auto line = [&out](std::string_view a, std::string_view b = {}, std::string_view c = {}) {
        out.append(a).append(b).append(c).append(kLineEnd);
    };
    line("[", kProductName, "]");
    line("VersionQRV=1.00");
    for (const Field& f : kFields) {
        const std::string key = std::string(f.key) + "=";
        switch (f.kind) {
        case Kind::Text: line(key, cfg.*f.text); break;
        case Kind::U32: line(key, std::to_string(cfg.*f.u32)); break;
        case Kind::U16: line(key, std::to_string(cfg.*f.u16)); break;
        case Kind::Real: line(key, FormatWhole(cfg.*f.real)); break;
        }
    }
    for (int i = 0; i < kOperatorCount; ++i) line(kOperatorNames[i], "=", cfg.Operators[i]);
    line("");
    line("[", kFoundFilesSection, "]");
    for (const TSaveFile& f : cfg.FoundFiles) {
        if (HoldsAny(f.folder.str(), kRecordBreaks) || HoldsAny(f.name.str(), kRecordBreaks)) {
            if (leftOut) leftOut->push_back(f.Path());
            continue;
        }
        out.append(f.folder.str()).append(",").append(f.name.str()).append(",");
        out.append(std::to_string(f.size)).append(",").append(std::to_string(f.date)).append(",");
        out.append(std::to_string(f.time)).append(",").append(std::to_string(f.attributes));
        out.append(kLineEnd);
    }
    return out;
}

std::vector<std::string> SaveProject(const std::string& path, const TSearchCFG& cfg) {
    if (const char* key = UnsavableSetting(cfg)) ThrowCreate(path, std::string(": a line break in ") + key);
    std::vector<std::string> leftOut;
    switch (ReplaceFile(path, ProjectText(cfg, &leftOut))) {
        case ReplaceOutcome::Replaced: break;
        case ReplaceOutcome::NoFolder: ThrowCreate(path, ": its folder does not exist");
        case ReplaceOutcome::NotAFile: ThrowCreate(path, ": it is not a regular file");
        case ReplaceOutcome::NotWritable: ThrowCreate(path, ": no permission to write it");
        case ReplaceOutcome::Failed: ThrowCreate(path);
    }
    return leftOut;
}

void LoadProjectText(std::string_view bytes, const std::string& pathForMessages, TSearchCFG& cfg) {
    bool given = false;
    LineReader reader([&]() -> std::string_view {
        if (given) return {};
        given = true;
        return bytes;
    });
    Load(reader, pathForMessages, cfg);
}

void LoadProject(const std::string& path, TSearchCFG& cfg) {
    // Only regular files are read: a device could deliver bytes without end.
    FileHandle fd(::open(path.c_str(), kReadFlags));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) ThrowOpen(path);

    std::string buffer(64 * 1024, '\0');
    LineReader reader([&]() -> std::string_view {
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
            if (n >= 0) return std::string_view(buffer.data(), static_cast<std::size_t>(n));
            if (errno != EINTR) ThrowOpen(path);
        }
    });
    Load(reader, path, cfg);
}

}  // namespace quarvel
