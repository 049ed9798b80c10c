#include "platform/editor_command.h"

#include "platform/program_words.h"

namespace quarvel {

namespace {

// One word with its % sequences replaced; an unknown one, or a % at the end,
// stays as typed, so that a word like "50%" passes unchanged.
std::string Substituted(const std::string& word, const std::string& path, const std::string& line, bool& hasPath) {
    std::string out;
    out.reserve(word.size());
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char next = i + 1 < word.size() ? word[i + 1] : '\0';
        if (word[i] != '%' || (next != 'f' && next != 'l' && next != '%')) {
            out += word[i];
            continue;
        }
        if (next == 'f') {
            out += path;
            hasPath = true;
        } else if (next == 'l') {
            out += line;
        } else {
            out += '%';
        }
        ++i;
    }
    return out;
}

}  // namespace

std::vector<std::string> EditorArguments(const std::string& commandText, const std::string& path,
                                         std::uint64_t line) {
    std::vector<std::string> words;
    std::string failure;
    if (!SplitProgramText(commandText, words, failure) || words.empty()) return {};
    const std::string lineText = std::to_string(line);
    bool hasPath = false;
    for (std::string& word : words) word = Substituted(word, path, lineText, hasPath);
    if (!hasPath) words.push_back(path);
    return words;
}

std::string EditorTextProblem(const std::string& commandText) {
    std::vector<std::string> words;
    std::string failure;
    if (SplitProgramText(commandText, words, failure)) return std::string();
    return "The editor command cannot be split into words: " + failure;
}

}  // namespace quarvel
