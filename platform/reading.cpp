#include "platform/reading.h"

#include "platform/codepage.h"
#include "platform/text_conv.h"
#include "platform/unicode_text.h"

namespace quarvel {

namespace {
char32_t AnsiChar(std::uint8_t b) { return AnsiToUnicode(b); }
char32_t OemChar(std::uint8_t b) { return AnsiToUnicode(kOemToAnsi[b]); }
}  // namespace

const ByteReading kAnsiReading{"ANSI", "ansi", kReadingAnsi, AnsiChar};
const ByteReading kOemReading{"OEM", "oem", kReadingOem, OemChar};
const std::array<const ByteReading*, kByteReadingCount> kByteReadings = {&kAnsiReading, &kOemReading};

std::optional<std::uint32_t> ParseReadings(std::string_view list) {
    std::uint32_t set = 0;
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (name == kUnicodeKey) {
            set |= kReadingUnicode;
        } else if (name == "both") {
            set |= kReadingAnsi | kReadingOem;
        } else if (name == "all") {
            set |= kAllReadings;
        } else {
            bool known = false;
            for (const ByteReading* r : kByteReadings)
                if (name == r->key) set |= r->bit, known = true;
            if (!known) return std::nullopt;
        }
        if (comma == std::string_view::npos) return set == 0 ? std::nullopt : std::optional<std::uint32_t>(set);
        list.remove_prefix(comma + 1);
    }
}

std::string ReadingNames(std::uint32_t readings) {
    std::string names;
    auto add = [&](const char* name) { names += names.empty() ? name : std::string(", ") + name; };
    if (readings & kReadingUnicode) add(kUnicodeName);
    for (const ByteReading* r : kByteReadings)
        if (readings & r->bit) add(r->name);
    return names;
}

FileForm DetectForm(const std::uint8_t* head, std::size_t n) {
    if (n >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) return {TextForm::kUtf8, 3};
    if (n >= 2 && head[0] == 0xFF && head[1] == 0xFE) return {TextForm::kUtf16Le, 2};
    if (n >= 2 && head[0] == 0xFE && head[1] == 0xFF) return {TextForm::kUtf16Be, 2};
    return {};
}

std::size_t DecodeIn(TextForm form, const std::uint8_t* p, std::size_t n, char32_t& c) {
    if (form == TextForm::kUtf8) return DecodeUtf8At(p, n, c);
    return DecodeUtf16At(p, n, form == TextForm::kUtf16Be, c);
}

bool ClosesUnit(std::uint32_t within, char32_t c) {
    switch (within) {
        case 1: return c == 0x0C;
        case 2: return c == 0x0A;
        case 3: return c == '.' || c == '!' || c == '?';
        default: return false;
    }
}

ByteCodes MakeByteCodes(const ByteReading& reading, bool ignoreCase) {
    ByteCodes codes{};
    codes.ignoreCase = ignoreCase;
    codes.reading = &reading;
    char32_t own[256], key[256];
    std::map<char32_t, int> firstOwn, firstKey;  // the first byte of each character, of each key
    for (int b = 255; b >= 0; --b) {
        own[b] = reading.charOf(static_cast<std::uint8_t>(b));
        key[b] = ignoreCase ? LowerCase(own[b]) : own[b];
        codes.alpha[b] = IsWordChar(own[b]);
        firstOwn[own[b]] = b;
        firstKey[key[b]] = b;
    }
    for (int b = 0; b < 256; ++b) {
        // The byte that is the character itself, else the first byte read alike.
        const auto self = firstOwn.find(key[b]);
        codes.code[b] = static_cast<std::uint8_t>(self != firstOwn.end() ? self->second : firstKey[key[b]]);
    }
    for (int b = 255; b >= 0; --b) codes.byKey[key[b]] = codes.code[b];
    return codes;
}

const ByteCodes& CodesOf(const ByteReading& reading, bool ignoreCase) {
    // Made once per reading and case rule: every search and scan asks for them.
    static const auto table = [] {
        std::array<std::array<ByteCodes, 2>, kByteReadingCount> all;
        for (std::size_t r = 0; r < kByteReadingCount; ++r)
            for (int lower = 0; lower < 2; ++lower) all[r][lower] = MakeByteCodes(*kByteReadings[r], lower != 0);
        return all;
    }();
    for (std::size_t r = 0; r < kByteReadingCount; ++r)
        if (kByteReadings[r] == &reading) return table[r][ignoreCase ? 1 : 0];
    static thread_local ByteCodes other;  // a reading outside the table
    other = MakeByteCodes(reading, ignoreCase);
    return other;
}

std::optional<std::string> ByteCodes::Encode(std::u32string_view term) const {
    std::string out;
    out.reserve(term.size());
    for (char32_t c : term) {
        const auto found = byKey.find(ignoreCase ? LowerCase(c) : c);
        if (found == byKey.end()) return std::nullopt;
        out += static_cast<char>(found->second);
    }
    return out;
}

}  // namespace quarvel
