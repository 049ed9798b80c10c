#include "documents/member_path.h"

#include <algorithm>
#include <array>

namespace quarvel {

namespace {

bool EndsWithFolded(std::string_view text, std::string_view ending) {
    if (text.size() <= ending.size()) return false;
    const std::string_view tail = text.substr(text.size() - ending.size());
    return std::equal(tail.begin(), tail.end(), ending.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b;
    });
}

}  // namespace

bool IsMemberPath(std::string_view path) { return path.find(kMemberMark) != std::string_view::npos; }

MemberPath SplitMemberPath(std::string_view path) {
    MemberPath split;
    std::size_t mark = path.find(kMemberMark);
    split.file = std::string(path.substr(0, mark));
    while (mark != std::string_view::npos) {
        const std::size_t from = mark + kMemberMark.size();
        mark = path.find(kMemberMark, from);
        split.members.emplace_back(path.substr(from, mark == std::string_view::npos ? mark : mark - from));
    }
    return split;
}

std::string MemberListName(std::string_view stored) {
    std::string name;
    std::size_t at = 0;
    while (at <= stored.size()) {
        std::size_t end = stored.find_first_of("/\\", at);
        if (end == std::string_view::npos) end = stored.size();
        const std::string_view step = stored.substr(at, end - at);
        if (!step.empty() && step != "." && step != "..") {
            if (!name.empty()) name += '/';
            name.append(step);
        }
        at = end + 1;
    }
    return name;
}

std::pair<std::string, std::string> MemberFolderAndName(std::string_view archivePath, std::string_view listName) {
    const std::size_t cut = listName.rfind('/');
    std::string folder(archivePath);
    folder += '/';
    if (cut == std::string_view::npos) return {folder, std::string(listName)};
    folder += '/';
    folder.append(listName.substr(0, cut));
    return {folder, std::string(listName.substr(cut + 1))};
}

std::string SingleMemberName(std::string_view archiveName) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kEndings{{
        {".tgz", ".tar"}, {".tbz2", ".tar"}, {".tbz", ".tar"}, {".txz", ".tar"}, {".tzst", ".tar"},
        {".gz", ""}, {".bz2", ""}, {".xz", ""}, {".zst", ""},
    }};
    for (const auto& [ending, instead] : kEndings) {
        if (!EndsWithFolded(archiveName, ending)) continue;
        std::string name = std::string(archiveName.substr(0, archiveName.size() - ending.size())) + std::string(instead);
        // "..gz" would leave "..": a step no listed name may hold.
        if (name != "." && name != "..") return name;
        break;
    }
    return "data";
}

}  // namespace quarvel
