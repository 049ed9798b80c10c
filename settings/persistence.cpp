#include "settings/persistence.h"

#include <pwd.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "platform/processors.h"
#include "platform/text_conv.h"
#include "platform/unicode_text.h"
#include "settings/search_fields.h"


namespace quarvel {

namespace {

std::string CutTo(std::string text, std::size_t maxBytes) {
    if (text.size() > maxBytes) text.resize(maxBytes);
    return text;
}

// One number of the Options key: its name, how it is loaded and what is saved.
struct NumberValue {
    const char* name;
    std::function<std::uint32_t(const StoredSettings&)> get;
    std::function<void(StoredSettings&, std::uint32_t)> set;
};

std::uint8_t Flag(std::uint32_t v) { return v != 0 ? 1 : 0; }

// The program-wide numbers of the Options key; the search record's come from its field list.
std::vector<NumberValue> UiNumbers() {
#define QV_FIELD(owner, field)                                                             \
    NumberValue {                                                                          \
        #field, [](const StoredSettings& s) { return static_cast<std::uint32_t>(s.owner.field); }, \
            [](StoredSettings& s, std::uint32_t v) { s.owner.field = static_cast<decltype(s.owner.field)>(v); } \
    }
    return {
        QV_FIELD(ui, StatusBar),
        QV_FIELD(ui, HintMode),
        {"FileQueue", [](const StoredSettings& s) { return std::uint32_t{s.ui.FileQueue}; },
         [](StoredSettings& s, std::uint32_t v) { s.ui.FileQueue = Flag(v); }},
        {"FileFullPath", [](const StoredSettings& s) { return std::uint32_t{s.ui.FileFullPath}; },
         [](StoredSettings& s, std::uint32_t v) { s.ui.FileFullPath = Flag(v); }},
        // A file from before the setting has none, which loads as the default;
        // a number no run would take (edited by hand) is the default too.
        {"Threads", [](const StoredSettings& s) { return s.ui.Threads; },
         [](StoredSettings& s, std::uint32_t v) { s.ui.Threads = v <= kMaxThreads ? v : 0; }},
        // Missing from an older file, these load as their defaults (shown,
        // the program's own height); a height below 0 is the default too.
        {"PreviewPane", [](const StoredSettings& s) { return s.ui.PreviewPane; },
         [](StoredSettings& s, std::uint32_t v) { s.ui.PreviewPane = v != 0 ? 1 : 0; }},
        {"PreviewHeight", [](const StoredSettings& s) { return static_cast<std::uint32_t>(s.ui.PreviewHeight); },
         [](StoredSettings& s, std::uint32_t v) {
             const auto height = static_cast<std::int32_t>(v);
             s.ui.PreviewHeight = height > 0 ? height : 0;
         }},
    };
}

std::vector<const SearchField*> SettingsFields() {
    std::vector<const SearchField*> fields;
    for (const SearchField& f : SearchFields())
        if (f.stores & kInSettings) fields.push_back(&f);
    return fields;
}

// A text the user typed, as the settings file holds it: UTF-8 in a Unicode
// file; else Windows-1252 (bytes that are no UTF-8 are read so as well).
std::string TypedFromFile(const std::string& stored, bool unicodeFile) {
    if (unicodeFile && DecodeUtf8(stored)) return stored;
    return AnsiToUtf8(stored);
}

// The thirteen font numbers, after the face name.
std::vector<NumberValue> FontNumbers() {
#define QV_FONT(name, member)                                                                     \
    NumberValue {                                                                                 \
        name, [](const StoredSettings& s) { return static_cast<std::uint32_t>(s.ui.ViewerFont.member); }, \
            [](StoredSettings& s, std::uint32_t v) { s.ui.ViewerFont.member = static_cast<decltype(s.ui.ViewerFont.member)>(v); } \
    }
    return {
        QV_FONT("FontHeight", lfHeight),
        QV_FONT("FontWidth", lfWidth),
        QV_FONT("FontEscapement", lfEscapement),
        QV_FONT("FontOrientation", lfOrientation),
        QV_FONT("FontWeight", lfWeight),
        QV_FONT("FontItalic", lfItalic),
        QV_FONT("FontUnderline", lfUnderline),
        QV_FONT("FontStrikeOut", lfStrikeOut),
        QV_FONT("FontCharSet", lfCharSet),
        QV_FONT("FontOutPrecision", lfOutPrecision),
        QV_FONT("FontClipPrecision", lfClipPrecision),
        QV_FONT("FontQuality", lfQuality),
        QV_FONT("FontPitchAndFamily", lfPitchAndFamily),
    };
#undef QV_FONT
#undef QV_FIELD
}

struct History {
    const char* prefix;
    std::vector<std::string> TUiSettings::*list;
    bool typed;  // search text (Unicode) rather than names (the file system's bytes)
};
const History kHistories[] = {
    {"File", &TUiSettings::FileHistory, false},
    {"String", &TUiSettings::StringHistory, true},
    {"Path", &TUiSettings::PathHistory, false},
    {"DefaultBrowser", &TUiSettings::ProgramHistory, false},
};

std::string HistoryName(const char* prefix, std::size_t i) { return prefix + std::to_string(i); }

void SetDefaults(StoredSettings& state, int dpiY) {
    state.search = TSearchCFG();
    state.search.SetDefaults();
    TUiSettings& ui = state.ui;
    ui = TUiSettings();
    ui.StatusBar = 1;
    ui.HintMode = 0;
    ui.PathOpenQV = ui.PathSaveQV = ui.PathDefaultBrowser = DefaultRememberedFolder();
    ui.ColorVD = 0x0000FF;
    TLogFont& f = ui.ViewerFont;
    f = TLogFont();
    f.lfFaceName = "Courier New";
    f.lfHeight = DefaultFontHeight(dpiY);
    f.lfWeight = 400;
    f.lfCharSet = 0;         // ANSI_CHARSET
    f.lfOutPrecision = 4;    // OUT_TT_PRECIS
    f.lfQuality = 2;         // PROOF_QUALITY
    f.lfPitchAndFamily = 1;  // FIXED_PITCH
}

}  // namespace

std::int32_t DefaultFontHeight(int dpiY) {
    return -static_cast<std::int32_t>(std::lround(10.0 * dpiY / 72.0));
}

std::string DefaultRememberedFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return CutTo(home, kPathBufferSize - 1);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return CutTo(pw->pw_dir, kPathBufferSize - 1);
    return "/";
}

void LoadSettings(const Registry& registry, StoredSettings& state, int dpiY) {
    std::string version;
    registry.ReadString(kProductKey, "Version", version);

    SetDefaults(state, dpiY);
    const bool unicode = registry.Unicode();
    for (const NumberValue& v : UiNumbers()) {
        std::uint32_t value = v.get(state);
        registry.ReadDword(kOptionsKey, v.name, value);
        v.set(state, value);
    }
    // A settings file written before a value came has the search's other
    // values; the new one is then 0, as that file's searches had it.
    std::uint32_t unused;
    const bool written = registry.ReadDword(kOptionsKey, "SearchCode", unused);
    for (const SearchField* f : SettingsFields()) {
        if (f->kind == FieldKind::Text) {
            std::string text;
            if (registry.ReadString(kOptionsKey, f->key, text))
                f->text(state.search) = CutToChars(TypedFromFile(text, unicode), f->below - 1);
            continue;
        }
        std::uint32_t value = f->onlyWhenSet && written ? 0 : f->Number(state.search);
        registry.ReadDword(kOptionsKey, f->key, value);
        f->SetNumber(state.search, value);
    }
    for (auto [name, field] : {std::pair{"PathOpenQV", &TUiSettings::PathOpenQV},
                               std::pair{"PathSaveQV", &TUiSettings::PathSaveQV},
                               std::pair{"PathDefaultBrowser", &TUiSettings::PathDefaultBrowser}}) {
        std::string folder = state.ui.*field;
        registry.ReadString(kOptionsKey, name, folder);
        state.ui.*field = CutTo(folder, kPathBufferSize - 1);
    }
    // Never cut: a shortened command would start something else.
    registry.ReadString(kOptionsKey, "Editor", state.ui.Editor);
    registry.ReadDword(kOptionsKey, "ColorVD", state.ui.ColorVD);
    std::string face;
    if (registry.ReadString(kOptionsKey, "FontFaceName", face))
        state.ui.ViewerFont.lfFaceName = CutToChars(TypedFromFile(face, unicode), kFaceNameSize - 1);
    for (const NumberValue& v : FontNumbers()) {
        std::uint32_t value = v.get(state);
        registry.ReadDword(kOptionsKey, v.name, value);
        v.set(state, value);
    }

    for (const History& h : kHistories) {
        std::vector<std::string>& list = state.ui.*h.list;
        list.clear();
        for (std::size_t i = 0; i < kHistorySize; ++i) {
            std::string entry;
            registry.ReadString(kSaveKey, HistoryName(h.prefix, i), entry);
            if (h.typed) entry = CutToChars(TypedFromFile(entry, unicode), kPathBufferSize - 1);
            // Entry 0 always stands, so an empty middle value leaves no gap.
            if (i == 0 || !entry.empty()) list.push_back(CutTo(entry, kPathBufferSize - 1));
        }
    }
    state.search.SearchFilesMask = state.ui.FileHistory.front();
    state.search.SearchString = state.ui.StringHistory.front();
    state.search.SearchDefaultPath = state.ui.PathHistory.front();
}

bool SaveSettings(Registry& registry, const StoredSettings& state) {
    bool ok = true;
    // The typed texts go out in Windows-1252 when it holds every one of them,
    // as the file always was; else the whole file is a Unicode one.
    std::vector<const std::string*> typed;
    for (const SearchField* f : SettingsFields())
        if (f->kind == FieldKind::Text) typed.push_back(&f->Text(state.search));
    typed.push_back(&state.ui.ViewerFont.lfFaceName);
    for (const History& h : kHistories)
        if (h.typed)
            for (const std::string& entry : state.ui.*h.list) typed.push_back(&entry);
    bool ansi = true;
    for (const std::string* text : typed) ansi = ansi && Utf8ToAnsi(*text).ok;
    registry.SetUnicode(!ansi);
    auto stored = [ansi](const std::string& text) { return ansi ? Utf8ToAnsi(text).text : text; };

    auto writeString = [&](const char* key, const std::string& name, const std::string& value) {
        if (!registry.WriteValue(key, name, value.c_str(), kRegSz)) ok = false;
    };
    auto writeNumber = [&](const char* key, const std::string& name, std::uint32_t value) {
        if (!registry.WriteValue(key, name, &value, kRegDword)) ok = false;
    };

    writeString(kProductKey, "Version", "1.00");
    for (const NumberValue& v : UiNumbers()) writeNumber(kOptionsKey, v.name, v.get(state));
    for (const SearchField* f : SettingsFields()) {
        if (f->kind == FieldKind::Text)
            writeString(kOptionsKey, f->key, stored(f->Text(state.search)));
        else
            writeNumber(kOptionsKey, f->key, f->Number(state.search));
    }
    writeString(kOptionsKey, "PathOpenQV", state.ui.PathOpenQV);
    writeString(kOptionsKey, "PathSaveQV", state.ui.PathSaveQV);
    writeString(kOptionsKey, "PathDefaultBrowser", state.ui.PathDefaultBrowser);
    writeString(kOptionsKey, "Editor", state.ui.Editor);
    writeNumber(kOptionsKey, "ColorVD", state.ui.ColorVD);
    writeString(kOptionsKey, "FontFaceName", stored(state.ui.ViewerFont.lfFaceName));
    for (const NumberValue& v : FontNumbers()) writeNumber(kOptionsKey, v.name, v.get(state));

    for (const History& h : kHistories) {
        const std::vector<std::string>& list = state.ui.*h.list;
        for (std::size_t i = 0; i < kHistorySize; ++i) {
            const std::string entry = i < list.size() ? list[i] : std::string();
            writeString(kSaveKey, HistoryName(h.prefix, i), h.typed ? stored(entry) : entry);
        }
    }
    if (!registry.Commit()) ok = false;
    return ok;
}

}  // namespace quarvel
