#include "documents/html_entities.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace quarvel {

namespace {

// The named entities of HTML that books use and XML does not know: those of
// Latin-1 in the order of their characters from U+00A0, then the others.
constexpr std::array<std::string_view, 96> kLatin1Entities = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
constexpr std::pair<std::string_view, gunichar> kOtherEntities[] = {
    {"OElig", 0x152},   {"oelig", 0x153},   {"Scaron", 0x160},  {"scaron", 0x161}, {"Yuml", 0x178},
    {"fnof", 0x192},    {"circ", 0x2C6},    {"tilde", 0x2DC},   {"ensp", 0x2002},  {"emsp", 0x2003},
    {"thinsp", 0x2009}, {"zwnj", 0x200C},   {"zwj", 0x200D},    {"lrm", 0x200E},   {"rlm", 0x200F},
    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019}, {"sbquo", 0x201A},
    {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},  {"dagger", 0x2020}, {"Dagger", 0x2021},
    {"bull", 0x2022},   {"hellip", 0x2026}, {"permil", 0x2030}, {"prime", 0x2032}, {"Prime", 0x2033},
    {"lsaquo", 0x2039}, {"rsaquo", 0x203A}, {"oline", 0x203E},  {"frasl", 0x2044}, {"euro", 0x20AC},
    {"trade", 0x2122},  {"larr", 0x2190},   {"uarr", 0x2191},   {"rarr", 0x2192},  {"darr", 0x2193},
    {"harr", 0x2194},   {"minus", 0x2212},  {"infin", 0x221E},  {"asymp", 0x2248}, {"ne", 0x2260},
    {"le", 0x2264},     {"ge", 0x2265}};

gunichar HtmlEntity(std::string_view name) {
    const auto latin1 = std::find(kLatin1Entities.begin(), kLatin1Entities.end(), name);
    if (latin1 != kLatin1Entities.end()) return 0xA0 + static_cast<gunichar>(latin1 - kLatin1Entities.begin());
    for (const auto& [entity, character] : kOtherEntities)
        if (entity == name) return character;
    return 0;
}

// Whether "&#...;" names a character GMarkup takes.
bool GoodReference(std::string_view number) {
    const bool hex = !number.empty() && (number[0] == 'x' || number[0] == 'X');
    std::uint32_t code = 0;
    const char* first = number.data() + (hex ? 1 : 0);
    const char* last = number.data() + number.size();
    const auto [end, error] = std::from_chars(first, last, code, hex ? 16 : 10);
    if (error != std::errc() || end != last || first == last) return false;
    return (code >= 1 && code <= 0xD7FF) || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

}  // namespace

std::string WithXmlEntitiesOnly(std::string_view html) {
    std::string xml;
    xml.reserve(html.size() + html.size() / 16);
    std::size_t at = 0;
    while (at < html.size()) {
        const std::size_t next = html.find_first_of("&<", at);
        xml.append(html.substr(at, next - at));
        if (next == std::string_view::npos) break;
        at = next;
        if (html[at] == '<') {
            std::size_t end = at + 1;
            if (html.substr(at, 9) == "<![CDATA[") end = std::min(html.find("]]>", at), html.size() - 3) + 3;
            xml.append(html.substr(at, end - at));
            at = end;
            continue;
        }
        const std::size_t semicolon = html.find(';', at);
        const std::string_view name =
            semicolon != std::string_view::npos && semicolon - at <= 32 ? html.substr(at + 1, semicolon - at - 1) : "";
        gchar utf8[8];
        if (name == "lt" || name == "gt" || name == "amp" || name == "quot" || name == "apos" ||
            (name.starts_with('#') && GoodReference(name.substr(1)))) {
            xml.append(html.substr(at, semicolon + 1 - at));
        } else if (name.starts_with('#')) {
            xml.append("\xEF\xBF\xBD");
        } else if (const gunichar character = HtmlEntity(name)) {
            xml.append(utf8, static_cast<std::size_t>(g_unichar_to_utf8(character, utf8)));
        } else {
            xml.append("&amp;");
            ++at;
            continue;
        }
        at = semicolon + 1;
    }
    return xml;
}

}  // namespace quarvel
