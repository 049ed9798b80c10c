#include "settings/persistence.h"

#include <pwd.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>


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

// The numbers ahead of the operator strings, in the order they are kept.
std::vector<NumberValue> SearchNumbers() {
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
        QV_FIELD(search, SearchWithin),
        QV_FIELD(search, SearchCode),
        QV_FIELD(search, SearchIgnoreCase),
        QV_FIELD(search, SearchIncludeSubDir),
        QV_FIELD(search, SearchWholeWord),
        QV_FIELD(search, SearchRefined),
        QV_FIELD(search, SearchIncludeHidden),
        QV_FIELD(search, SearchDateId),
        QV_FIELD(search, SearchDateFrom),
        QV_FIELD(search, SearchDateBefore),
        QV_FIELD(search, SearchDateLastMonate),
        QV_FIELD(search, SearchDateLastDay),
        QV_FIELD(search, SearchSizeId),
        QV_FIELD(search, SearchSizeMax),
        QV_FIELD(search, SearchSizeMin),
    };
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
};
const History kHistories[] = {
    {"File", &TUiSettings::FileHistory},
    {"String", &TUiSettings::StringHistory},
    {"Path", &TUiSettings::PathHistory},
    {"DefaultBrowser", &TUiSettings::ProgramHistory},
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
    for (const NumberValue& v : SearchNumbers()) {
        std::uint32_t value = v.get(state);
        registry.ReadDword(kOptionsKey, v.name, value);
        v.set(state, value);
    }
    for (int i = 0; i < kOperatorCount; ++i) {
        std::string op = state.search.Operators[i];
        registry.ReadString(kOptionsKey, kOperatorNames[i], op);
        state.search.Operators[i] = CutTo(op, kMaxOperatorLength);
    }
    for (auto [name, field] : {std::pair{"PathOpenQV", &TUiSettings::PathOpenQV},
                               std::pair{"PathSaveQV", &TUiSettings::PathSaveQV},
                               std::pair{"PathDefaultBrowser", &TUiSettings::PathDefaultBrowser}}) {
        std::string folder = state.ui.*field;
        registry.ReadString(kOptionsKey, name, folder);
        state.ui.*field = CutTo(folder, kPathBufferSize - 1);
    }
    registry.ReadDword(kOptionsKey, "ColorVD", state.ui.ColorVD);
    std::string face = state.ui.ViewerFont.lfFaceName;
    registry.ReadString(kOptionsKey, "FontFaceName", face);
    state.ui.ViewerFont.lfFaceName = CutTo(face, kFaceNameSize - 1);
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
    auto writeString = [&](const char* key, const std::string& name, const std::string& value) {
        if (!registry.WriteValue(key, name, value.c_str(), kRegSz)) ok = false;
    };
    auto writeNumber = [&](const char* key, const std::string& name, std::uint32_t value) {
        if (!registry.WriteValue(key, name, &value, kRegDword)) ok = false;
    };

    writeString(kProductKey, "Version", "1.00");
    for (const NumberValue& v : SearchNumbers()) writeNumber(kOptionsKey, v.name, v.get(state));
    for (int i = 0; i < kOperatorCount; ++i) writeString(kOptionsKey, kOperatorNames[i], state.search.Operators[i]);
    writeString(kOptionsKey, "PathOpenQV", state.ui.PathOpenQV);
    writeString(kOptionsKey, "PathSaveQV", state.ui.PathSaveQV);
    writeString(kOptionsKey, "PathDefaultBrowser", state.ui.PathDefaultBrowser);
    writeNumber(kOptionsKey, "ColorVD", state.ui.ColorVD);
    writeString(kOptionsKey, "FontFaceName", state.ui.ViewerFont.lfFaceName);
    for (const NumberValue& v : FontNumbers()) writeNumber(kOptionsKey, v.name, v.get(state));

    for (const History& h : kHistories) {
        const std::vector<std::string>& list = state.ui.*h.list;
        for (std::size_t i = 0; i < kHistorySize; ++i)
            writeString(kSaveKey, HistoryName(h.prefix, i), i < list.size() ? list[i] : std::string());
    }
    if (!registry.Commit()) ok = false;
    return ok;
}

}  // namespace quarvel
