// The members of archives the test makes itself (Python's zipfile and
// tarfile, and the library's own writer for 7z and zstd): names, sizes and
// data of every kind, plain files that are no archive, damaged archives, and
// the limits that stop a bomb.
#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>

#include <cstdlib>
#include <map>
#include <string>

#include "documents/archive_reader.h"
#include "tests/engine/archive_writer.h"
#include "tests/file_bytes.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

void Python(const std::string& script) {
    const std::string command = "python3 - <<'PYTHON'\n" + script + "\nPYTHON\n";
    ASSERT_EQ(std::system(command.c_str()), 0) << script;
}

// A tar (7z: format 7zip) with the library's own writer, compressed by filter.
void Write(const std::string& path, int format, int filter, const std::map<std::string, std::string>& members) {
    Put(path, ArchiveBytes(format, filter, members));
}

// Every member: name -> data, and whether the archive read to its end.
std::map<std::string, std::string> Members(const std::string& path, ArchiveReader::Kind& kind) {
    ArchiveReader reader;
    kind = reader.OpenFile(path);
    std::map<std::string, std::string> members;
    ArchiveMember member;
    while (reader.Next(member)) {
        const MemberData data = reader.Read();
        if (member.regular) members[member.name] = data.bytes;
        if (member.regular && member.sizeKnown) {
            EXPECT_EQ(member.size, data.bytes.size()) << member.name;
        }
    }
    return members;
}

TEST(ArchiveReader, EveryKindListsItsMembersWithTheirData) {
    TempFolder folder("quarvel-archives");
    const std::string f = folder.Path();
    Python("import zipfile, tarfile, io, gzip, bz2, lzma\n"
           "f = '" + f + "'\n"
           "members = {'report.txt': b'quarterly revenue\\n', 'docs/notes.txt': b'second member\\n'}\n"
           "with zipfile.ZipFile(f + '/a.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
           "    for n, d in members.items(): z.writestr(n, d)\n"
           "for mode, ext in (('w', 'tar'), ('w:gz', 'tar.gz'), ('w:bz2', 'tar.bz2'), ('w:xz', 'tar.xz')):\n"
           "    with tarfile.open(f + '/a.' + ext, mode) as t:\n"
           "        for n, d in members.items():\n"
           "            i = tarfile.TarInfo(n); i.size = len(d); t.addfile(i, io.BytesIO(d))\n"
           "open(f + '/single.gz', 'wb').write(gzip.compress(b'quarterly revenue\\n'))\n"
           "open(f + '/single.xz', 'wb').write(lzma.compress(b'quarterly revenue\\n'))\n"
           "open(f + '/plain.txt', 'w').write('#mtree\\nquarterly revenue\\n./a type=file\\n')\n");
    const std::map<std::string, std::string> both = {{"report.txt", "quarterly revenue\n"},
                                                     {"docs/notes.txt", "second member\n"}};
    Write(f + "/a.7z", ARCHIVE_FORMAT_7ZIP, ARCHIVE_FILTER_NONE, both);
    Write(f + "/a.tar.zst", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_ZSTD, both);
    ArchiveReader::Kind kind;
    for (const char* name : {"a.zip", "a.tar", "a.tar.gz", "a.tar.bz2", "a.tar.xz", "a.7z", "a.tar.zst"}) {
        EXPECT_EQ(Members(f + "/" + name, kind), both) << name;
        EXPECT_EQ(kind, ArchiveReader::Kind::Archive) << name;
    }
    // A single compressed file is its one member.
    for (const char* name : {"single.gz", "single.xz"}) {
        const auto members = Members(f + "/" + name, kind);
        EXPECT_EQ(kind, ArchiveReader::Kind::Archive) << name;
        ASSERT_EQ(members.size(), 1u) << name;
        EXPECT_EQ(members.begin()->second, "quarterly revenue\n") << name;
    }
    // Plain text, even text that an archive reader of every kind would take for a listing.
    EXPECT_TRUE(Members(f + "/plain.txt", kind).empty());
    EXPECT_EQ(kind, ArchiveReader::Kind::NoArchive);
    // The same from bytes in memory, as a member of another archive is read.
    const std::string bytes = Get(f + "/a.tar.gz");
    ArchiveReader inMemory;
    ASSERT_EQ(inMemory.OpenBytes(bytes), ArchiveReader::Kind::Archive);
    ArchiveMember member;
    ASSERT_TRUE(inMemory.Next(member));
    EXPECT_EQ(inMemory.Read().bytes, both.at(member.name));
}

TEST(ArchiveReader, DamagedArchivesAndBombsStopWithAReason) {
    TempFolder folder("quarvel-archives");
    const std::string f = folder.Path();
    Python("import zipfile\n"
           "f = '" + f + "'\n"
           "with zipfile.ZipFile(f + '/bomb.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
           "    z.writestr('zeros.txt', bytes(60 << 20))\n"
           "    z.writestr('after.txt', b'still read\\n')\n"
           "with zipfile.ZipFile(f + '/ok.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
           "    z.writestr('text.txt', b'x' * 5000)\n"
           "data = open(f + '/ok.zip', 'rb').read()\n"
           "open(f + '/cut.zip', 'wb').write(data[:60])\n");
    ArchiveReader reader;
    ASSERT_EQ(reader.OpenFile(f + "/bomb.zip"), ArchiveReader::Kind::Archive);
    ArchiveMember member;
    ASSERT_TRUE(reader.Next(member));
    MemberData data = reader.Read();
    EXPECT_EQ(data.overLimit, "expands more than 100 times");
    EXPECT_LE(data.bytes.size(), 2u << 20);
    // The run goes on past the bomb.
    ASSERT_TRUE(reader.Next(member));
    EXPECT_EQ(member.name, "after.txt");
    EXPECT_EQ(reader.Read().bytes, "still read\n");

    ASSERT_EQ(reader.OpenFile(f + "/ok.zip"), ArchiveReader::Kind::Archive);
    ASSERT_TRUE(reader.Next(member));
    data = reader.Read(1000);
    EXPECT_EQ(data.overLimit, "is larger than 1000 bytes");
    EXPECT_LE(data.bytes.size(), 1000u);

    // Cut short: it starts as a zip, and reading it says it is damaged.
    const ArchiveReader::Kind kind = reader.OpenFile(f + "/cut.zip");
    bool damaged = kind == ArchiveReader::Kind::Damaged;
    if (kind == ArchiveReader::Kind::Archive) {
        while (reader.Next(member)) damaged |= reader.Read().damaged;
        damaged |= reader.Damaged();
    }
    EXPECT_TRUE(damaged);
    EXPECT_EQ(reader.OpenFile(f + "/missing.zip"), ArchiveReader::Kind::NoArchive);
}

// Archives that hold nothing are no damage; a compressed file whose text
// begins with a block of zeros (what an empty tar is) is still a single file.
TEST(ArchiveReader, EmptyArchivesHoldNothingAndZerosBeginAFileAsWell) {
    TempFolder folder("quarvel-archive");
    const std::string f = folder.Path();
    Python("import zipfile, tarfile, gzip\n"
           "zipfile.ZipFile('" + f + "/empty.zip', 'w').close()\n"
           "tarfile.open('" + f + "/empty.tar.gz', 'w:gz').close()\n"
           "open('" + f + "/zeros.gz', 'wb').write(gzip.compress(b'\\0' * 1024 + b'text after zeros'))\n"
           "open('" + f + "/nothing.gz', 'wb').write(gzip.compress(b''))\n");
    ArchiveReader reader;
    ArchiveMember member;
    for (const char* empty : {"/empty.zip", "/empty.tar.gz"}) {
        ASSERT_EQ(reader.OpenFile(f + empty), ArchiveReader::Kind::Archive) << empty;
        // A compressed empty tar is a single file of its end blocks: zeros, no text.
        while (reader.Next(member)) EXPECT_EQ(reader.Read().bytes.find_first_not_of('\0'), std::string::npos) << empty;
        EXPECT_FALSE(reader.Damaged()) << empty;
    }
    ASSERT_EQ(reader.OpenFile(f + "/zeros.gz"), ArchiveReader::Kind::Archive);
    ASSERT_TRUE(reader.Single());
    ASSERT_TRUE(reader.Next(member));
    EXPECT_EQ(reader.Read().bytes, std::string(1024, '\0') + "text after zeros");
    ASSERT_EQ(reader.OpenFile(f + "/nothing.gz"), ArchiveReader::Kind::Archive);
    ASSERT_TRUE(reader.Next(member));
    EXPECT_TRUE(reader.Read().bytes.empty());
    EXPECT_FALSE(reader.Next(member));
}

}  // namespace
}  // namespace quarvel
