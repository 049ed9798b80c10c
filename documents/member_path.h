#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarvel {

// A member of an archive is named by the archive's path, the mark "//" and
// its path in the archive: "/p/a.zip//docs/x.txt". A member of a member adds
// another mark: "/p/a.zip//inner.tar//x.txt". A walked path never holds two
// separators together, so the mark tells a member from a file.
inline constexpr std::string_view kMemberMark = "//";
// An archive inside an archive is opened this many levels down, no deeper.
inline constexpr unsigned kMostArchiveDepth = 3;

struct MemberPath {
    std::string file;                  // the file on disk
    std::vector<std::string> members;  // the member in it, then the member in that...; empty for a file
};

bool IsMemberPath(std::string_view path);
MemberPath SplitMemberPath(std::string_view path);

// The path a member is listed under, from the path the archive stores: steps
// that are empty or "." are dropped, and so are ".." steps, which could only
// climb out of the archive; a backslash separates steps as a slash does.
// Empty when no step is left.
std::string MemberListName(std::string_view stored);

// The folder and name of a member's record: "/p/a.zip//docs" and "x.txt",
// or "/p/a.zip/" and "x.txt" for a member at the top, so that folder, "/"
// and name give the member's path. listName: MemberListName's.
std::pair<std::string, std::string> MemberFolderAndName(std::string_view archivePath, std::string_view listName);

// The name a single compressed file's one member is listed under: the
// archive's name without its compression's ending ("a.txt" for "a.txt.gz",
// "a.tar" for "a.tgz"), else (and instead of "." or "..") "data".
std::string SingleMemberName(std::string_view archiveName);

}  // namespace quarvel
