#include "platform/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/engine/file_size_limit.h"

namespace quarvel {
namespace {

class PlatformRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quarvel-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
    static void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A hive with nothing loaded.
    Registry Empty() const { return Registry(PathOf("none.reg")); }

    std::string dir_;
};

RegValue Raw(std::uint32_t type, std::vector<unsigned char> data) {
    RegValue v;
    v.type = type;
    v.data = std::move(data);
    return v;
}

TEST_F(PlatformRegistry, ReadsTheRegedit4Format) {
    Registry reg = Empty();
    ASSERT_TRUE(Registry::Parse("REGEDIT4\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Quarvel]\r\n"
                                "\"Version\"=\"1.00\"\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\r\n"
                                "\"OperatorAnd\"=\"+\"\r\n"
                                "\"StatusBar\"=dword:00000001\r\n"
                                "\"ColorVD\"=dword:000000FF\r\n"
                                "\"Blob\"=hex:01,02,\\\r\n"
                                "  ff\r\n"
                                "\"Multi\"=hex(7):61,00,00\r\n"
                                "@=\"default\"\r\n",
                                reg));
    std::string s;
    EXPECT_TRUE(reg.ReadString("Software\\Quarvel", "Version", s));
    EXPECT_EQ(s, "1.00");
    std::uint32_t n = 0;
    EXPECT_TRUE(reg.ReadDword("Software\\Quarvel\\Options", "StatusBar", n));
    EXPECT_EQ(n, 1u);
    EXPECT_TRUE(reg.ReadDword("Software\\Quarvel\\Options", "ColorVD", n));
    EXPECT_EQ(n, 0xFFu);
    RegValue v;
    EXPECT_TRUE(reg.ReadRaw("Software\\Quarvel\\Options", "Blob", v));
    EXPECT_EQ(v, Raw(3, {1, 2, 0xFF}));
    EXPECT_TRUE(reg.ReadRaw("Software\\Quarvel\\Options", "Multi", v));
    EXPECT_EQ(v, Raw(7, {'a', 0, 0}));
    EXPECT_TRUE(reg.ReadString("Software\\Quarvel\\Options", "", s));
    EXPECT_EQ(s, "default");
}

TEST_F(PlatformRegistry, ReadValueSemantics) {
    Registry reg = Empty();
    ASSERT_TRUE(Registry::Parse("REGEDIT4\n[HKEY_CURRENT_USER\\K]\n"
                                "\"Number\"=dword:12345678\n"
                                "\"Short\"=hex:01,02,03\n"
                                "\"Cut\"=hex(1):61,62,00,63,00\n"
                                "\"Empty\"=hex(1):\n",
                                reg));
    std::string s = "default";
    std::uint32_t n = 42;
    // Missing key, missing value, a number too short: the default stays.
    EXPECT_FALSE(reg.ReadString("Nope", "Number", s));
    EXPECT_FALSE(reg.ReadString("K", "Nope", s));
    EXPECT_FALSE(reg.ReadDword("K", "Short", n));
    EXPECT_EQ(s, "default");
    EXPECT_EQ(n, 42u);
    // A string is read whatever the type, up to its first NUL.
    EXPECT_TRUE(reg.ReadString("K", "Number", s));
    EXPECT_EQ(s, "\x78\x56\x34\x12");
    EXPECT_TRUE(reg.ReadString("K", "Cut", s));
    EXPECT_EQ(s, "ab");
    EXPECT_TRUE(reg.ReadString("K", "Empty", s));
    EXPECT_EQ(s, "");
    // A number is the first four bytes, little-endian, whatever the type.
    EXPECT_TRUE(reg.ReadDword("K", "Cut", n));
    EXPECT_EQ(n, 0x63006261u);  // 'a' 'b' NUL 'c'
}

TEST_F(PlatformRegistry, WriteValueKinds) {
    Registry reg = Empty();
    const std::uint32_t one = 1;
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel", "Version", "1.00", kRegSz), 1);
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel\\Options", "StatusBar", &one, kRegDword), 1);
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel", "Bad", "x", 3), 0);
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel", "Bad", "x", 0), 0);
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel", "Bad", nullptr, kRegSz), 0);
    EXPECT_EQ(reg.WriteValue("Software\\\\Quarvel", "Bad", "x", kRegSz), 0);
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel\\", "Bad", "x", kRegSz), 0);
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel", "Line\nBreak", "x", kRegSz), 0);
    EXPECT_EQ(reg.WriteValue("Software\\Quarvel", "", "default", kRegSz), 1);

    RegValue v;
    EXPECT_TRUE(reg.ReadRaw("Software\\Quarvel", "Version", v));
    EXPECT_EQ(v, Raw(kRegSz, {'1', '.', '0', '0', 0}));
    EXPECT_TRUE(reg.ReadRaw("Software\\Quarvel\\Options", "StatusBar", v));
    EXPECT_EQ(v, Raw(kRegDword, {1, 0, 0, 0}));
    EXPECT_FALSE(reg.ReadRaw("Software\\Quarvel", "Bad", v));

    const std::string text = reg.Serialize();
    EXPECT_EQ(text,
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarvel]\n"
              "@=\"default\"\n"
              "\"Version\"=\"1.00\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n"
              "\"StatusBar\"=dword:00000001\n\n");
}

TEST_F(PlatformRegistry, KeysAndNamesIgnoreCase) {
    Registry reg = Empty();
    const std::uint32_t five = 5, six = 6;
    ASSERT_EQ(reg.WriteValue("Software\\Quarvel\\Options", "FileQueue", &five, kRegDword), 1);
    ASSERT_EQ(reg.WriteValue("SOFTWARE\\quarvel\\OPTIONS", "filequeue", &six, kRegDword), 1);
    ASSERT_EQ(reg.WriteValue("software\\\xC4rger", "\xC9t\xE9", "x", kRegSz), 1);
    std::uint32_t n = 0;
    EXPECT_TRUE(reg.ReadDword("software\\QUARVEL\\options", "FILEQUEUE", n));
    EXPECT_EQ(n, 6u);
    std::string s;
    EXPECT_TRUE(reg.ReadString("SOFTWARE\\\xE4RGER", "\xE9T\xC9", s));
    EXPECT_EQ(s, "x");
    // One key, spelt as first written.
    EXPECT_EQ(reg.KeyPaths(), (std::vector<std::string>{"Software\\Quarvel\\Options", "software\\\xC4rger"}));

    Registry parsed = Empty();
    ASSERT_TRUE(Registry::Parse("REGEDIT4\n[hkey_current_user\\A]\n\"x\"=\"1\"\n[HKEY_CURRENT_USER\\a]\n\"X\"=\"2\"\n",
                                parsed));
    EXPECT_EQ(parsed.KeyPaths(), std::vector<std::string>{"A"});
    EXPECT_TRUE(parsed.ReadString("a", "x", s));
    EXPECT_EQ(s, "2");
}

TEST_F(PlatformRegistry, EveryTypeRoundTrips) {
    Registry reg = Empty();
    std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\"AtRoot\"=\"r\"\n\n[HKEY_CURRENT_USER\\T]\n";
    std::vector<std::pair<std::string, RegValue>> expected;
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 11u, 0xFFFFFFFFu}) {
        for (std::size_t size : {0u, 1u, 4u, 5u, 100u}) {
            RegValue v;
            v.type = type;
            for (std::size_t i = 0; i < size; ++i) v.data.push_back(static_cast<unsigned char>(i * 37 + type));
            const std::string name = "v" + std::to_string(type) + "_" + std::to_string(size);
            text += "\"" + name + "\"=hex(" + [&] {
                char b[16];
                std::snprintf(b, sizeof b, "%x", type);
                return std::string(b);
            }() + "):";
            for (std::size_t i = 0; i < size; ++i) {
                char b[8];
                std::snprintf(b, sizeof b, "%s%02x", i ? "," : "", v.data[i]);
                text += b;
            }
            text += "\n";
            expected.emplace_back(name, v);
        }
    }
    ASSERT_TRUE(Registry::Parse(text, reg));
    Registry again = Empty();
    const std::string written = reg.Serialize();
    ASSERT_TRUE(Registry::Parse(written, again));
    for (const auto& [name, value] : expected) {
        RegValue v;
        ASSERT_TRUE(again.ReadRaw("T", name, v)) << name;
        EXPECT_EQ(v, value) << name;
    }
    std::string s;
    EXPECT_TRUE(again.ReadString("", "AtRoot", s));
    EXPECT_EQ(s, "r");
    EXPECT_TRUE(again.SameHive(reg));
    EXPECT_NE(written.find("\"v4_4\"=dword:"), std::string::npos);
    EXPECT_NE(written.find("\"v3_1\"=hex:"), std::string::npos);
    EXPECT_NE(written.find("\\\n  "), std::string::npos);  // a long list is wrapped
}

TEST_F(PlatformRegistry, EscapesAndControlBytes) {
    Registry reg = Empty();
    const char* const strings[] = {"say \"hi\"", "C:\\", "\\\\server\\share\\", "tab\there",
                                   "line\r\nbreak", "\x80\xE4\xFF", "", "\\\""};
    int i = 0;
    for (const char* s : strings)
        ASSERT_EQ(reg.WriteValue("K", "n\"\\" + std::to_string(i++), s, kRegSz), 1);
    const std::string text = reg.Serialize();
    EXPECT_NE(text.find("\"n\\\"\\\\0\"=\"say \\\"hi\\\"\""), std::string::npos) << text;
    EXPECT_NE(text.find("=\"C:\\\\\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("=hex(1):74,61,62,09"), std::string::npos) << text;
    EXPECT_NE(text.find("=\"\x80\xE4\xFF\""), std::string::npos) << text;

    Registry back = Empty();
    ASSERT_TRUE(Registry::Parse(text, back));
    i = 0;
    for (const char* s : strings) {
        std::string read;
        ASSERT_TRUE(back.ReadString("K", "n\"\\" + std::to_string(i++), read));
        EXPECT_EQ(read, s);
    }
    EXPECT_TRUE(back.SameHive(reg));
}

TEST_F(PlatformRegistry, OtherRootsAreKeptUntouched) {
    const std::string foreign =
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
        "\"Keep\"=\"as it is\"  \n"
        "\"List\"=hex:01,\\\n"
        "      02\n"
        "; a comment\n"
        "\"Odd\"=C:\\\\";  // ends in two backslashes: the first continues onto the next line
    const std::string second = "[HKEY_USERS\\.DEFAULT]\n\"u\"=dword:00000001";
    Registry reg = Empty();
    ASSERT_TRUE(Registry::Parse("REGEDIT4\n\n" + foreign + "\n\n" + second + "\n\n\n[HKEY_CURRENT_USER\\Mine]\n\"a\"=\"b\"\n", reg));
    EXPECT_EQ(reg.KeyPaths(), std::vector<std::string>{"Mine"});
    std::string s;
    EXPECT_FALSE(reg.ReadString("Software\\Other", "Keep", s));
    const std::string text = reg.Serialize();
    EXPECT_NE(text.find(foreign + "\n\n" + second + "\n"), std::string::npos) << text;
    Registry back = Empty();
    ASSERT_TRUE(Registry::Parse(text, back));
    EXPECT_TRUE(back.SameHive(reg));
    EXPECT_EQ(back.Serialize(), text);
}

TEST_F(PlatformRegistry, CorruptTextGivesAnEmptyHive) {
    const std::string bad[] = {"", "REGEDIT", "REGEDIT5\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\"\n",
                               "Windows Registry Editor Version 4.00\n", std::string("\0\xFF\x01garbage", 10),
                               " REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\"\n"};
    for (const std::string& text : bad) {
        Registry reg = Empty();
        ASSERT_EQ(reg.WriteValue("Old", "v", "x", kRegSz), 1);
        EXPECT_FALSE(Registry::Parse(text, reg));
        EXPECT_TRUE(reg.KeyPaths().empty());
        EXPECT_EQ(reg.Serialize(), "REGEDIT4\n\n");
    }
}

TEST_F(PlatformRegistry, MalformedLinesInAGoodFileAreSkipped) {
    Registry reg = Empty();
    ASSERT_TRUE(Registry::Parse("REGEDIT4\n"
                                "\"orphan\"=\"before any key\"\n"
                                "[HKEY_CURRENT_USER\\K]\n"
                                "\"ok1\"=\"1\"\n"
                                "\"noquote=\"x\"\n"
                                "\"dw\"=dword:123456789\n"
                                "\"dw2\"=dword:xyz\n"
                                "\"hx\"=hex:1,2,zz\n"
                                "\"hx2\"=hex:100\n"
                                "\"hx3\"=hex(:01\n"
                                "\"str\"=\"unterminated\n"
                                "\"tail\"=\"x\" junk\n"
                                "\"ctl\x01\"=\"x\"\n"
                                "garbage\n"
                                "\"ok2\"=dword:2\n"
                                "[HKEY_CURRENT_USER\\Bad\\\\Path]\n"
                                "\"lost\"=\"x\"\n"
                                "[HKEY_CURRENT_USER\\Unclosed\n"
                                "\"lost2\"=\"x\"\n"
                                "[HKEY_CURRENT_USER\\K]\n"
                                "\"ok3\"=\"3\"\n",
                                reg));
    EXPECT_EQ(reg.KeyPaths(), std::vector<std::string>{"K"});
    std::string s;
    std::uint32_t n = 0;
    EXPECT_TRUE(reg.ReadString("K", "ok1", s));
    EXPECT_TRUE(reg.ReadDword("K", "ok2", n));
    EXPECT_EQ(n, 2u);
    EXPECT_TRUE(reg.ReadString("K", "ok3", s));
    for (const char* name : {"dw", "dw2", "hx", "hx2", "hx3", "str", "tail", "noquote", "orphan"})
        EXPECT_FALSE(reg.ReadString("K", name, s)) << name;
}

TEST_F(PlatformRegistry, LoadsAndCommitsTheFile) {
    const std::string path = PathOf("deep/er/registry.reg");
    {
        Registry reg(path);  // missing: empty
        EXPECT_TRUE(reg.KeyPaths().empty());
        const std::uint32_t seven = 7;
        ASSERT_EQ(reg.WriteValue("Software\\Quarvel\\Options", "SearchCode", &seven, kRegDword), 1);
        ASSERT_TRUE(reg.Commit());  // creates the folders
        EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0);
    }
    Registry loaded(path);
    std::uint32_t n = 0;
    EXPECT_TRUE(loaded.ReadDword("Software\\Quarvel\\Options", "SearchCode", n));
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(ReadFile(path), loaded.Serialize());

    // A folder or garbage where the file should be reads as an empty hive.
    EXPECT_TRUE(Registry(dir_).KeyPaths().empty());
    WriteFile(PathOf("garbage.reg"), std::string("\x7F" "ELF\0\0\x01", 7));
    EXPECT_TRUE(Registry(PathOf("garbage.reg")).KeyPaths().empty());
}

TEST_F(PlatformRegistry, FailedCommitLeavesTheOldFile) {
    const std::string path = PathOf("registry.reg");
    const std::string old = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Old]\n\"v\"=\"1\"\n\n";
    WriteFile(path, old);
    Registry reg(path);
    ASSERT_EQ(reg.WriteValue("New", "v", "2", kRegSz), 1);

    // Writing the new file fails part-way; the temporary file goes.
    ASSERT_EQ(reg.WriteValue("New", "big", std::string(4000, 'b').c_str(), kRegSz), 1);
    {
        const ScopedFileSizeLimit limit(1024);
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(reg.Commit());
    }
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"registry.reg"});

    // The target itself is a folder.
    const std::string folderTarget = PathOf("target");
    ASSERT_EQ(mkdir(folderTarget.c_str(), 0755), 0);
    WriteFile(folderTarget + "/inside", "x");
    Registry intoFolder(folderTarget);
    ASSERT_EQ(intoFolder.WriteValue("K", "v", "x", kRegSz), 1);
    EXPECT_FALSE(intoFolder.Commit());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"registry.reg", "target"}));
    EXPECT_EQ(ReadFile(folderTarget + "/inside"), "x");

    // The parent folder is a regular file.
    WriteFile(PathOf("plain"), "not a folder");
    Registry underFile(PathOf("plain/sub/registry.reg"));
    ASSERT_EQ(underFile.WriteValue("K", "v", "x", kRegSz), 1);
    EXPECT_FALSE(underFile.Commit());
    EXPECT_EQ(ReadFile(PathOf("plain")), "not a folder");

    // And with the way clear the same hive commits.
    EXPECT_TRUE(reg.Commit());
    Registry back(path);
    EXPECT_TRUE(back.SameHive(reg));
}

TEST_F(PlatformRegistry, DefaultPathFollowsTheEnvironment) {
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved;
    for (const char* name : {"QUARVEL_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) {
        const char* v = std::getenv(name);
        saved.push_back({name, v ? v : "", v != nullptr});
    }
    setenv("HOME", "/home/u", 1);
    setenv("XDG_CONFIG_HOME", "", 1);
    setenv("QUARVEL_REGISTRY", "", 1);
    EXPECT_EQ(Registry::DefaultPath(), "/home/u/.config/quarvel/registry.reg");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(Registry::DefaultPath(), "/cfg/quarvel/registry.reg");
    setenv("QUARVEL_REGISTRY", "/x/my.reg", 1);
    EXPECT_EQ(Registry::DefaultPath(), "/x/my.reg");
    for (const Saved& s : saved) {
        if (s.set)
            setenv(s.name, s.value.c_str(), 1);
        else
            unsetenv(s.name);
    }
}

// Arbitrary bytes and damaged good files: Parse never crashes, and whatever
// it accepts writes out and reads back as the same hive.
TEST_F(PlatformRegistry, FuzzParseRoundTrip) {
    const std::string good =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quarvel]\r\n\"Version\"=\"1.00\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quarvel\\Options]\n\"OperatorAnd\"=\"+\"\n\"StatusBar\"=dword:00000001\n"
        "\"Path\"=\"C:\\\\dir \\\"q\\\"\"\n@=hex(1):41,00\n\"B\"=hex:01,02,\\\n  03,04\n"
        "[HKEY_LOCAL_MACHINE\\X]\n\"k\"=\"v\"\n[-HKEY_CURRENT_USER\\Gone]\n";
    const std::string alphabet = "[]\"\\@=:,()\r\n \tHKEY_CURRENT_USERhexdword0123456789abcdefABCDEF;-\x01\x80\xFF";
    std::mt19937 rng(20240601);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int accepted = 0, rounds = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        std::string text;
        switch (rng() % 3) {
            case 0: {  // arbitrary bytes, with or without the header
                if (rng() % 2) text = "REGEDIT4\n";
                const std::size_t n = rng() % 200;
                for (std::size_t i = 0; i < n; ++i)
                    text += rng() % 4 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng());
                break;
            }
            default: {  // a good file, damaged a few times
                text = good;
                const int edits = 1 + static_cast<int>(rng() % 6);
                for (int e = 0; e < edits && !text.empty(); ++e) {
                    const std::size_t at = rng() % text.size();
                    switch (rng() % 4) {
                        case 0: text[at] = alphabet[rng() % alphabet.size()]; break;
                        case 1: text.erase(at, 1 + rng() % 8); break;
                        case 2: text.insert(at, 1, static_cast<char>(rng())); break;
                        default: text.insert(at, text.substr(rng() % text.size(), rng() % 30)); break;
                    }
                }
            }
        }
        ++rounds;
        Registry reg = Empty();
        if (!Registry::Parse(text, reg)) {
            ASSERT_TRUE(reg.KeyPaths().empty());
            continue;
        }
        ++accepted;
        const std::string written = reg.Serialize();
        Registry again = Empty();
        ASSERT_TRUE(Registry::Parse(written, again)) << written;
        ASSERT_TRUE(again.SameHive(reg)) << "input:\n" << text << "\nwritten:\n" << written;
        ASSERT_EQ(again.Serialize(), written);
    }
    EXPECT_GT(rounds, 100);
    EXPECT_GT(accepted, rounds / 4);
}

}  // namespace
}  // namespace quarvel
