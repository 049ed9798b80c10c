// The settings file (REGEDIT4 text) on any bytes: a hive that parses
// serializes and parses back to the same hive; values written with random
// keys and names survive the same trip; settings loaded from it save and load
// back to the same values.
#include "fuzz_support.h"
#include "platform/registry.h"
#include "settings/persistence.h"

using namespace quarvel;

namespace {

// A path whose folder cannot be made, so Commit fails and nothing is written.
constexpr const char* kNoFile = "/dev/null/quarvel-fuzz/registry.reg";

void CheckRoundTrip(const Registry& reg) {
    const std::string text = reg.Serialize();
    Registry back(kNoFile);
    FUZZ_CHECK(Registry::Parse(text, back));
    FUZZ_CHECK(back.SameHive(reg));
    FUZZ_CHECK(back.Serialize() == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int pixelsPerInch = 1 + in.Below(300);
    const int writes = in.Below(4);
    struct Write {
        std::string key, name, text;
        std::uint32_t number;
        bool isNumber;
    };
    std::vector<Write> planned;
    for (int i = 0; i < writes; ++i) {
        Write w;
        w.key = in.Text(24);
        w.name = in.Text(16);
        w.isNumber = in.Flag();
        w.number = in.Word32();
        w.text = in.Text(32);
        planned.push_back(std::move(w));
    }
    const std::string text = in.Rest();

    Registry reg(kNoFile);
    if (!Registry::Parse(text, reg)) return 0;
    CheckRoundTrip(reg);
    for (const std::string& key : reg.KeyPaths()) {
        std::string s;
        std::uint32_t n = 0;
        RegValue v;
        (void)reg.ReadString(key, "", s);
        (void)reg.ReadDword(key, "", n);
        (void)reg.ReadRaw(key, "", v);
    }

    // Values written through the interface read back and survive the text.
    for (const Write& w : planned) {
        const std::string cText = w.text.substr(0, w.text.find('\0'));
        const int ok = w.isNumber ? reg.WriteValue(w.key, w.name, &w.number, kRegDword)
                                  : reg.WriteValue(w.key, w.name, cText.c_str(), kRegSz);
        if (!ok) continue;
        if (w.isNumber) {
            std::uint32_t n = ~w.number;
            FUZZ_CHECK(reg.ReadDword(w.key, w.name, n) && n == w.number);
        } else {
            std::string s = "unchanged";
            FUZZ_CHECK(reg.ReadString(w.key, w.name, s) && s == cText);
        }
    }
    CheckRoundTrip(reg);

    // Settings: what loads saves, and loads back to what saves the same.
    StoredSettings state;
    LoadSettings(reg, state, pixelsPerInch);
    Registry saved(kNoFile);
    (void)SaveSettings(saved, state);  // the commit fails; the values stay in memory
    StoredSettings again;
    LoadSettings(saved, again, pixelsPerInch);
    Registry savedAgain(kNoFile);
    (void)SaveSettings(savedAgain, again);
    FUZZ_CHECK(savedAgain.Serialize() == saved.Serialize());
    CheckRoundTrip(saved);
    return 0;
}
