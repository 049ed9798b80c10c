#include "results/project_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_handle.h"
#include "platform/text_conv.h"
#include "settings/search_fields.h"

namespace quarvel {
namespace {

constexpr const char* kFoundFilesSection = "FoundFiles";
constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kMaxText = kPathBufferSize;  // a text value must be shorter
// The end of a line's text; a comma also ends a field of a record line.
constexpr std::string_view kLineBreaks("\r\n\0", 3);
constexpr std::string_view kRecordBreaks(",\r\n\0", 4);

// A project whose typed texts Windows-1252 cannot hold is written in UTF-8
// under section names of its own, after a byte order mark: a reader that
// knows only the first form finds no section it knows and refuses the file
// rather than take its texts for Windows-1252.
constexpr const char* kUtf8Prefix = "UTF-8 ";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The fields a project keeps, in the order they are written.
std::vector<const SearchField*> ProjectFields() {
    std::vector<const SearchField*> fields;
    for (const SearchField& f : SearchFields())
        if (f.stores & kInProject) fields.push_back(&f);
    return fields;
}

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

void ApplySetting(std::string_view line, TSearchCFG& cfg, bool utf8, bool& invalid) {
    std::string_view value;
    for (const SearchField* f : ProjectFields()) {
        if (!KeyValue(line, f->key, value)) continue;
        switch (f->kind) {
        case FieldKind::Text: {
            std::string text;
            std::size_t characters = value.size();
            if (!f->typed || !utf8) {
                text = f->typed ? AnsiToUtf8(value) : std::string(value);
            } else if (const auto chars = DecodeUtf8(value)) {
                text = std::string(value);
                characters = chars->size();
            } else {
                invalid = true;
                return;
            }
            if (characters < f->below)
                f->text(cfg) = std::move(text);
            else
                invalid = true;
            break;
        }
        case FieldKind::U32:
        case FieldKind::U16: f->SetNumber(cfg, ParseProjectNumber(value)); break;
        case FieldKind::Real: cfg.*f->real = ParseWholeReal(value); break;
        case FieldKind::U64: break;
        }
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

    bool utf8 = false;
    bool first = true;
    // A section of either form; utf8 tells which.
    auto opens = [&utf8](std::string_view name, std::string_view word) {
        const std::string_view inner = name.substr(1);
        if (inner.starts_with(kUtf8Prefix) && inner.substr(std::strlen(kUtf8Prefix)).starts_with(word))
            return utf8 = true;
        return NameBegins(name, word);
    };
    while (!inSettings && !inRecords && reader.Next(line)) {
        if (first && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
        first = false;
        if (!IsSettingsSection(line)) continue;
        inSettings = opens(line, kProductName);
        inRecords = !inSettings && opens(line, kFoundFilesSection);
    }
    if (inSettings) {
        // Values that came later than the first projects are 0 when a project lacks them.
        for (const SearchField* f : ProjectFields())
            if (f->onlyWhenSet) f->SetNumber(cfg, 0);
        while (reader.Next(line)) {
            if (IsSettingsSection(line) && opens(line, kFoundFilesSection)) {
                inRecords = true;
                break;
            }
            ApplySetting(line, cfg, utf8, invalid);
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
    for (const SearchField* f : ProjectFields())
        if (f->kind == FieldKind::Text && HoldsAny(f->Text(cfg), kLineBreaks)) return f->key;
    return nullptr;
}

std::string ProjectText(const TSearchCFG& cfg, std::vector<std::string>* leftOut) {
    std::string out;
    auto line = [&out](std::string_view a, std::string_view b = {}, std::string_view c = {}) {
        out.append(a).append(b).append(c).append(kLineEnd);
    };
    // The typed texts in Windows-1252 when it holds them all, as projects always were.
    bool ansi = true;
    std::vector<std::string> texts;
    for (const SearchField* f : ProjectFields()) {
        if (f->kind != FieldKind::Text) continue;
        if (!f->typed) {
            texts.push_back(f->Text(cfg));
            continue;
        }
        const AnsiConversion converted = Utf8ToAnsi(f->Text(cfg));
        ansi = ansi && converted.ok;
        texts.push_back(converted.ok ? converted.text : f->Text(cfg));
    }
    if (!ansi) {
        texts.clear();
        for (const SearchField* f : ProjectFields())
            if (f->kind == FieldKind::Text) texts.push_back(f->Text(cfg));
        out.append(kByteOrderMark);
    }
    const std::string prefix = ansi ? "" : kUtf8Prefix;
    line("[", prefix + kProductName, "]");
    line("VersionQRV=1.00");
    std::size_t nextText = 0;
    for (const SearchField* f : ProjectFields()) {
        const std::string key = std::string(f->key) + "=";
        switch (f->kind) {
        case FieldKind::Text: line(key, texts[nextText++]); break;
        case FieldKind::U32:
        case FieldKind::U16:
            if (!f->onlyWhenSet || f->Number(cfg) != 0) line(key, std::to_string(f->Number(cfg)));
            break;
        case FieldKind::Real: line(key, FormatWhole(cfg.*f->real)); break;
        case FieldKind::U64: break;
        }
    }
    line("");
    line("[", prefix + kFoundFilesSection, "]");
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
    ReplaceFileOrThrow(path, ProjectText(cfg, &leftOut));
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
