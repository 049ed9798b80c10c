#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "settings/search_cfg.h"

// The one list of the search record's fields: the record's copy, its check,
// the settings file and the project file all walk it, so a field added here
// is copied, checked and stored everywhere.
namespace quarvel {

enum class FieldKind : std::uint8_t { Text, U32, U16, U64, Real };
// Where a field is kept besides the record.
enum FieldStore : std::uint8_t { kInNeither = 0, kInProject = 1, kInSettings = 2, kInBoth = 3 };

struct SearchField {
    const char* key;  // the settings value's and the project key's name
    FieldKind kind;
    std::uint8_t stores;
    // A number is valid below this (0: any value); a text must be shorter, in characters.
    std::uint32_t below = 0;
    bool date = false;   // a packed date that must be a real calendar date
    bool typed = false;  // text the user types (Unicode), not a file system's bytes
    // Came after the first files were written: kept only when not 0, so a
    // file without it has 0 and a file that leaves it 0 is as it always was.
    bool onlyWhenSet = false;
    std::uint32_t TSearchCFG::*u32 = nullptr;
    std::uint16_t TSearchCFG::*u16 = nullptr;
    std::uint64_t TSearchCFG::*u64 = nullptr;
    double TSearchCFG::*real = nullptr;
    std::string& (*text)(TSearchCFG&) = nullptr;

    const std::string& Text(const TSearchCFG& cfg) const { return text(const_cast<TSearchCFG&>(cfg)); }
    std::uint32_t Number(const TSearchCFG& cfg) const { return kind == FieldKind::U16 ? cfg.*u16 : cfg.*u32; }
    void SetNumber(TSearchCFG& cfg, std::uint32_t v) const {
        if (kind == FieldKind::U16)
            cfg.*u16 = static_cast<std::uint16_t>(v);
        else
            cfg.*u32 = v;
    }
};

// In the order the project file writes them; the operator strings come last.
std::span<const SearchField> SearchFields();

// Copies every listed field.
void CopyFields(const TSearchCFG& from, TSearchCFG& to);
// Every listed number within its range.
bool FieldsValid(const TSearchCFG& cfg);

}  // namespace quarvel
