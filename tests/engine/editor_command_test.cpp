// The editor command of Edit at line: the words as Open with splits them, the
// placeholders replaced inside their words, the path whole whatever it holds,
// and the texts that mean the default program or cannot be used.
#include <gtest/gtest.h>

#include <limits>

#include "dialogs/open_with_model.h"
#include "platform/editor_command.h"

namespace quarvel {
namespace {

using Words = std::vector<std::string>;

TEST(EditorCommand, PlaceholdersAreReplacedInTheirWordsAndThePathStaysOneWord) {
    // Blanks, quotes, a line feed, a command and placeholders of its own: none
    // of it may split the path or be read again.
    const std::string path = "/home/me/my 'odd' \"notes\"\n$(touch x) %l %f.txt";
    struct Case {
        std::string text;
        Words arguments;
    };
    const Case cases[] = {
        {"code -g %f:%l", {"code", "-g", path + ":42"}},
        {"gedit +%l %f", {"gedit", "+42", path}},
        {"vim +%l", {"vim", "+42", path}},  // no %f: the path comes last
        {"less", {"less", path}},
        {"ed %f --again=%f", {"ed", path, "--again=" + path}},
        // %% is one %, so "%%f" is no placeholder; a % before anything else stays.
        {"printf %%f%%l%f", {"printf", "%f%l" + path}},
        {"echo 100%% 50% %x %F %", {"echo", "100%", "50%", "%x", "%F", "%", path}},
        // Quotes and backslashes as a shell reads them, placeholders inside them too.
        {"'/opt/my tools/ed' --line=%l -- %f", {"/opt/my tools/ed", "--line=42", "--", path}},
        {"\"/opt/ed\" '%f' \"%l\"", {"/opt/ed", path, "42"}},
        {"my\\ ed '' %l", {"my ed", "", "42", path}},
        {"  kate\t--line %l  ", {"kate", "--line", "42", path}},
        // A program picked with Open with's Browse, quoted as that dialog quotes it.
        {ProgramWord("/opt/it's \"here\"/ed") + " %f", {"/opt/it's \"here\"/ed", path}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EditorArguments(c.text, path, 42), c.arguments) << c.text;
        EXPECT_EQ(EditorTextProblem(c.text), "") << c.text;
    }
    EXPECT_EQ(EditorArguments("nano +%l,1", "/a", std::numeric_limits<std::uint64_t>::max()),
              (Words{"nano", "+18446744073709551615,1", "/a"}));
}

TEST(EditorCommand, ABlankTextMeansTheDefaultProgramAndABrokenOneIsRefusedWithAReason) {
    for (const char* blank : {"", "   ", "\t\n "}) {
        EXPECT_EQ(EditorArguments(blank, "/a b", 3), Words{}) << '"' << blank << '"';
        EXPECT_EQ(EditorTextProblem(blank), "") << '"' << blank << '"';
    }
    const std::string prefix = "The editor command cannot be split into words: ";
    for (const char* broken : {"code '%f", "gedit \"+%l %f", "ed %f \\"}) {
        EXPECT_EQ(EditorArguments(broken, "/a", 3), Words{}) << broken;
        const std::string problem = EditorTextProblem(broken);
        EXPECT_EQ(problem.rfind(prefix, 0), 0u) << broken << ": " << problem;
        EXPECT_GT(problem.size(), prefix.size()) << "the reason follows: " << broken;
    }
}

}  // namespace
}  // namespace quarvel
