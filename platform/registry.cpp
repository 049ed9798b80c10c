#include "platform/registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/file_handle.h"

namespace quarvel {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
// The header of a registry file whose texts are Unicode; its texts here are UTF-8.
constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
constexpr std::uint32_t kRegBinary = 3;
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

bool HasControlByte(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

// A sub-key path: "" (the root itself) or components joined by "\", none empty.
bool IsValidKeyPath(std::string_view path) {
    if (path.empty()) return true;
    if (HasControlByte(path)) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t sep = path.find('\\', start);
        const std::size_t end = sep == std::string_view::npos ? path.size() : sep;
        if (end == start) return false;
        if (sep == std::string_view::npos) return true;
        start = sep + 1;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to 8 hex digits, the whole of s.
bool ParseHexNumber(std::string_view s, std::uint32_t& out) {
    if (s.empty() || s.size() > 8) return false;
    std::uint32_t n = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        n = n * 16 + static_cast<std::uint32_t>(d);
    }
    out = n;
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// A quoted text at the start of s with the escapes \" and \\; a backslash
// before any other character stands for itself. On success s is left just
// after the closing quote.
bool ParseQuoted(std::string_view& s, std::string& out) {
    if (s.empty() || s.front() != '"') return false;
    out.clear();
    std::size_t i = 1;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s.size()) return false;
            const char next = s[i + 1];
            if (next == '"' || next == '\\') {
                out += next;
                i += 2;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return false;
}

// "xx,xx,..." (possibly empty, a trailing comma allowed).
bool ParseHexList(std::string_view s, std::vector<unsigned char>& out) {
    out.clear();
    s = Trim(s);
    if (s.empty()) return true;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = s.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? s.size() : comma;
        const std::string_view item = Trim(s.substr(start, end - start));
        if (item.empty()) return comma == std::string_view::npos && !out.empty();
        std::uint32_t byte = 0;
        if (item.size() > 2 || !ParseHexNumber(item, byte)) return false;
        out.push_back(static_cast<unsigned char>(byte));
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

// One value line of a key section: "name"=data or @=data.
bool ParseValueLine(std::string_view line, std::string& name, RegValue& value) {
    if (line.empty()) return false;
    if (line.front() == '@') {
        name.clear();
        line.remove_prefix(1);
    } else if (!ParseQuoted(line, name) || HasControlByte(name)) {
        return false;
    }
    line = TrimLeft(line);
    if (line.empty() || line.front() != '=') return false;
    line = TrimLeft(line.substr(1));

    if (!line.empty() && line.front() == '"') {
        std::string text;
        if (!ParseQuoted(line, text) || !Trim(line).empty()) return false;
        value.type = kRegSz;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (StartsWithNoCase(line, "dword:")) {
        std::uint32_t n = 0;
        if (!ParseHexNumber(Trim(line.substr(6)), n)) return false;
        value.type = kRegDword;
        value.data = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                      static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
        return true;
    }
    if (StartsWithNoCase(line, "hex:")) {
        value.type = kRegBinary;
        return ParseHexList(line.substr(4), value.data);
    }
    if (StartsWithNoCase(line, "hex(")) {
        const std::size_t close = line.find(')');
        if (close == std::string_view::npos || close + 1 >= line.size() || line[close + 1] != ':')
            return false;
        std::uint32_t type = 0;
        if (!ParseHexNumber(line.substr(4, close - 4), type)) return false;
        value.type = type;
        return ParseHexList(line.substr(close + 2), value.data);
    }
    return false;
}

void AppendEscaped(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

// A REG_SZ can be written as "..." when it is one NUL-terminated run of
// printable bytes; anything else goes out as hex(1) so that it survives.
bool IsPlainString(const RegValue& value) {
    if (value.type != kRegSz || value.data.empty() || value.data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i)
        if (value.data[i] < 0x20) return false;
    return true;
}

void AppendData(std::string& out, const RegValue& value, std::size_t column) {
    char buf[32];
    if (IsPlainString(value)) {
        AppendEscaped(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                            value.data.size() - 1));
        return;
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        const std::uint32_t n = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
        out += buf;
        return;
    }
    if (value.type == kRegBinary)
        std::snprintf(buf, sizeof buf, "hex:");
    else
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
    out += buf;
    column += std::strlen(buf);
    // Long lists are wrapped the way the registry editor does, with a
    // trailing backslash.
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", value.data[i]);
        out += buf;
        column += 2;
        if (i + 1 < value.data.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
}

struct LogicalLine {
    std::string text;        // continuation lines joined
    std::size_t first = 0;   // the physical lines it was made of
    std::size_t last = 0;
};

std::vector<std::string_view> SplitPhysicalLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t lf = text.find('\n', start);
        std::string_view line =
            text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return lines;
}

// A physical line that ends in a backslash continues on the next one, whose
// leading blanks are dropped.
std::vector<LogicalLine> JoinContinuations(const std::vector<std::string_view>& lines, std::size_t from) {
    std::vector<LogicalLine> result;
    for (std::size_t i = from; i < lines.size(); ++i) {
        LogicalLine logical;
        logical.first = i;
        std::string_view part = lines[i];
        while (true) {
            const std::string_view trimmed = TrimRight(part);
            if (trimmed.empty() || trimmed.back() != '\\') {
                logical.text += part;
                break;
            }
            logical.text += trimmed.substr(0, trimmed.size() - 1);
            if (i + 1 >= lines.size()) break;
            ++i;
            part = TrimLeft(lines[i]);
        }
        logical.last = i;
        result.push_back(std::move(logical));
    }
    return result;
}

bool MakeDirectories(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash))) return false;
    if (mkdir(dir.c_str(), 0777) == 0) return true;
    return errno == EEXIST && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    // Non-blocking: a pipe in the file's place must not hang the start.
    const int fd = open(path.c_str(), kReadFlags);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize;
    if (ok) {
        out.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        out.resize(done);
    }
    close(fd);
    return ok;
}

}  // namespace

bool Registry::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return lstrcmpiA(a, b) < 0;
}

Registry::Registry(std::string path) : path_(std::move(path)) {
    std::string text;
    if (!path_.empty() && ReadWholeFile(path_, text)) Parse(text, *this);
}

std::string Registry::DefaultPath() {
    const char* explicitPath = std::getenv("QUARVEL_REGISTRY");
    if (explicitPath && *explicitPath) return explicitPath;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return std::string(config) + "/quarvel/registry.reg";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty()) return ".config/quarvel/registry.reg";
    return home + "/.config/quarvel/registry.reg";
}

bool Registry::ReadRaw(std::string_view subKey, std::string_view name, RegValue& value) const {
    const auto key = keys_.find(std::string(subKey));
    if (key == keys_.end()) return false;
    const auto found = key->second.find(std::string(name));
    if (found == key->second.end()) return false;
    value = found->second;
    return true;
}

bool Registry::ReadString(std::string_view subKey, std::string_view name, std::string& buffer) const {
    RegValue value;
    if (!ReadRaw(subKey, name, value)) return false;
    std::size_t n = 0;
    while (n < value.data.size() && value.data[n] != 0) ++n;
    buffer.assign(reinterpret_cast<const char*>(value.data.data()), n);
    return true;
}

bool Registry::ReadDword(std::string_view subKey, std::string_view name, std::uint32_t& buffer) const {
    RegValue value;
    if (!ReadRaw(subKey, name, value) || value.data.size() < 4) return false;
    buffer = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
             (static_cast<std::uint32_t>(value.data[3]) << 24);
    return true;
}

int Registry::WriteValue(std::string_view subKey, std::string_view name, const void* data, int kind) {
    if (data == nullptr || (kind != kRegSz && kind != kRegDword)) return 0;
    if (!IsValidKeyPath(subKey) || HasControlByte(name)) return 0;
    RegValue value;
    value.type = static_cast<std::uint32_t>(kind);
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (kind == kRegSz)
        value.data.assign(bytes, bytes + std::strlen(static_cast<const char*>(data)) + 1);
    else
        value.data.assign(bytes, bytes + 4);
    Values& values = keys_[std::string(subKey)];
    const auto found = values.find(std::string(name));
    if (found != values.end())
        found->second = std::move(value);
    else
        values.emplace(std::string(name), std::move(value));
    return 1;
}

std::string Registry::Serialize() const {
    std::string out(unicode_ ? kUnicodeHeader : kHeader);
    out += '\n';
    for (const auto& [path, values] : keys_) {
        out += "\n[";
        out += kRoot;
        if (!path.empty()) {
            out += '\\';
            out += path;
        }
        out += "]\n";
        for (const auto& [name, value] : values) {
            const std::size_t lineStart = out.size();
            if (name.empty())
                out += '@';
            else
                AppendEscaped(out, name);
            out += '=';
            AppendData(out, value, out.size() - lineStart);
            out += '\n';
        }
    }
    for (const std::string& section : otherRoots_) {
        out += '\n';
        out += section;
        out += '\n';
    }
    out += '\n';
    return out;
}

bool Registry::Parse(std::string_view text, Registry& into) {
    into.keys_.clear();
    into.otherRoots_.clear();
    const std::vector<std::string_view> physical = SplitPhysicalLines(text);
    if (physical.empty()) return false;
    const std::string_view header = TrimRight(physical[0]);
    if (header == kUnicodeHeader)
        into.unicode_ = true;
    else if (header == kHeader)
        into.unicode_ = false;
    else
        return false;

    enum class Section { kNone, kOwn, kOther };
    Section section = Section::kNone;
    Values* current = nullptr;
    std::vector<std::vector<std::string_view>> others;

    for (const LogicalLine& line : JoinContinuations(physical, 1)) {
        const std::string_view content = Trim(line.text);
        if (!content.empty() && content.front() == '[') {
            section = Section::kNone;
            current = nullptr;
            if (content.size() < 2 || content.back() != ']') continue;
            const std::string_view name = content.substr(1, content.size() - 2);
            if (StartsWithNoCase(name, kRoot) && (name.size() == kRoot.size() || name[kRoot.size()] == '\\')) {
                const std::string_view subKey =
                    name.size() == kRoot.size() ? std::string_view() : name.substr(kRoot.size() + 1);
                if (name.size() > kRoot.size() && subKey.empty()) continue;  // "HKEY_CURRENT_USER\"
                if (!IsValidKeyPath(subKey)) continue;
                current = &into.keys_[std::string(subKey)];
                section = Section::kOwn;
            } else if (!name.empty()) {
                section = Section::kOther;
                others.emplace_back();
            } else {
                continue;
            }
        } else if (section == Section::kOwn && !content.empty()) {
            std::string valueName;
            RegValue value;
            if (!ParseValueLine(content, valueName, value)) continue;  // a malformed line is skipped
            const auto found = current->find(valueName);
            if (found != current->end())
                found->second = std::move(value);
            else
                current->emplace(std::move(valueName), std::move(value));
            continue;
        }
        if (section == Section::kOther)
            for (std::size_t i = line.first; i <= line.last; ++i) others.back().push_back(physical[i]);
    }

    for (auto& lines : others) {
        while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
        std::string joined;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i) joined += '\n';
            joined += lines[i];
        }
        into.otherRoots_.push_back(std::move(joined));
    }
    return true;
}

std::vector<std::string> Registry::KeyPaths() const {
    std::vector<std::string> paths;
    for (const auto& entry : keys_) paths.push_back(entry.first);
    return paths;
}

bool Registry::SameHive(const Registry& other) const {
    return keys_ == other.keys_ && otherRoots_ == other.otherRoots_;
}

bool Registry::Commit() {
    if (path_.empty()) return false;
    const std::size_t slash = path_.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path_.substr(0, slash))) return false;
    return ReplaceFile(path_, Serialize()) == ReplaceOutcome::Replaced;
}

}  // namespace quarvel
