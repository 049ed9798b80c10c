#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The HKEY_CURRENT_USER hive of the program, kept in one text file in the
// REGEDIT4 format so that it reads like the registry it stands for.
namespace quarvel {

enum RegKind : int { kRegSz = 1, kRegDword = 4 };

struct RegValue {
    std::uint32_t type = kRegSz;     // REG_SZ 1, REG_BINARY 3, REG_DWORD 4, ...
    std::vector<unsigned char> data; // REG_SZ data holds the terminating NUL

    friend bool operator==(const RegValue&, const RegValue&) = default;
};

class Registry {
public:
    // Loads the file; a missing, unreadable or corrupt file gives an empty hive.
    explicit Registry(std::string path);

    // $QUARVEL_REGISTRY, else $XDG_CONFIG_HOME/quarvel/registry.reg,
    // else ~/.config/quarvel/registry.reg.
    static std::string DefaultPath();

    const std::string& Path() const { return path_; }

    // Read value: true and the value's contents in the buffer on success; on
    // any failure the buffer keeps what the caller put there (the default).
    // A string is read whatever its stored type (up to its first NUL); a
    // number is taken from the first 4 bytes.
    bool ReadString(std::string_view subKey, std::string_view name, std::string& buffer) const;
    bool ReadDword(std::string_view subKey, std::string_view name, std::uint32_t& buffer) const;
    bool ReadRaw(std::string_view subKey, std::string_view name, RegValue& value) const;

    // Write value: kind 1 writes REG_SZ (data is a NUL-terminated string),
    // kind 4 writes REG_DWORD (data points to 4 bytes); any other kind fails.
    // Returns 1 on success, 0 on failure. Changes are kept in memory until Commit.
    // An empty name is the key's default value; key paths and names holding a
    // control byte (below 0x20) or an empty path component are refused.
    int WriteValue(std::string_view subKey, std::string_view name, const void* data, int kind);

    // Creates the file's folder when it is missing and replaces the file
    // atomically, through a symbolic link to its target (ReplaceFile). False
    // when the file could not be written; the old file is then left as it was.
    bool Commit();

    // The hive as REGEDIT4 text, and the parser behind the constructor.
    std::string Serialize() const;
    static bool Parse(std::string_view text, Registry& into);

    // Whether the file's texts are UTF-8 (its header is that of a Unicode
    // registry file) or Windows-1252 (REGEDIT4). Only the header tells; the
    // values are bytes either way.
    bool Unicode() const { return unicode_; }
    void SetUnicode(bool on) { unicode_ = on; }

    // The HKEY_CURRENT_USER sub-key paths held, as first spelt ("" is the root).
    std::vector<std::string> KeyPaths() const;
    // Same keys, values and kept sections of other roots (the path aside).
    bool SameHive(const Registry& other) const;

private:
    struct NoCaseLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Values = std::map<std::string, RegValue, NoCaseLess>;
    std::map<std::string, Values, NoCaseLess> keys_;
    // Sections under roots other than HKEY_CURRENT_USER, kept line for line.
    std::vector<std::string> otherRoots_;
    std::string path_;
    bool unicode_ = false;
};

}  // namespace quarvel
