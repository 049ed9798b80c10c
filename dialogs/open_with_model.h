#pragma once
#include <string>
#include <vector>

namespace quarvel {

// The controls of the open-with dialog that the program talks to.
enum OpenWithId : int { kOpenWithBrowse = 1001, kOpenWithProgram = 1002 };

// The open-with dialog without its widgets: the program field, the list of
// recent programs under it, when OK may be pressed, and what Browse and OK
// store. Program texts are file-system bytes: a program, optionally followed
// by arguments of its own.
class OpenWithModel {
public:
    // The list shows the program history; the field shows its first entry.
    explicit OpenWithModel(const std::vector<std::string>& history);

    const std::string& Text() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }
    const std::vector<std::string>& List() const { return list_; }

    // OK can be pressed exactly while the field is not empty.
    bool OkEnabled() const { return !text_.empty(); }

    // A program picked with Browse, by its full path: the field shows it (as
    // one word, see ProgramWord), and the next Browse starts in its folder.
    void ProgramChosen(const std::string& fullPath, std::string& browserFolder);

    struct OkOutcome {
        bool accepted = true;
        std::string message;  // shown when refused; the field keeps the focus
    };
    // Stores the field at the front of the history, followed by the listed
    // programs that differ from it.
    OkOutcome Ok(std::vector<std::string>& history) const;

private:
    std::string text_;
    std::vector<std::string> list_;
};

// A path as one word of a program text, which is split into words as a shell
// would: as it stands when that keeps it whole, else in single quotes.
std::string ProgramWord(const std::string& path);

// The program history after OK: the chosen program first, then the entries of
// the list in their order, each that differs from it byte for byte (another
// letter case is another program). An empty entry is not carried past the
// front, and nothing is cut: only the first ten entries are kept at exit.
std::vector<std::string> RebuiltProgramHistory(const std::string& chosen, const std::vector<std::string>& list);

}  // namespace quarvel
