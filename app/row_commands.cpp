#include "app/row_commands.h"

#include <sys/stat.h>

#include "documents/member_path.h"

namespace quarvel {

CurrentRow ResolveCurrentRow(int selectedRow, int& contextMenuRow, const TSaveFileArray& found) {
    int row = selectedRow;
    if (contextMenuRow != -1) {
        row = contextMenuRow;
        contextMenuRow = -1;
    }
    if (row < 0 || static_cast<std::size_t>(row) >= found.size()) return {};
    // Any kind of file but a folder would do for the name; only a regular
    // file can be read or shown. A member is looked for in its archive when it is read.
    const std::string path = found[row].Path();
    struct stat st {};
    const std::string file = IsMemberPath(path) ? SplitMemberPath(path).file : path;
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {-1, true};
    return {row, false};
}

}  // namespace quarvel
