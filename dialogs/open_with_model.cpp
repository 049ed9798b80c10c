#include "dialogs/open_with_model.h"

#include <string_view>

#include "platform/path_text.h"
#include "settings/search_cfg.h"

namespace quarvel {

namespace {
constexpr const char* kTooLongMessage = "The text is too long: it may hold at most 259 bytes";
}  // namespace

OpenWithModel::OpenWithModel(const std::vector<std::string>& history)
    : text_(history.empty() ? std::string() : history.front()), list_(history) {}

void OpenWithModel::ProgramChosen(const std::string& fullPath, std::string& browserFolder) {
    if (fullPath.empty()) return;
    text_ = ProgramWord(fullPath);
    browserFolder = FolderOfPath(fullPath);
}

OpenWithModel::OkOutcome OpenWithModel::Ok(std::vector<std::string>& history) const {
    if (!OkEnabled()) return {false, std::string()};
    // A program text cut to fit would start something else next time.
    if (text_.size() >= kPathBufferSize) return {false, kTooLongMessage};
    history = RebuiltProgramHistory(text_, list_);
    return {};
}

std::string ProgramWord(const std::string& path) {
    // Letters, digits and these stand for themselves; bytes of other scripts too.
    constexpr std::string_view kPlain = "/._-+,:@%=~";
    bool plain = !path.empty();
    for (unsigned char c : path) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (c < 0x80 && !alnum && kPlain.find(static_cast<char>(c)) == std::string_view::npos) plain = false;
    }
    if (plain) return path;
    std::string word = "'";
    for (char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

std::vector<std::string> RebuiltProgramHistory(const std::string& chosen, const std::vector<std::string>& list) {
    std::vector<std::string> history{chosen};
    for (const std::string& entry : list)
        if (entry != chosen && !entry.empty()) history.push_back(entry);
    return history;
}

}  // namespace quarvel
