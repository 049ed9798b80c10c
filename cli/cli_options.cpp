#include "cli/cli_options.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>

#include "platform/clock.h"
#include "platform/processors.h"
#include "platform/reading.h"
#include "platform/text_conv.h"
#include "platform/unicode_text.h"
#include "platform/working_folder.h"
#include "settings/operator_rule.h"
#include "search/date_text.h"

namespace quarvel {

const char* const kCliUsage =
    "Usage: quarvel-cli [options] [--] EXPRESSION\n"
    "Finds the files whose content satisfies a Boolean EXPRESSION (default operators: + AND, | OR,\n"
    "- NOT, \"...\" phrase, ( ) group; no precedence, left to right; spaces belong to the terms).\n"
    "  -p, --path DIR        default folder for file-list entries without one (default: current folder)\n"
    "  -f, --files LIST      file list: masks and names joined by the separator, \"-\" excludes (default *.*)\n"
    "  -r, --subdir          include sub-folders\n"
    "  -i, --ignore-case     ignore case\n"
    "  -w, --whole-word      whole words only\n"
    "      --no-hidden       leave out hidden and system files\n"
    "      --within UNIT     file (default), page, line or sentence\n"
    "      --documents on|off  search the text of PDF, office and EPUB documents and the members\n"
    "                        of zip, tar, 7z and compressed files (default on)\n"
    "      --code READINGS   the readings of the files' bytes, separated by commas: unicode (UTF-8,\n"
    "                        or UTF-16 after its byte order mark), ansi (Windows-1252), oem (code\n"
    "                        page 437); both is ansi,oem, all (the default) the three\n"
    "      --between D1 D2   modified between two dates (dd/mm/yyyy)\n"
    "      --last-months N | --last-days N\n"
    "      --at-most KB | --at-least KB   size limits, 1 KB = 1000 bytes\n"
    "      --refine PROJECT  search only the files found in PROJECT\n"
    "      --op-and S --op-or S --op-not S --op-quote S --op-open S --op-close S --separator S --not-search S\n"
    "                        operator strings (1 to 10 characters, no two equal)\n"
    "  -o, --save PROJECT    save the search and its results as a project file\n"
    "      --open PROJECT    no search: load PROJECT and print its results\n"
    "      --view FILE       no search: scan FILE as the viewer does and print lines, longest, starts, hits\n"
    "      --check           no search: print the terms of EXPRESSION, or the compiler's message\n"
    "      --rows            print the results list's five columns, tab-separated\n"
    "      --lines           print, for each found file, the lines that hold hits of its satisfying\n"
    "                        units as PATH:LINE:TEXT, the text in the reading that found the hits\n"
    "      --json            print each found file as a JSON object on a line of its own: path, size,\n"
    "                        modified, hits (with --lines, its lines too)\n"
    "      --csv             print the results as CSV (RFC 4180, UTF-8) with a header row: path,\n"
    "                        folder, name, size, date, time, hits\n"
    "  -0, --null            end each found path (row, line, JSON object or CSV record) with a NUL\n"
    "                        byte instead of a line feed\n"
    "      --info            after the run (or --open), print the search information lines\n"
    "  -j, --threads N       decide the files on N threads (also -jN; default: one per processor the\n"
    "                        program may use); the results, messages and --info are those of -j 1\n"
    "  -q, --quiet           no progress line\n"
    "      --help            this text\n"
    "Results go to standard output, messages to standard error. Exit status: 0 found (or --check,\n"
    "--open, --view succeeded), 1 nothing found, 2 an error was reported (even if something was\n"
    "found). SIGINT or SIGTERM ends the run: what was found is printed, then the program ends by\n"
    "that signal. The expression and the operator strings are read in the terminal's encoding;\n"
    "names and paths are the file system's bytes as typed. Settings are neither read nor written.\n";

namespace {

// Search text as the program holds it, UTF-8: a UTF-8 terminal's text must
// be valid; any other terminal's bytes are read as Windows-1252.
bool ToSearchText(const std::string& typed, std::string& out, std::string& error, bool utf8) {
    if (!utf8) {
        out = AnsiToUtf8(typed);
        return true;
    }
    std::size_t bad = 0;
    if (!DecodeUtf8(typed, &bad)) {
        error = "The text is not valid UTF-8: the bytes at position " + std::to_string(bad + 1) +
                " do not form a character.";
        return false;
    }
    out = typed;
    return true;
}

bool Number(const std::string& text, std::uint32_t max, std::uint32_t& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
    unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
    if (v > max) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

// The options that may not be given together: at most one of each set.
const std::vector<std::vector<std::string>> kExclusive = {
    {"--at-most", "--at-least"},
    {"--between", "--last-months", "--last-days"},
    {"--open", "--view", "--check"},
    {"--open", "--refine"}, {"--open", "--save"},
    {"--view", "--refine"}, {"--view", "--save"}, {"--view", "--rows"}, {"--view", "--info"}, {"--view", "--null"},
    {"--check", "--refine"}, {"--check", "--save"}, {"--check", "--rows"}, {"--check", "--info"},
    {"--check", "--null"},
    {"--rows", "--lines"}, {"--rows", "--json"}, {"--rows", "--csv"}, {"--json", "--csv"}, {"--lines", "--csv"}, {"--info", "--json"}, {"--info", "--csv"},
    {"--view", "--lines"}, {"--view", "--json"}, {"--view", "--csv"},
    {"--check", "--lines"}, {"--check", "--json"}, {"--check", "--csv"},
};

// The long name of an option given in its short form.
std::string LongName(const std::string& a) {
    static const std::map<std::string, std::string> shortNames = {
        {"-p", "--path"},        {"-f", "--files"},      {"-r", "--subdir"}, {"-i", "--ignore-case"},
        {"-w", "--whole-word"},  {"-o", "--save"},       {"-q", "--quiet"},  {"-0", "--null"},
        {"-j", "--threads"},     {"-h", "--help"}};
    auto it = shortNames.find(a);
    return it == shortNames.end() ? a : it->second;
}

// A quoted beginning of a long typed text, not cut inside a UTF-8 sequence.
std::string Beginning(const std::string& typed) {
    std::size_t n = std::min<std::size_t>(typed.size(), 40);
    while (n > 0 && n < typed.size() && (static_cast<unsigned char>(typed[n]) & 0xC0) == 0x80) --n;
    return typed.substr(0, n) + "...";
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error, bool utf8) {
    CliOptions o;
    TSearchCFG& c = o.cfg;
    c.SetDefaults();
    c.SearchFilesMask = "*.*";
    const std::uint16_t today = TodayDosDate();
    c.SearchDateFrom = c.SearchDateBefore = today;
    const std::map<std::string, int> operators = {
        {"--op-and", kOpAnd},         {"--op-or", kOpOr},          {"--op-not", kOpNot},
        {"--op-quote", kOpQuote},     {"--op-open", kOpLevelOpen}, {"--op-close", kOpLevelClose},
        {"--separator", kOpFileSeparator}, {"--not-search", kOpFileNotSearch}};
    std::vector<std::string> positional;
    std::map<std::string, std::string> given;  // each option given, by its long name, with its typed values
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& typed = args[i];
        if (typed == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (typed.size() < 2 || typed[0] != '-' || !positional.empty()) {
            positional.push_back(typed);
            continue;
        }
        // -jN, the thread count joined to its option as the grep family takes it.
        if (typed.size() > 2 && typed.compare(0, 2, "-j") == 0 &&
            typed.find_first_not_of("0123456789", 2) == std::string::npos) {
            if (!Number(typed.substr(2), kMaxThreads, o.threads) || o.threads == 0) {
                error = "option -j needs a whole number from 1 to " + std::to_string(kMaxThreads);
                return std::nullopt;
            }
            auto [at, first] = given.emplace("--threads", typed.substr(2) + '\0');
            if (!first && at->second != typed.substr(2) + '\0') {
                error = "option --threads is given twice with different values";
                return std::nullopt;
            }
            continue;
        }
        const std::string a = LongName(typed);
        std::string typedValues;
        // A name or path: the file system's bytes, as typed.
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = "option " + typed + " needs a value";
                return false;
            }
            out = args[++i];
            typedValues += out + '\0';
            return true;
        };
        // Search text: UTF-8.
        auto text = [&](std::string& out) {
            std::string raw;
            return value(raw) && ToSearchText(raw, out, error, utf8);
        };
        // An empty name would read as the option not given at all.
        auto fileName = [&](std::string& out) {
            if (!value(out)) return false;
            if (out.empty()) error = "option " + typed + " needs a file name";
            return !out.empty();
        };
        auto number = [&](std::uint32_t max, std::uint32_t& out) {
            std::string digits;
            if (!value(digits)) return false;
            if (!Number(digits, max, out)) {
                error = "option " + typed + " needs a whole number from 0 to " + std::to_string(max);
                return false;
            }
            return true;
        };
        bool ok = true;
        if (a == "--path") ok = value(c.SearchDefaultPath);
        else if (a == "--files") ok = value(c.SearchFilesMask);
        else if (a == "--subdir") c.SearchIncludeSubDir = 1;
        else if (a == "--ignore-case") c.SearchIgnoreCase = 1;
        else if (a == "--whole-word") c.SearchWholeWord = 1;
        else if (a == "--no-hidden") c.SearchIncludeHidden = 0;
        else if (a == "--documents") {
            std::string v;
            if (!value(v)) return std::nullopt;
            if (v != "on" && v != "off") {
                error = "option --documents takes on or off";
                return std::nullopt;
            }
            c.SearchDocuments = v == "on";
        }
        else if (a == "--within") {
            std::string v;
            if (!value(v)) return std::nullopt;
            const std::map<std::string, std::uint32_t> within = {{"file", 0}, {"page", 1}, {"line", 2}, {"sentence", 3}};
            auto it = within.find(v);
            if (it == within.end()) {
                error = "option --within takes file, page, line or sentence";
                return std::nullopt;
            }
            c.SearchWithin = it->second;
        } else if (a == "--code") {
            std::string v;
            if (!value(v)) return std::nullopt;
            const auto readings = ParseReadings(v);
            if (!readings) {
                error = "option --code takes unicode, ansi and oem, separated by commas, or both (ansi,oem) or all";
                return std::nullopt;
            }
            c.SetReadings(*readings);
        } else if (a == "--between") {
            std::string d1, d2;
            if (!value(d1) || !value(d2)) return std::nullopt;
            auto from = DateTextToDate(d1, today), before = DateTextToDate(d2, today);
            if (!from || !before) {
                error = "You must specify a valid date or date range";
                return std::nullopt;
            }
            c.SearchDateId = 1;
            c.SearchDateFrom = *from;
            c.SearchDateBefore = *before;
        } else if (a == "--last-months") { ok = number(999, c.SearchDateLastMonate); c.SearchDateId = 2; }
        else if (a == "--last-days") { ok = number(999, c.SearchDateLastDay); c.SearchDateId = 3; }
        else if (a == "--at-most") { ok = number(999999, c.SearchSizeMax); c.SearchSizeId = 1; }
        else if (a == "--at-least") { ok = number(999999, c.SearchSizeMin); c.SearchSizeId = 2; }
        else if (a == "--refine") ok = fileName(o.refineProject);
        else if (a == "--save") ok = fileName(o.saveProject);
        else if (a == "--open") { ok = fileName(o.openProject); o.action = CliAction::Open; }
        else if (a == "--view") { ok = fileName(o.viewFile); o.action = CliAction::View; }
        else if (a == "--check") o.action = CliAction::Check;
        else if (a == "--rows") o.rows = true;
        else if (a == "--lines") o.lines = true;
        else if (a == "--json") o.json = true;
        else if (a == "--csv") o.csv = true;
        else if (a == "--info") o.info = true;
        else if (a == "--quiet") o.quiet = true;
        else if (a == "--threads") {
            std::string digits;
            ok = value(digits);
            if (ok && (!Number(digits, kMaxThreads, o.threads) || o.threads == 0)) {
                error = "option " + typed + " needs a whole number from 1 to " + std::to_string(kMaxThreads);
                ok = false;
            }
        }
        else if (a == "--null") o.nullEnds = true;
        else if (a == "--help") { o.action = CliAction::Help; return o; }
        else if (auto op = operators.find(a); op != operators.end()) {
            std::string& target = c.Operators[op->second];
            if (!text(target)) return std::nullopt;
            if (Utf8ToChars(target).size() > kMaxOperatorLength) {
                error = "option " + a + " takes at most 10 characters";
                return std::nullopt;
            }
            // The file list is the file system's bytes as typed: a file-list operator read
            // from a terminal that is not UTF-8 would cut a name inside a character.
            const bool fileOperator = op->second == kOpFileSeparator || op->second == kOpFileNotSearch;
            if (fileOperator && !utf8)
                for (unsigned char ch : typedValues)
                    if (ch >= 0x80) {
                        error = "option " + a + " takes ASCII characters only in a terminal that is not UTF-8: "
                                "the file list's names are cut by its bytes";
                        return std::nullopt;
                    }
        } else {
            error = "unknown option " + typed + " (see --help)";
            return std::nullopt;
        }
        if (!ok) return std::nullopt;
        // The same option twice: harmless when it says the same, refused when it does not.
        auto [at, first] = given.emplace(a, typedValues);
        if (!first && at->second != typedValues) {
            error = "option " + a + " is given twice with different values";
            return std::nullopt;
        }
    }
    for (const auto& set : kExclusive) {
        const std::string* one = nullptr;
        for (const std::string& name : set) {
            if (!given.count(name)) continue;
            if (one) {
                error = "options " + *one + " and " + name + " cannot be given together";
                return std::nullopt;
            }
            one = &name;
        }
    }
    const bool needsExpression = o.action == CliAction::Search || o.action == CliAction::Check;
    if (positional.size() > 1 || (needsExpression && positional.empty())) {
        error = needsExpression ? "give exactly one EXPRESSION (see --help)" : "unexpected argument " + positional[0];
        return std::nullopt;
    }
    if (o.action == CliAction::Open && !positional.empty()) {
        error = "option --open takes no EXPRESSION: " + positional[0];
        return std::nullopt;
    }
    if (!positional.empty() && !ToSearchText(positional[0], c.SearchString, error, utf8)) return std::nullopt;
    // Texts are held in fields of 260 bytes. Only an entry without a folder
    // needs the default folder: a working folder too deep for the field is
    // left out, and such an entry walks the working folder all the same.
    if (!given.count("--path")) {
        c.SearchDefaultPath = WorkingFolder();
        if (c.SearchDefaultPath.size() >= kPathBufferSize) c.SearchDefaultPath.clear();
    }
    const std::pair<const std::string*, const std::string*> fields[] = {
        {&c.SearchString, positional.empty() ? nullptr : &positional[0]},
        {&c.SearchFilesMask, &c.SearchFilesMask},
        {&c.SearchDefaultPath, &c.SearchDefaultPath}};
    // Search text is measured in characters, names in the file system's bytes.
    for (const auto& [field, typed] : fields) {
        const bool search = field == &c.SearchString;
        if ((search ? Utf8ToChars(*field).size() : field->size()) >= kPathBufferSize) {
            error = std::string("a text of at most 259 ") + (search ? "characters" : "bytes") +
                    " is allowed: " + Beginning(*typed);
            return std::nullopt;
        }
    }
    if (OperatorCheck check = CheckOperatorSet(c.Operators); !check.ok()) {
        error = check.message + ": " + kOperatorNames[check.position];
        return std::nullopt;
    }
    c.DeriveWindows(today);
    return o;
}

}  // namespace quarvel
