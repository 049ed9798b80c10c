#include "cli/cli_options.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>

#include "platform/clock.h"
#include "platform/text_conv.h"
#include "platform/working_folder.h"
#include "query/operator_rule.h"
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
    "      --code CODE       both (default), ansi or oem\n"
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
    "      --info            after the run (or --open), print the search information lines\n"
    "  -q, --quiet           no progress line\n"
    "      --help            this text\n"
    "Results go to standard output, messages to standard error. Exit status: 0 found (or --check,\n"
    "--open, --view succeeded), 1 nothing found, 2 error. Settings are neither read nor written.\n";

namespace {

bool ToAnsiText(const std::string& typed, std::string& out, std::string& error, bool utf8) {
    if (!utf8) {
        out = typed;
        return true;
    }
    AnsiConversion c = Utf8ToAnsi(typed);
    if (!c.ok) {
        error = c.message;
        return false;
    }
    out = c.text;
    return true;
}

bool Number(const std::string& text, std::uint32_t max, std::uint32_t& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
    unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
    if (v > max) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error, bool utf8) {
    CliOptions o;
    TSearchCFG& c = o.cfg;
    c.SetDefaults();
    c.SearchFilesMask = "*.*";
    c.SearchDefaultPath = WorkingFolder();
    const std::uint16_t today = TodayDosDate();
    c.SearchDateFrom = c.SearchDateBefore = today;
    const std::map<std::string, int> operators = {
        {"--op-and", kOpAnd},         {"--op-or", kOpOr},          {"--op-not", kOpNot},
        {"--op-quote", kOpQuote},     {"--op-open", kOpLevelOpen}, {"--op-close", kOpLevelClose},
        {"--separator", kOpFileSeparator}, {"--not-search", kOpFileNotSearch}};
    std::vector<std::string> positional;
    bool check = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            return ToAnsiText(args[++i], out, error, utf8);
        };
        // An empty name would read as the option not given at all.
        auto fileName = [&](std::string& out) {
            if (!value(out)) return false;
            if (out.empty()) error = "option " + a + " needs a file name";
            return !out.empty();
        };
        auto number = [&](std::uint32_t max, std::uint32_t& out) {
            std::string text;
            if (!value(text)) return false;
            if (!Number(text, max, out)) {
                error = "option " + a + " needs a whole number from 0 to " + std::to_string(max);
                return false;
            }
            return true;
        };
        if (a == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a == "-p" || a == "--path") { if (!value(c.SearchDefaultPath)) return std::nullopt; }
        else if (a == "-f" || a == "--files") { if (!value(c.SearchFilesMask)) return std::nullopt; }
        else if (a == "-r" || a == "--subdir") c.SearchIncludeSubDir = 1;
        else if (a == "-i" || a == "--ignore-case") c.SearchIgnoreCase = 1;
        else if (a == "-w" || a == "--whole-word") c.SearchWholeWord = 1;
        else if (a == "--no-hidden") c.SearchIncludeHidden = 0;
        else if (a == "--within" || a == "--code") {
            std::string v;
            if (!value(v)) return std::nullopt;
            const std::map<std::string, std::uint32_t> within = {{"file", 0}, {"page", 1}, {"line", 2}, {"sentence", 3}};
            const std::map<std::string, std::uint32_t> code = {{"oem", 0}, {"ansi", 1}, {"both", 2}};
            const auto& table = a == "--within" ? within : code;
            auto it = table.find(v);
            if (it == table.end()) {
                error = "option " + a + (a == "--within" ? " takes file, page, line or sentence" : " takes both, ansi or oem");
                return std::nullopt;
            }
            (a == "--within" ? c.SearchWithin : c.SearchCode) = it->second;
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
        } else if (a == "--last-months") { if (!number(999, c.SearchDateLastMonate)) return std::nullopt; c.SearchDateId = 2; }
        else if (a == "--last-days") { if (!number(999, c.SearchDateLastDay)) return std::nullopt; c.SearchDateId = 3; }
        else if (a == "--at-most") { if (!number(999999, c.SearchSizeMax)) return std::nullopt; c.SearchSizeId = 1; }
        else if (a == "--at-least") { if (!number(999999, c.SearchSizeMin)) return std::nullopt; c.SearchSizeId = 2; }
        else if (a == "--refine") { if (!fileName(o.refineProject)) return std::nullopt; }
        else if (a == "-o" || a == "--save") { if (!fileName(o.saveProject)) return std::nullopt; }
        else if (a == "--open") { if (!fileName(o.openProject)) return std::nullopt; o.action = CliAction::Open; }
        else if (a == "--view") { if (!fileName(o.viewFile)) return std::nullopt; o.action = CliAction::View; }
        else if (a == "--check") check = true;
        else if (a == "--rows") o.rows = true;
        else if (a == "--info") o.info = true;
        else if (a == "-q" || a == "--quiet") o.quiet = true;
        else if (a == "-h" || a == "--help") { o.action = CliAction::Help; return o; }
        else if (auto op = operators.find(a); op != operators.end()) {
            if (!value(c.Operators[op->second])) return std::nullopt;
            if (c.Operators[op->second].size() > kMaxOperatorLength) {
                error = "option " + a + " takes at most 10 characters";
                return std::nullopt;
            }
        } else if (a.size() > 1 && a[0] == '-' && positional.empty()) {
            error = "unknown option " + a + " (see --help)";
            return std::nullopt;
        } else {
            positional.push_back(a);
        }
    }
    if (check) o.action = CliAction::Check;
    const bool needsExpression = o.action == CliAction::Search || o.action == CliAction::Check;
    if (positional.size() > 1 || (needsExpression && positional.empty())) {
        error = needsExpression ? "give exactly one EXPRESSION (see --help)" : "unexpected argument " + positional[0];
        return std::nullopt;
    }
    if (!positional.empty() && !ToAnsiText(positional[0], c.SearchString, error, utf8)) return std::nullopt;
    for (const std::string* text : {&c.SearchString, &c.SearchFilesMask, &c.SearchDefaultPath})
        if (text->size() >= kPathBufferSize) {
            error = "a text of at most 259 bytes is allowed: " + text->substr(0, 40) + "...";
            return std::nullopt;
        }
    if (OperatorCheck check = CheckOperatorSet(c.Operators); !check.ok()) {
        error = check.message + ": " + kOperatorNames[check.position];
        return std::nullopt;
    }
    c.DeriveWindows(today);
    return o;
}

}  // namespace quarvel
