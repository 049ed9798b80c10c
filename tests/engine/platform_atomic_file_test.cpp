// Saving through the one atomic-replace helper, seen from its two callers:
// the project file and the settings file.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "results/project_file.h"
#include "tests/engine/run_test_support.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Describe(const struct stat& st) {
    std::ostringstream out;
    out << std::oct << (st.st_mode & 07777) << std::dec << " " << st.st_uid << ":" << st.st_gid;
    return out.str();
}

// Everything below a folder as the user would see it: each entry's kind,
// permissions, owner, and the bytes of a file or the text of a link.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        const std::string path = e.path().string();
        if (::lstat(path.c_str(), &st) != 0) continue;
        std::string what = Describe(st);
        if (S_ISREG(st.st_mode)) what = "file " + what + " " + Read(path);
        else if (S_ISLNK(st.st_mode)) what = "link " + fs::read_symlink(e.path()).string();
        else if (S_ISDIR(st.st_mode)) what = "folder " + what;
        else if (S_ISFIFO(st.st_mode)) what = "pipe " + what;
        else if (S_ISSOCK(st.st_mode)) what = "socket " + what;
        else what = "device " + what;
        entries[e.path().lexically_relative(root).string()] = what;
    }
    return entries;
}

mode_t Umask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// A caller saves its bytes to a path; true when it reports success.
struct Caller {
    const char* name;
    std::function<bool(const std::string& path, std::string& bytes)> save;
};

const Caller kCallers[] = {
    {"project",
     [](const std::string& path, std::string& bytes) {
         TSearchCFG cfg;
         cfg.SetDefaults();
         cfg.SearchDateFrom = cfg.SearchDateBefore = PackDosDate(1, 1, 2020);
         cfg.SearchString = "saved";
         TSaveFile f;
         f.folder = "/data";
         f.name = "found.txt";
         cfg.FoundFiles.push_back(f);
         bytes = ProjectText(cfg);
         try {
             EXPECT_TRUE(SaveProject(path, cfg).empty());
             return true;
         } catch (const QuarvelError& e) {
             EXPECT_EQ(std::string(e.what()).rfind("Can`t create file " + path, 0), 0u) << e.what();
             return false;
         }
     }},
    {"settings",
     [](const std::string& path, std::string& bytes) {
         Registry reg(path);
         EXPECT_EQ(reg.WriteValue("Software\\Quarvel", "Version", "1.00", kRegSz), 1);
         bytes = reg.Serialize();
         return reg.Commit();
     }},
};

// A fresh folder with the sub-folders "work" and "elsewhere", removed at the end.
struct Tree {
    Tree() {
        std::string tmpl = (fs::temp_directory_path() / "qv-save-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("no temporary folder");
        root = tmpl;
        fs::create_directory(root / "work");
        fs::create_directory(root / "elsewhere");
    }
    ~Tree() { fs::remove_all(root); }

    std::string At(const std::string& relative) const { return (root / relative).string(); }

    fs::path root;
};

struct Case {
    const char* what;
    std::function<void(Tree&)> build;  // lays out the folder
    std::string save;                        // the path given to the caller
    std::string written;                     // the file that receives the bytes; "" when the save is refused
    bool unprivileged = false;               // run as a user other than root
};

const std::string kLongName(255, 'n');

void Link(const std::string& target, const std::string& link) { ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0); }

// Both callers, every case: a save changes nothing but the bytes of the file
// it writes (its kind, permissions and owner stay, a link stays a link, no
// temporary file is left), and a refused save changes nothing at all.
TEST(AtomicSaveCases, EveryCallerWritesThroughLinksAndRefusesWhatIsNoWritableFile) {
    const bool root = ::geteuid() == 0;
    std::vector<Case> cases = {
        {"a new file", [](Tree&) {}, "work/new.qrv", "work/new.qrv"},
        {"an existing file keeps its permissions",
         [](Tree& t) {
             Write(t.At("work/p.qrv"), "old");
             ::chmod(t.At("work/p.qrv").c_str(), 0640);
         },
         "work/p.qrv", "work/p.qrv"},
        {"a link to a file elsewhere",
         [](Tree& t) {
             Write(t.At("elsewhere/real.qrv"), "old");
             Link(t.At("elsewhere/real.qrv"), t.At("work/link.qrv"));
         },
         "work/link.qrv", "elsewhere/real.qrv"},
        {"a relative link is read from its own folder",
         [](Tree& t) {
             Write(t.At("elsewhere/real.qrv"), "old");
             Link("../elsewhere/real.qrv", t.At("work/link.qrv"));
         },
         "work/link.qrv", "elsewhere/real.qrv"},
        {"a chain of links",
         [](Tree& t) {
             Write(t.At("elsewhere/real.qrv"), "old");
             Link(t.At("elsewhere/real.qrv"), t.At("elsewhere/last"));
             Link("../elsewhere/last", t.At("work/middle"));
             Link("middle", t.At("work/first.qrv"));
         },
         "work/first.qrv", "elsewhere/real.qrv"},
        {"a link to a missing file creates that file",
         [](Tree& t) { Link("../elsewhere/new.qrv", t.At("work/link.qrv")); }, "work/link.qrv",
         "elsewhere/new.qrv"},
        {"a name of 255 bytes",
         [](Tree& t) { Write(t.At("work/" + kLongName), "old"); }, "work/" + kLongName,
         "work/" + kLongName},
        {"a link to a missing folder", [](Tree& t) { Link("../none/new.qrv", t.At("work/link.qrv")); },
         "work/link.qrv", ""},
        {"a pipe", [](Tree& t) { ASSERT_EQ(::mkfifo(t.At("work/pipe.qrv").c_str(), 0644), 0); },
         "work/pipe.qrv", ""},
        {"a link to a pipe",
         [](Tree& t) {
             ASSERT_EQ(::mkfifo(t.At("elsewhere/pipe").c_str(), 0644), 0);
             Link("../elsewhere/pipe", t.At("work/link.qrv"));
         },
         "work/link.qrv", ""},
        {"a socket",
         [](Tree& t) {
             const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             const std::string path = t.At("work/sock.qrv");
             ASSERT_LT(path.size(), sizeof addr.sun_path);
             path.copy(addr.sun_path, path.size());
             ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
             ::close(s);
         },
         "work/sock.qrv", ""},
        {"a folder",
         [](Tree& t) {
             fs::create_directory(t.At("work/dir.qrv"));
             Write(t.At("work/dir.qrv/inside"), "keep");
         },
         "work/dir.qrv", ""},
        {"a path through a file", [](Tree& t) { Write(t.At("work/plain"), "x"); }, "work/plain/p.qrv", ""},
        {"a read-only file in a writable folder",
         [](Tree& t) {
             Write(t.At("work/ro.qrv"), "old");
             ::chmod(t.At("work/ro.qrv").c_str(), 0444);
             ::chmod(t.root.c_str(), 0755);
             ::chmod(t.At("work").c_str(), 0777);
         },
         "work/ro.qrv", "", true},
    };
    if (root) {
        // What opening the file for writing allows: root may write a read-only file.
        cases.push_back({"a read-only file, for root",
                         [](Tree& t) {
                             Write(t.At("work/ro.qrv"), "old");
                             ::chmod(t.At("work/ro.qrv").c_str(), 0444);
                         },
                         "work/ro.qrv", "work/ro.qrv"});
        cases.push_back({"a file of another user keeps its owner",
                         [](Tree& t) {
                             Write(t.At("work/theirs.qrv"), "old");
                             ASSERT_EQ(::chown(t.At("work/theirs.qrv").c_str(), kNobody, kNobody), 0);
                             ::chmod(t.At("work/theirs.qrv").c_str(), 0640);
                         },
                         "work/theirs.qrv", "work/theirs.qrv"});
        cases.push_back({"a device",
                         [](Tree& t) {
                             ASSERT_EQ(::mknod(t.At("work/null.qrv").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
                         },
                         "work/null.qrv", ""});
    }

    for (const Caller& caller : kCallers) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(caller.name) + ": " + c.what);
            Tree t;
            c.build(t);
            const auto before = Snapshot(t.root);
            // A file that is there keeps what it has; a new one gets what a new file gets.
            struct stat old {};
            if (::lstat(t.At(c.written).c_str(), &old) != 0) {
                old.st_mode = 0666 & ~Umask();
                old.st_uid = ::geteuid();
                old.st_gid = ::getegid();
            }
            std::string bytes;
            bool saved;
            if (c.unprivileged && root) {
                AsUnprivilegedUser nobody;
                ASSERT_TRUE(nobody.Dropped());
                saved = caller.save(t.At(c.save), bytes);
            } else {
                saved = caller.save(t.At(c.save), bytes);
            }
            auto expected = before;
            if (!c.written.empty()) expected[c.written] = "file " + Describe(old) + " " + bytes;
            EXPECT_EQ(saved, !c.written.empty());
            EXPECT_EQ(Snapshot(t.root), expected);
        }
    }
}

// The helper's own answers, which its callers turn into their messages.
TEST(AtomicSaveCases, OutcomesNameTheReason) {
    Tree t;
    ASSERT_EQ(::mkfifo(t.At("work/pipe").c_str(), 0644), 0);
    Write(t.At("work/plain"), "x");
    EXPECT_EQ(ReplaceFile(t.At("work/pipe"), "x"), ReplaceOutcome::NotAFile);
    EXPECT_EQ(ReplaceFile(t.At("work"), "x"), ReplaceOutcome::NotAFile);
    EXPECT_EQ(ReplaceFile(t.At("work") + "/", "x"), ReplaceOutcome::NotAFile);
    EXPECT_EQ(ReplaceFile(t.At("none/p"), "x"), ReplaceOutcome::NoFolder);
    EXPECT_EQ(ReplaceFile(t.At("work/plain/p"), "x"), ReplaceOutcome::NoFolder);
    EXPECT_EQ(ReplaceFile("", "x"), ReplaceOutcome::Failed);
    Link("loop", t.At("work/loop"));
    EXPECT_EQ(ReplaceFile(t.At("work/loop"), "x"), ReplaceOutcome::Failed);
    EXPECT_EQ(fs::read_symlink(t.At("work/loop")), "loop");
    EXPECT_EQ(ReplaceFile(t.At("work/plain"), "new"), ReplaceOutcome::Replaced);
    EXPECT_EQ(Read(t.At("work/plain")), "new");
}

TEST(AtomicSaveCases, ALinkInTheWorkingFolderIsReadFromThere) {
    Tree t;
    Write(t.At("elsewhere/real"), "old");
    Link("../elsewhere/real", t.At("work/link"));
    const fs::path before = fs::current_path();
    fs::current_path(t.At("work"));
    const ReplaceOutcome outcome = ReplaceFile("link", "new");
    fs::current_path(before);
    EXPECT_EQ(outcome, ReplaceOutcome::Replaced);
    EXPECT_EQ(Read(t.At("elsewhere/real")), "new");
    EXPECT_TRUE(fs::is_symlink(t.At("work/link")));
}

}  // namespace
}  // namespace quarvel
