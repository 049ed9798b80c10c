#pragma once
// Archives made with the library's own writer, for the tests of archives.
#include <archive.h>
#include <archive_entry.h>

#include <map>
#include <string>
#include <vector>

namespace quarvel {

// The bytes of an archive of the format, compressed by filter (a writer
// option too, such as "zip:compression=store"), holding the members
// (name -> data), each a regular file of the same time.
inline std::string ArchiveBytes(int format, int filter, const std::map<std::string, std::string>& members,
                                const char* option = nullptr) {
    archive* a = archive_write_new();
    archive_write_set_format(a, format);
    if (filter != ARCHIVE_FILTER_NONE) archive_write_add_filter(a, filter);
    if (option) archive_write_set_options(a, option);
    std::size_t room = 65536;
    for (const auto& member : members) room += 2 * member.second.size() + 1024;
    std::vector<char> out(room);
    std::size_t used = 0;
    archive_write_open_memory(a, out.data(), out.size(), &used);
    for (const auto& [name, data] : members) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.c_str());
        archive_entry_set_size(entry, static_cast<la_int64_t>(data.size()));
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_mtime(entry, 1700000000, 0);
        archive_write_header(a, entry);
        archive_write_data(a, data.data(), data.size());
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return std::string(out.data(), used);
}

}  // namespace quarvel
