// Saves that cannot be made and files that cannot be read back. A project or
// settings file that cannot be written is left byte for byte as it was, with
// nothing beside it, and the failure is told ("Can`t create file " + path,
// "Error write Registry"); a damaged, binary, enormous or long-lined file
// loads what it validly holds or fails with its message, in bounded time.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/file_bytes.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "results/project_file.h"
#include "settings/persistence.h"
#include "tests/engine/run_test_support.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// Every entry below a folder with its kind and, for a file, its bytes and permissions.
void SnapshotInto(const fs::path& folder, const std::string& prefix, std::map<std::string, std::string>& entries) {
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = prefix + e.path().filename().string();
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        const std::string mode = " " + std::to_string(st.st_mode);
        if (S_ISLNK(st.st_mode)) {
            entries[name] = "link " + fs::read_symlink(e.path()).string();
        } else if (S_ISREG(st.st_mode)) {
            entries[name] = "file" + mode + " " + Get(e.path().string());
        } else if (S_ISDIR(st.st_mode)) {
            entries[name] = "folder" + mode;
            SnapshotInto(e.path(), name + "/", entries);
        } else {
            entries[name] = "special" + mode;
        }
    }
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    SnapshotInto(folder, "", entries);
    return entries;
}

TSearchCFG Project(std::size_t files) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDateFrom = cfg.SearchDateBefore = 0x5A21;  // 1 January 2025
    cfg.SearchString = "new";
    for (std::size_t i = 0; i < files; ++i) {
        TSaveFile f;
        f.folder = "/some/folder/of/the/project";
        f.name = "file-" + std::to_string(i) + ".txt";
        f.size = i;
        cfg.FoundFiles.push_back(f);
    }
    return cfg;
}

// The two files the program writes, each through its own caller: true when the save reports success.
struct Caller {
    const char* name;
    std::string oldBytes;
    std::function<bool(const std::string& path)> save;
};

std::vector<Caller> Callers(std::size_t bulk) {
    TSearchCFG old = Project(1);
    old.SearchString = "old";
    return {
        {"project", ProjectText(old),
         [bulk](const std::string& path) {
             try {
                 (void)SaveProject(path, Project(bulk / 64));
                 return true;
             } catch (const QuarvelError& e) {
                 EXPECT_EQ(std::string(e.what()).rfind("Can`t create file " + path, 0), 0u) << e.what();
                 return false;
             }
         }},
        {"settings", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n\"HintMode\"=dword:00000001\n",
         [bulk](const std::string& path) {
             Registry registry(path);
             StoredSettings state;
             LoadSettings(registry, state, 96);
             state.ui.StatusBar = 0;
             state.ui.FileHistory.assign(1, std::string(bulk, 'h'));
             return SaveSettings(registry, state);
         }},
    };
}

struct SaveCase {
    const char* what;
    // Lays out folder; returns the path to save to. oldBytes go wherever an old file is.
    std::function<std::string(const std::string& folder, const std::string& oldBytes)> build;
    bool unprivileged = false;
    bool projectOnly = false;  // the settings file's folder is made when it is missing
};

TEST(FaultSaves, ASaveThatCannotBeMadeIsToldAndChangesNothing) {
    const std::vector<SaveCase> cases = {
        {"its folder is missing", [](const std::string& f, const std::string&) { return f + "/none/p.qrv"; },
         false, true},
        {"its folder is a file",
         [](const std::string& f, const std::string& old) {
             Put(f + "/plain", old);
             return f + "/plain/p.qrv";
         }},
        {"it is a folder",
         [](const std::string& f, const std::string& old) {
             fs::create_directory(f + "/p.qrv");
             Put(f + "/p.qrv/inside", old);
             return f + "/p.qrv";
         }},
        {"it is a pipe, which is not waited for",
         [](const std::string& f, const std::string&) {
             ::mkfifo((f + "/p.qrv").c_str(), 0600);
             return f + "/p.qrv";
         }},
        {"it is a link to a pipe",
         [](const std::string& f, const std::string&) {
             ::mkfifo((f + "/pipe").c_str(), 0600);
             fs::create_symlink("pipe", f + "/p.qrv");
             return f + "/p.qrv";
         }},
        {"it is a link into a missing folder",
         [](const std::string& f, const std::string&) {
             fs::create_symlink("none/p.qrv", f + "/p.qrv");
             return f + "/p.qrv";
         }},
        {"it is a link that loops",
         [](const std::string& f, const std::string&) {
             fs::create_symlink("p.qrv", f + "/p.qrv");
             return f + "/p.qrv";
         }},
        {"it is read-only",
         [](const std::string& f, const std::string& old) {
             Put(f + "/p.qrv", old);
             ::chmod((f + "/p.qrv").c_str(), 0444);
             ::chmod(f.c_str(), 0777);
             return f + "/p.qrv";
         },
         true},
        {"it is a link to a read-only file",
         [](const std::string& f, const std::string& old) {
             Put(f + "/real", old);
             ::chmod((f + "/real").c_str(), 0444);
             fs::create_symlink("real", f + "/p.qrv");
             ::chmod(f.c_str(), 0777);
             return f + "/p.qrv";
         },
         true},
        {"its folder is read-only",
         [](const std::string& f, const std::string& old) {
             Put(f + "/p.qrv", old);
             ::chmod((f + "/p.qrv").c_str(), 0666);
             ::chmod(f.c_str(), 0555);
             return f + "/p.qrv";
         },
         true},
    };
    for (const Caller& caller : Callers(100)) {
        for (const SaveCase& c : cases) {
            if (c.projectOnly && std::string(caller.name) != "project") continue;
            SCOPED_TRACE(std::string(caller.name) + ": " + c.what);
            TempFolder folder("qv-save-fault");
            const std::string path = c.build(folder.Path(), caller.oldBytes);
            const auto before = Snapshot(folder.Path());
            bool saved;
            if (c.unprivileged && ::geteuid() == 0) {
                AsUnprivilegedUser nobody;
                ASSERT_TRUE(nobody.Dropped());
                saved = caller.save(path);
            } else {
                saved = caller.save(path);
            }
            EXPECT_FALSE(saved);
            EXPECT_EQ(Snapshot(folder.Path()), before);
            ::chmod(folder.Path().c_str(), 0700);
        }
    }
}

// A file system that is full: the save fails part-way, the old file stays whole,
// no temporary file is left, and once there is room again the save succeeds.
TEST(FaultSaves, AFullDiskKeepsTheOldFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "a small file system needs root to be mounted";
    for (const Caller& caller : Callers(64 * 1024)) {
        SCOPED_TRACE(caller.name);
        TempFolder folder("qv-full");
        if (::mount("tmpfs", folder.Path().c_str(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "no small file system may be mounted here";
        struct Unmount {
            std::string at;
            ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
        } unmount{folder.Path()};
        const std::string path = folder.Path() + "/keep.qrv";
        Put(path, caller.oldBytes);
        // Fill what is left, to the last block.
        {
            std::ofstream filler(folder.Path() + "/filler", std::ios::binary);
            const std::string block(4096, 'f');
            for (int i = 0; i < 1000 && filler.write(block.data(), block.size()); ++i) filler.flush();
        }
        const auto before = Snapshot(folder.Path());
        EXPECT_FALSE(caller.save(path));
        EXPECT_EQ(Snapshot(folder.Path()), before);
        fs::remove(folder.Path() + "/filler");
        EXPECT_TRUE(caller.save(path)) << "room again";
        EXPECT_NE(Get(path), caller.oldBytes);
    }
}

// ---- reading damaged files ----

// Loads a project file; "" when it loads, else the message.
std::string LoadMessage(const std::string& path, TSearchCFG& cfg) {
    try {
        LoadProject(path, cfg);
        return "";
    } catch (const QuarvelError& e) {
        return e.what();
    }
}

std::string ShmOrTmp() { return fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp"; }

template <typename F>
double Seconds(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(FaultLoads, DamagedProjectFilesLoadWhatIsValidOrFailWithTheirMessage) {
    TempFolder folder("qv-load-fault");
    const std::string good = ProjectText(Project(3));
    const std::size_t records = good.find("[FoundFiles]");
    std::mt19937 random(7);
    std::string binary(1 << 20, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t files;  // loaded; SIZE_MAX: refused
        bool more = false;  // more may load from what follows them
    };
    const std::size_t refused = SIZE_MAX;
    const Case cases[] = {
        {"empty", "", refused},
        {"cut inside the settings", good.substr(0, records / 2), refused},
        {"cut before the results", good.substr(0, records), refused},
        {"cut after the results' heading", good.substr(0, records + 14), 0},
        {"cut inside the last record", good.substr(0, good.size() - 8), 3},
        {"binary", binary, refused},
        {"binary after a good project", good + binary, 3, true},
        {"a settings line of a million characters", std::string("[Quarvel]\r\nSearchString=") + std::string(1 << 20, 's') + good.substr(good.find("\r\n") + 2), refused},
        {"a record of a million characters", good + std::string(1 << 20, 'r') + "\r\n", 4},
        {"a million characters without a line break", std::string(1 << 20, 'x'), refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.Path() + "/p.qrv";
        Put(path, c.bytes);
        TSearchCFG cfg;
        std::string message;
        const double seconds = Seconds([&] { message = LoadMessage(path, cfg); });
        EXPECT_LT(seconds, 20.0);
        if (c.files == refused) {
            EXPECT_EQ(message, "Invalid format file " + path);
        } else {
            EXPECT_EQ(message, "");
            if (c.more)
                EXPECT_GE(cfg.FoundFiles.size(), c.files);
            else
                EXPECT_EQ(cfg.FoundFiles.size(), c.files);
            const TSaveFileArray expected = Project(3).FoundFiles;
            for (std::size_t i = 0; i < std::min<std::size_t>(c.files, 3); ++i)
                EXPECT_EQ(cfg.FoundFiles.at(i).Path(), expected[i].Path());
        }
    }
}

// A file of 100 MB, generated and removed: read in bounded time and memory.
TEST(FaultLoads, AnEnormousProjectOrSettingsFileEndsInBoundedTime) {
    TempFolder folder("qv-enormous");
    const std::string path = ShmOrTmp() + "/qv-enormous-" + std::to_string(::getpid());
    struct Remove {
        std::string p;
        ~Remove() { fs::remove(p); }
    } remove{path};
    {
        std::ofstream out(path, std::ios::binary);
        const std::string line(99, 'z');
        for (int i = 0; i < 1000000; ++i) out << line << '\n';
        ASSERT_TRUE(out.good()) << "no room for 100 MB";
    }
    ASSERT_EQ(fs::file_size(path), 100000000u);
    TSearchCFG cfg;
    std::string message;
    EXPECT_LT(Seconds([&] { message = LoadMessage(path, cfg); }), 60.0);
    EXPECT_EQ(message, "Invalid format file " + path);
    EXPECT_TRUE(cfg.FoundFiles.empty());

    StoredSettings state;
    EXPECT_LT(Seconds([&] {
                  Registry registry(path);
                  LoadSettings(registry, state, 96);
              }),
              60.0);
    EXPECT_EQ(state.search.Operators[kOpAnd], "+") << "nothing taken from it: the defaults";
    EXPECT_EQ(fs::file_size(path), 100000000u) << "loading never writes";
}

// Settings files that are damaged give the defaults, or keep what is valid in them.
TEST(FaultLoads, DamagedSettingsFilesGiveTheDefaultsOrWhatIsValid) {
    TempFolder folder("qv-settings-fault");
    const std::string good =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n\"OperatorAnd\"=\"AND\"\n"
        "\"HintMode\"=dword:00000001\n";
    std::mt19937 random(11);
    std::string binary(1 << 20, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    struct Case {
        const char* what;
        std::string bytes;
        const char* andOperator;  // what the settings end with
    };
    const Case cases[] = {
        {"empty", "", "+"},
        {"cut inside its first line", good.substr(0, 5), "+"},
        {"cut inside a value", good.substr(0, good.find("AND") + 2), "+"},
        {"binary", binary, "+"},
        {"a line of a million characters",
         good + "\"FontFaceName\"=\"" + std::string(1 << 20, 'f') + "\"\n", "AND"},
        {"a million characters without a line break", std::string(1 << 20, '['), "+"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.Path() + "/registry.reg";
        Put(path, c.bytes);
        StoredSettings state;
        const double seconds = Seconds([&] {
            Registry registry(path);
            LoadSettings(registry, state, 96);
        });
        EXPECT_LT(seconds, 20.0);
        EXPECT_EQ(state.search.Operators[kOpAnd], c.andOperator);
        EXPECT_LE(state.ui.ViewerFont.lfFaceName.size(), 31u);
        EXPECT_EQ(Get(path), c.bytes) << "loading never writes";
    }
}

}  // namespace
}  // namespace quarvel
