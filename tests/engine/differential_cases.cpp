#include "tests/engine/differential_cases.h"

#include <cstdlib>

#include <glib.h>

#include <cctype>
#include <cstdio>
#include <sstream>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/text_conv.h"
#include "platform/unicode_text.h"
#include "query/tstr.h"

namespace quarvel {
namespace {

// Small alphabets so that terms occur often, with the unit closers, bytes
// whose OEM and ANSI readings differ, and capitals for case folding.
const std::string kFileBytes = "aaaabbbb   c.!?\n\f\x81\x84\x8E\xE1\xFC\xC4" "AB";
const std::string kPadBytes = "aab A";
const std::string kTermBytes = "aaabbb c.\n\x81\xFC\xE1\xC4" "AB";

// Words of real-looking text: plain, with high bytes, with blanks and with
// closing bytes inside, so that terms meet every kind of boundary.
const char* const kVocabulary[] = {
    "ab",  "cd",     "error", "ok",   "x y",  "caf\xE9", "\xFC" "ber", "\xE9t\xE9", "na\xEFve", "Stra\xDF" "e",
    "A",   "abc",    "b.",    "e!",   "Ok",   "ERR",     "\xC4",       "\xA5",      "\xE6",      "mutex_lock",
};
const char* const kFiller[] = {"the", "and", "of", "zz", "q", "\xE4\xF6", "1999", "--", "\xB7", "\x9C\x9D"};

}  // namespace

int CasesFromEnvironment(const char* variable, int fallback) {
    const char* asked = std::getenv(variable);
    return asked ? std::atoi(asked) : fallback;
}

std::uint32_t SeedFromEnvironment(const char* variable, std::uint32_t fallback) {
    const char* seeded = std::getenv(variable);
    return seeded ? static_cast<std::uint32_t>(std::strtoul(seeded, nullptr, 10)) : fallback;
}

TSearchCFG CaseCfg(const Case& c) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDocuments = 0;  // a case is bytes, whatever they begin with
    cfg.SearchWithin = c.within;
    cfg.SearchCode = c.code;
    cfg.SearchIgnoreCase = c.ignoreCase;
    cfg.SearchWholeWord = c.wholeWord;
    cfg.SearchUnicode = c.unicode;
    cfg.CurrentFileSize = static_cast<double>(c.bytes.size());
    cfg.GSizeFiles = 50000;
    cfg.GSizeFilesCurrent = 777;
    return cfg;
}

bool CaseCompiles(const Case& c) {
    try {
        std::string expression = c.expression;
        Tstr query(expression, CaseCfg(c));
    } catch (const QuarvelError&) {
        return false;
    }
    return true;
}

std::string Escaped(const std::string& bytes) {
    auto hex = [](unsigned char c) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        return std::string(buf);
    };
    std::string out;
    std::string quoted;  // the quoted text being gathered
    bool lastHex = false;
    auto flush = [&] {
        if (quoted.empty()) return;
        out += (out.empty() ? "" : " + ") + std::string("std::string(\"") + quoted + "\")";
        quoted.clear();
        lastHex = false;
    };
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t run = 1;
        while (i + run < bytes.size() && bytes[i + run] == bytes[i]) ++run;
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (run >= 8) {
            flush();
            out += (out.empty() ? "" : " + ") + std::string("std::string(") + std::to_string(run) + ", '" + hex(c) +
                   "')";
            i += run;
            continue;
        }
        if (c == '\n') {
            quoted += "\\n";
            lastHex = false;
        } else if (c == '\f') {
            quoted += "\\f";
            lastHex = false;
        } else if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
            lastHex = false;
        } else if (c >= 0x20 && c < 0x7F) {
            if (lastHex && std::isxdigit(c)) quoted += "\" \"";
            quoted += static_cast<char>(c);
            lastHex = false;
        } else {
            quoted += hex(c);
            lastHex = true;
        }
        ++i;
    }
    flush();
    return out.empty() ? "std::string()" : out;
}

std::string Describe(const Case& c) {
    std::ostringstream out;
    out << "expression " << Escaped(c.expression) << "\nSearchWithin " << c.within << ", SearchCode " << c.code
        << ", SearchIgnoreCase " << c.ignoreCase << ", SearchWholeWord " << c.wholeWord << ", SearchUnicode "
        << c.unicode << "\nfile ("
        << c.bytes.size() << " bytes) " << Escaped(c.bytes);
    return out.str();
}

std::string CaseMaker::Random(std::size_t n, const std::string& alphabet) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += From(alphabet);
    return s;
}

std::string CaseMaker::Word() { return Random(1 + Pick(6), kTermBytes); }

std::string CaseMaker::File() {
    switch (Pick(6)) {
        case 0: return Random(Pick(40), kFileBytes);
        case 1: return Random(Pick(400), kFileBytes);
        case 2: return Random(Pick(9000), kFileBytes);
        case 3: {
            // A word close to the first cut, inside a unit that has no closer.
            std::string s = Random(1990 + Pick(21), Pick(2) ? kPadBytes : kFileBytes);
            s += Word();
            s += Random(Pick(30), kFileBytes);
            return s;
        }
        case 4: {
            // Close to the second cut too.
            std::string s = Random(1990 + Pick(21), kPadBytes);
            s += Word();
            s += Random(1970 + Pick(30), kPadBytes);
            s += Word();
            s += Random(Pick(30), kFileBytes);
            return s;
        }
        default: {
            // One closer, then a long unit.
            std::string s = Random(Pick(20), kFileBytes);
            s += From("\n\f.!?");
            s += Random(1990 + Pick(21), kPadBytes);
            s += Word();
            return s;
        }
    }
}

// Terms come from the alphabet or from the file itself, so they occur.
std::string CaseMaker::Term(const std::string& file) {
    if (!file.empty() && Pick(2)) {
        const std::size_t len = 1 + Pick(6);
        const std::size_t at = Pick(static_cast<std::uint32_t>(file.size()));
        std::string t = file.substr(at, len);
        if (!t.empty()) return t;
    }
    return Word();
}

template <typename PickTerm>
std::string CaseMaker::Sequence(PickTerm& pick, int depth, int& budget) {
    auto operand = [&]() {
        std::string s = Pick(5) == 0 ? "-" : "";
        const std::uint32_t kind = Pick(10);
        if (depth < 2 && kind < 2 && budget >= 2) {
            s += "(" + Sequence(pick, depth + 1, budget) + ")";
        } else if (kind < 4) {
            --budget;
            s += "\"" + pick() + "\"";
        } else {
            --budget;
            s += pick();
        }
        return s;
    };
    std::string s = operand();
    const std::uint32_t more = Pick(3);
    for (std::uint32_t i = 0; i < more && budget > 0; ++i) {
        s += Pick(2) ? "+" : "|";
        s += operand();
    }
    return s;
}

void CaseMaker::PickOptions(Case& c) {
    c.within = Pick(4);
    c.code = Pick(3);
    c.ignoreCase = Pick(2);
    c.wholeWord = Pick(2);
    c.unicode = Pick(2);
}

Case CaseMaker::Next() {
    Case c;
    PickOptions(c);
    c.bytes = File();
    if (Pick(40) != 0) {
        int budget = 1 + static_cast<int>(Pick(3));
        auto pick = [&] { return Term(c.bytes); };
        c.expression = AnsiToUtf8(Sequence(pick, 0, budget));
    }
    return c;
}

// The term as the file may hold it: in another case, in its OEM bytes, or
// glued to a letter.
std::string CaseMaker::Spelling(const std::string& term) {
    std::string s = term;
    switch (Pick(8)) {
        case 0:
            for (char& ch : s)
                if (std::islower(static_cast<unsigned char>(ch))) ch = static_cast<char>(ch - 'a' + 'A');
            break;
        case 1:
            // The OEM byte that reads as each high byte, where there is one.
            for (char& ch : s)
                for (int b = 0x80; b < 256; ++b)
                    if (kOemToAnsi[b] == static_cast<unsigned char>(ch)) {
                        ch = static_cast<char>(b);
                        break;
                    }
            break;
        case 2: s = "x" + s; break;
        case 3: s += "s"; break;
        default: break;
    }
    return s;
}

std::string CaseMaker::Unit(const std::vector<std::string>& terms, bool longUnit) {
    std::string unit;
    const std::uint32_t words = Pick(7);
    auto word = [&] {
        if (!terms.empty() && Pick(2)) return Spelling(terms[Pick(static_cast<std::uint32_t>(terms.size()))]);
        return std::string(kFiller[Pick(sizeof kFiller / sizeof kFiller[0])]);
    };
    for (std::uint32_t i = 0; i < words; ++i) {
        if (!unit.empty()) unit += Pick(6) ? " " : "\t";
        unit += word();
    }
    if (longUnit) {
        // Filler to just before or past the first or second cut, then a word there.
        const std::size_t target = (Pick(2) ? 1985 : 3970) + Pick(30);
        while (unit.size() < target) unit += Pick(3) ? " zz" : " \xE4q";
        unit.resize(target);
        unit += word();
        unit += " " + word();
    }
    return unit;
}

Case CaseMaker::NextShaped() {
    Case c;
    PickOptions(c);
    std::vector<std::string> terms;
    const std::uint32_t vocabulary = sizeof kVocabulary / sizeof kVocabulary[0];
    for (std::uint32_t n = 1 + Pick(4); terms.size() < n;) terms.push_back(kVocabulary[Pick(vocabulary)]);
    int budget = 1 + static_cast<int>(Pick(4));
    auto pick = [&] { return terms[Pick(static_cast<std::uint32_t>(terms.size()))]; };
    c.expression = AnsiToUtf8(Sequence(pick, 0, budget));

    const std::uint32_t units = Pick(12);
    for (std::uint32_t u = 0; u < units; ++u) {
        c.bytes += Unit(terms, Pick(12) == 0);
        const bool last = u + 1 == units;
        if (last && Pick(3) == 0) break;  // the file ends inside its last unit
        // Mostly the unit's own closer, sometimes another kind's.
        const std::uint32_t closer = Pick(5) == 0 ? Pick(4) : c.within;
        switch (closer) {
            case 1: c.bytes += "\f"; break;
            case 2: c.bytes += Pick(2) ? "\r\n" : "\n"; break;
            case 3: c.bytes += std::string(1, From(".!?")) + (Pick(2) ? " " : ""); break;
            default: c.bytes += Pick(2) ? "\n" : ";"; break;
        }
    }
    return c;
}

// Words of several scripts: accents (composed and not), Greek with both
// sigmas, Cyrillic, CJK, emoji, the Kelvin sign and the long s, the sharp s,
// the dotted and dotless i, and a replacement character typed as such.
const char* const kUnicodeWords[] = {
    "caf\u00e9", "CAF\u00c9", "cafe\u0301", "na\u00efve", "\u00fcber", "Stra\u00dfe", "STRASSE", "\u00e9t\u00e9",
    "\u03bb\u03cc\u03b3\u03bf\u03c2", "\u039b\u038c\u0393\u039f\u03a3", "\u03c3\u03bf\u03c6\u03af\u03b1", "\u03a3",
    "\u043f\u0440\u0438\u0432\u0435\u0442", "\u041f\u0420\u0418\u0412\u0415\u0422", "\u043c\u0438\u0440",
    "\u6f22\u5b57", "\u65e5\u672c\u8a9e", "\U0001F600", "\U0001F680x", "\u212a", "\u017ftop", "kelvin",
    "STOP", "\u0130i", "\u0131I", "\ufffd", "x1", "a.b", "ok", "\u00b5", "\u03bc", "\u2126", "\u03c9",
};

std::string CaseMaker::UnicodeWord() {
    std::string w = kUnicodeWords[Pick(sizeof kUnicodeWords / sizeof kUnicodeWords[0])];
    switch (Pick(10)) {
        case 0: {  // in the other case
            std::u32string chars = Utf8ToChars(w);
            for (char32_t& c : chars) c = c == LowerCase(c) ? g_unichar_toupper(c) : LowerCase(c);
            return CharsToUtf8(chars);
        }
        case 1: return w + "s";
        case 2: return "x" + w;
        case 3: return w + "7";
        default: return w;
    }
}

Case CaseMaker::NextUnicode() {
    Case c;
    PickOptions(c);
    c.unicode = Pick(5) != 0;
    std::vector<std::string> words;
    for (std::uint32_t n = 1 + Pick(4); words.size() < n;) words.push_back(UnicodeWord());
    std::string text;
    const std::uint32_t units = Pick(14);
    for (std::uint32_t u = 0; u < units; ++u) {
        const std::uint32_t count = Pick(6);
        for (std::uint32_t i = 0; i < count; ++i) {
            if (i) text += From(" \t,-");
            text += Pick(2) ? words[Pick(static_cast<std::uint32_t>(words.size()))] : UnicodeWord();
        }
        if (Pick(15) == 0) {
            // A long unit: the pieces cut it, now and then inside a character.
            const std::size_t target = text.size() + 1980 + Pick(40);
            while (text.size() < target) text += Pick(4) ? "\u00e9" : " \u043c";
            text += words[0];
        }
        if (Pick(8) == 0) text += std::string(1, static_cast<char>(0x80 + Pick(128)));  // no UTF-8
        if (Pick(12) == 0) text += "caf\xE9";  // Windows-1252 among UTF-8
        const std::uint32_t closer = Pick(5) == 0 ? Pick(4) : c.within;
        switch (closer) {
            case 1: text += "\f"; break;
            case 2: text += Pick(2) ? "\r\n" : "\n"; break;
            case 3: text += std::string(1, From(".!?")) + " "; break;
            default: text += " "; break;
        }
    }
    // The form the file takes.
    switch (Pick(6)) {
        case 0: c.bytes = "\xEF\xBB\xBF" + text; break;
        case 1:
        case 2: {
            const bool big = Pick(2);
            c.bytes = big ? "\xFE\xFF" : "\xFF\xFE";
            for (char32_t ch : Utf8ToChars(text)) {
                auto unit = [&](char32_t v) {
                    const char hi = static_cast<char>(v >> 8), lo = static_cast<char>(v & 0xFF);
                    c.bytes += big ? std::string{hi, lo} : std::string{lo, hi};
                };
                if (ch >= 0x10000) {
                    unit(0xD800 + ((ch - 0x10000) >> 10));
                    unit(0xDC00 + ((ch - 0x10000) & 0x3FF));
                } else {
                    unit(ch);
                }
            }
            if (Pick(6) == 0) c.bytes += Pick(2) ? "\x00\xD8" : "\x3D";  // a lone surrogate, an odd byte
            break;
        }
        default: c.bytes = text; break;
    }
    int budget = 1 + static_cast<int>(Pick(4));
    auto pick = [&] {
        std::string w = words[Pick(static_cast<std::uint32_t>(words.size()))];
        if (Pick(4) == 0) w = UnicodeWord();
        if (Pick(6) == 0 && !text.empty()) {
            const std::size_t at = Pick(static_cast<std::uint32_t>(text.size()));
            w = CharsToUtf8(Utf8ToChars(text.substr(at, 1 + Pick(8))));  // a stretch of the text, made valid
        }
        // The operators stay operators.
        std::string clean;
        for (char ch : w)
            if (std::string("+|-\"()").find(ch) == std::string::npos) clean += ch;
        return clean.empty() ? std::string("ok") : clean;
    };
    c.expression = Sequence(pick, 0, budget);
    return c;
}

}  // namespace quarvel
