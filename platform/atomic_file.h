#pragma once
#include <string>
#include <string_view>

// Replacing a file as a whole: the new bytes go to a temporary file beside it,
// which then takes its place by rename, so the file holds either all of the
// old bytes or all of the new ones, never a mix.
namespace quarvel {

enum class ReplaceOutcome {
    Replaced,
    NoFolder,     // the folder is missing, or is no folder
    NotAFile,     // a folder, pipe, device or socket is there, or the path names no file
    NotWritable,  // the user may not write the file
    Failed,       // the temporary file could not be made, written or put in place
};

// Replaces the file at path with bytes. A symbolic link is followed to its
// final target, which is replaced while the link stays a link; a link whose
// target is missing creates that target, as writing through it would. A file
// that is replaced keeps its permissions and, where the system lets it, its
// owner and group. On every outcome but Replaced nothing on disk was changed.
ReplaceOutcome ReplaceFile(const std::string& path, std::string_view bytes);

// The same for a file the user asked for: unless it was replaced, throws
// QuarvelError("Can`t create file " and the path, and why when that is known).
void ReplaceFileOrThrow(const std::string& path, std::string_view bytes);

}  // namespace quarvel
