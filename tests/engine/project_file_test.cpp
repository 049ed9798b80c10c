#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/error.h"
#include "results/project_file.h"
#include "tests/engine/file_size_limit.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kDate1 = PackDosDate(24, 12, 1995);
constexpr std::uint16_t kDate2 = PackDosDate(29, 2, 2024);

// The operator lines of a valid record, written by hand.
const std::string kOperatorLines =
    "OperatorAnd=+\r\nOperatorOr=|\r\nOperatorNot=-\r\nOperatorStr=\"\r\n"
    "OperatorLevelO=(\r\nOperatorLevelC=)\r\nFileSeparator=,\r\nFileNotSearch=-\r\n";

// The smallest settings section that passes the check.
std::string ValidSettings() {
    return "[Quarvel]\r\nSearchDateFrom=" + std::to_string(kDate1) + "\r\nSearchDateBefore=" +
           std::to_string(kDate2) + "\r\n" + kOperatorLines;
}

std::string ValidProject(const std::string& extraSettings = "", const std::string& records = "") {
    return ValidSettings() + extraSettings + "\r\n[FoundFiles]\r\n" + records;
}

TSearchCFG ValidCfg() {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDateFrom = kDate1;
    cfg.SearchDateBefore = kDate2;
    return cfg;
}

TSaveFile Record(const char* folder, const char* name, std::uint64_t size, std::uint16_t date, std::uint16_t time,
                 std::uint32_t attributes) {
    TSaveFile f;
    f.folder = folder;
    f.name = name;
    f.size = size;
    f.date = date;
    f.time = time;
    f.attributes = attributes;
    return f;
}

void ExpectRecord(const TSaveFile& f, const char* folder, const char* name, std::uint64_t size, std::uint16_t date,
                  std::uint16_t time, std::uint32_t attributes) {
    EXPECT_EQ(f.group, 0u);
    EXPECT_EQ(f.folder.str(), folder);
    EXPECT_EQ(f.name.str(), name);
    EXPECT_EQ(f.size, size);
    EXPECT_EQ(f.date, date);
    EXPECT_EQ(f.time, time);
    EXPECT_EQ(f.attributes, attributes);
}

// Loads text into a fresh record; "" when accepted, else the error text.
std::string LoadError(const std::string& text, TSearchCFG& cfg) {
    try {
        LoadProjectText(text, "p.qrv", cfg);
        return "";
    } catch (const QuarvelError& e) {
        return e.what();
    }
}

std::string LoadError(const std::string& text) {
    TSearchCFG cfg;
    return LoadError(text, cfg);
}

class ProjectFileDisk : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "qrv-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

// ---- saving and loading back ----

TEST_F(ProjectFileDisk, RoundTripKeepsEveryStoredField) {
    TSearchCFG cfg = ValidCfg();
    cfg.SearchFilesMask = "*.txt,*.doc,-old*";
    cfg.SearchString = "(alpha + \"beta gamma\") | -delta";
    cfg.SearchDefaultPath = "/home/user/docs";
    cfg.SearchWithin = kWithinSentence;
    cfg.SearchCode = kCodeOem;
    cfg.SearchIgnoreCase = 1;
    cfg.SearchIncludeSubDir = 1;
    cfg.SearchWholeWord = 1;
    cfg.SearchIncludeHidden = 0;
    cfg.GFiles = 1234;
    cfg.GSizeFiles = 987654.0;
    cfg.GSizeFilesCurrent = 4321.0;
    cfg.timeStart = 800000000;
    cfg.timeEnd = 800000077;
    cfg.timeSum = 77.0;
    cfg.SearchDateId = 1;
    cfg.SearchDateLastMonate = 999;
    cfg.SearchDateLastDay = 31;
    cfg.SearchSizeId = 2;
    cfg.SearchSizeMax = 999999;
    cfg.SearchSizeMin = 12;
    cfg.Operators = {"AND", "OR", "NOT", "'", "<<", ">>", ";", "!"};
    cfg.FoundFiles.push_back(Record("/home/user/docs", "a.txt", 100, kDate1, 0x4A65, 0x20));
    cfg.FoundFiles.push_back(Record("", "in-root.txt", 0xFFFFFFFFu, kDate2, 0xBF7D, 0));
    cfg.FoundFiles.push_back(Record("/x y/z", "name with blanks.doc", 7, 0xFFFF, 0, 0x27));
    cfg.FoundFiles[0].group = 5;  // not saved
    cfg.SearchRefined = 1;        // not saved

    const std::string path = PathOf("all.qrv");
    EXPECT_TRUE(SaveProject(path, cfg).empty());
    TSearchCFG back;
    LoadProject(path, back);

    EXPECT_EQ(back.SearchFilesMask, cfg.SearchFilesMask);
    EXPECT_EQ(back.SearchString, cfg.SearchString);
    EXPECT_EQ(back.SearchDefaultPath, cfg.SearchDefaultPath);
    EXPECT_EQ(back.SearchWithin, cfg.SearchWithin);
    EXPECT_EQ(back.SearchCode, cfg.SearchCode);
    EXPECT_EQ(back.SearchIgnoreCase, 1u);
    EXPECT_EQ(back.SearchIncludeSubDir, 1u);
    EXPECT_EQ(back.SearchWholeWord, 1u);
    EXPECT_EQ(back.SearchIncludeHidden, 0u);
    EXPECT_EQ(back.SearchRefined, 0u);
    EXPECT_EQ(back.GFiles, cfg.GFiles);
    EXPECT_EQ(back.GSizeFiles, cfg.GSizeFiles);
    EXPECT_EQ(back.GSizeFilesCurrent, cfg.GSizeFilesCurrent);
    EXPECT_EQ(back.timeStart, cfg.timeStart);
    EXPECT_EQ(back.timeEnd, cfg.timeEnd);
    EXPECT_EQ(back.timeSum, cfg.timeSum);
    EXPECT_EQ(back.SearchDateId, cfg.SearchDateId);
    EXPECT_EQ(back.SearchDateFrom, cfg.SearchDateFrom);
    EXPECT_EQ(back.SearchDateBefore, cfg.SearchDateBefore);
    EXPECT_EQ(back.SearchDateLastMonate, cfg.SearchDateLastMonate);
    EXPECT_EQ(back.SearchDateLastDay, cfg.SearchDateLastDay);
    EXPECT_EQ(back.SearchSizeId, cfg.SearchSizeId);
    EXPECT_EQ(back.SearchSizeMax, cfg.SearchSizeMax);
    EXPECT_EQ(back.SearchSizeMin, cfg.SearchSizeMin);
    EXPECT_EQ(back.Operators, cfg.Operators);
    ASSERT_EQ(back.FoundFiles.size(), 3u);
    ExpectRecord(back.FoundFiles[0], "/home/user/docs", "a.txt", 100, kDate1, 0x4A65, 0x20);
    ExpectRecord(back.FoundFiles[1], "", "in-root.txt", 0xFFFFFFFFu, kDate2, 0xBF7D, 0);
    ExpectRecord(back.FoundFiles[2], "/x y/z", "name with blanks.doc", 7, 0xFFFF, 0, 0x27);
}

TEST_F(ProjectFileDisk, SavedBytesAreExactWithCrLfAndNothingAfterTheLastLine) {
    TSearchCFG cfg = ValidCfg();
    cfg.SearchFilesMask = "*.txt";
    cfg.SearchString = "a+b";
    cfg.SearchDefaultPath = "/srv";
    cfg.SearchWithin = 2;
    cfg.GFiles = 3;
    cfg.GSizeFiles = 4096.0;
    cfg.GSizeFilesCurrent = 10.75;
    cfg.timeStart = 100;
    cfg.timeEnd = 160;
    cfg.timeSum = 60.0;
    cfg.SearchUnicode = 0;  // a search as every project held it before the Unicode reading came
    cfg.SearchDocuments = 0;  // and before documents and archives were searched inside
    const std::string settings =
        "[Quarvel]\r\nVersionQRV=1.00\r\n"
        "SearchFilesMask=*.txt\r\nSearchString=a+b\r\nSearchDefaultPath=/srv\r\n"
        "SearchWithin=2\r\nSearchCode=2\r\nSearchIgnoreCase=0\r\nSearchIncludeSubDir=0\r\n"
        "SearchWholeWord=0\r\nSearchIncludeHidden=1\r\n"
        "GFiles=3\r\nGSizeFiles=4096\r\nGSizeFilesCurrent=10\r\ntimeStart=100\r\ntimeEnd=160\r\ntimeSum=60\r\n"
        "SearchDateId=0\r\nSearchDateFrom=" +
        std::to_string(kDate1) + "\r\nSearchDateBefore=" + std::to_string(kDate2) +
        "\r\nSearchDateLastMonate=0\r\nSearchDateLastDay=0\r\nSearchSizeId=0\r\nSearchSizeMax=0\r\n"
        "SearchSizeMin=0\r\n" +
        kOperatorLines + "\r\n[FoundFiles]\r\n";

    const std::string empty = PathOf("empty.qrv");
    EXPECT_TRUE(SaveProject(empty, cfg).empty());
    EXPECT_EQ(Read(empty), settings);
    TSearchCFG back;
    LoadProject(empty, back);
    EXPECT_TRUE(back.FoundFiles.empty());

    cfg.FoundFiles.push_back(Record("/srv/a", "x.txt", 12, 3, 4, 5));
    cfg.FoundFiles.push_back(Record("", "root.txt", 0, 0, 0, 0));
    const std::string two = PathOf("two.qrv");
    EXPECT_TRUE(SaveProject(two, cfg).empty());
    EXPECT_EQ(Read(two), settings + "/srv/a,x.txt,12,3,4,5\r\n,root.txt,0,0,0,0\r\n");
    EXPECT_EQ(Read(two), ProjectText(cfg));
}

TEST_F(ProjectFileDisk, TenCharacterOperatorsSaveAndOpenBack) {
    TSearchCFG cfg = ValidCfg();
    cfg.Operators = {"ANDANDANDA", "OROROROROR", "NOTNOTNOTN", "QUOTEQUOTE", "OPENOPENOP", "CLOSECLOSE",
                     "SEPARATORS", "NOTSEARCH!"};
    cfg.FoundFiles.push_back(Record("/a", "b.txt", 1, kDate1, 2, 3));
    const std::string path = PathOf("ops.qrv");
    EXPECT_TRUE(SaveProject(path, cfg).empty());
    TSearchCFG back;
    LoadProject(path, back);
    EXPECT_EQ(back.Operators, cfg.Operators);
    EXPECT_EQ(ProjectText(back), ProjectText(cfg));
}

TEST_F(ProjectFileDisk, RecordLinesLongerThanOneReadOpenWhole) {
    TSearchCFG cfg = ValidCfg();
    for (const std::size_t length : {100000u, 700u, 70000u, 5u, 200000u})
        cfg.FoundFiles.push_back(Record(("/" + std::string(length, 'd')).c_str(), "n.txt", length, kDate1, 1, 2));
    const std::string path = PathOf("deep.qrv");
    EXPECT_TRUE(SaveProject(path, cfg).empty());
    TSearchCFG back;
    LoadProject(path, back);
    ASSERT_EQ(back.FoundFiles.size(), cfg.FoundFiles.size());
    for (std::size_t i = 0; i < cfg.FoundFiles.size(); ++i) {
        const TSaveFile& f = cfg.FoundFiles[i];
        ExpectRecord(back.FoundFiles[i], f.folder.str().c_str(), "n.txt", f.size, kDate1, 1, 2);
    }
}

TEST_F(ProjectFileDisk, FoundFilesAProjectCannotHoldAreLeftOutAndNamed) {
    TSearchCFG cfg = ValidCfg();
    cfg.FoundFiles.push_back(Record("/data/a,b", "x.txt", 1, kDate1, 1, 1));
    cfg.FoundFiles.push_back(Record("/data", "kept.txt", 2, kDate1, 2, 2));
    cfg.FoundFiles.push_back(Record("/data", "line\nbreak", 3, kDate1, 3, 3));
    cfg.FoundFiles.push_back(Record("/da\rta", "y", 4, kDate1, 4, 4));
    cfg.FoundFiles.push_back(Record("", "root,txt", 5, kDate1, 5, 5));
    const std::string path = PathOf("some.qrv");
    EXPECT_EQ(SaveProject(path, cfg),
              (std::vector<std::string>{"/data/a,b/x.txt", "/data/line\nbreak", "/da\rta/y", "/root,txt"}));
    TSearchCFG back;
    LoadProject(path, back);
    ASSERT_EQ(back.FoundFiles.size(), 1u);
    ExpectRecord(back.FoundFiles[0], "/data", "kept.txt", 2, kDate1, 2, 2);
}

TEST_F(ProjectFileDisk, ASettingWithALineBreakIsNotSaved) {
    const std::string path = PathOf("p.qrv");
    Write(path, "old");
    for (const char* breakBytes : {"\r", "\n", "\0"}) {
        for (std::string TSearchCFG::*text :
             {&TSearchCFG::SearchFilesMask, &TSearchCFG::SearchString, &TSearchCFG::SearchDefaultPath}) {
            TSearchCFG cfg = ValidCfg();
            cfg.*text = std::string("a") + std::string(breakBytes, 1) + "SearchWithin=3";
            EXPECT_THROW((void)SaveProject(path, cfg), QuarvelError);
        }
        TSearchCFG cfg = ValidCfg();
        cfg.Operators[kOpFileNotSearch] = std::string("!") + std::string(breakBytes, 1);
        try {
            (void)SaveProject(path, cfg);
            ADD_FAILURE() << "saved";
        } catch (const QuarvelError& e) {
            EXPECT_EQ(std::string(e.what()), "Can`t create file " + path + ": a line break in FileNotSearch");
        }
    }
    TSearchCFG cfg = ValidCfg();
    cfg.SearchDefaultPath = "/x\ny";
    EXPECT_STREQ(UnsavableSetting(cfg), "SearchDefaultPath");
    cfg.SearchDefaultPath = "/x y";
    EXPECT_EQ(UnsavableSetting(cfg), nullptr);
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"p.qrv"});
}

TEST(ProjectFileText, RealsAreWrittenAsTheirWholeNumberWithoutWrap) {
    TSearchCFG cfg = ValidCfg();
    cfg.GSizeFiles = 4096.0;
    cfg.GSizeFilesCurrent = 6e9;  // over 4 GB
    cfg.timeSum = 2.999;
    const std::string text = ProjectText(cfg);
    EXPECT_NE(text.find("\r\nGSizeFiles=4096\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nGSizeFilesCurrent=6000000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\ntimeSum=2\r\n"), std::string::npos);

    TSearchCFG back;
    LoadProjectText(text, "r.qrv", back);
    EXPECT_EQ(back.GSizeFiles, 4096.0);
    EXPECT_EQ(back.GSizeFilesCurrent, 6e9);
    EXPECT_EQ(back.timeSum, 2.0);
}

TEST(ProjectFileText, LfOnlyFileLoadsLikeCrLf) {
    TSearchCFG cfg = ValidCfg();
    cfg.SearchString = "word";
    cfg.FoundFiles.push_back(Record("/a", "b", 1, 2, 3, 4));
    std::string text = ProjectText(cfg);
    std::string lf;
    for (char c : text)
        if (c != '\r') lf += c;
    ASSERT_NE(lf, text);
    TSearchCFG back;
    LoadProjectText(lf, "lf.qrv", back);
    EXPECT_EQ(back.SearchString, "word");
    ASSERT_EQ(back.FoundFiles.size(), 1u);
    ExpectRecord(back.FoundFiles[0], "/a", "b", 1, 2, 3, 4);
}

// ---- record lines ----

TEST(ProjectFileRecords, CommaInFolderOrNameSplitsTheLineWrongly) {
    // Lines written elsewhere: the program itself never writes such a record.
    const std::string date = std::to_string(kDate1);
    TSearchCFG back;
    LoadProjectText(ValidProject("", "/data/a,b,x.txt,10," + date + ",77,32\r\n/data,one,two.txt,10," + date +
                                         ",77,32\r\n"),
                    "c.qrv", back);
    ASSERT_EQ(back.FoundFiles.size(), 2u);
    // the part after the comma becomes the name and the numbers shift; the attributes fall off the end
    ExpectRecord(back.FoundFiles[0], "/data/a", "b", 0, 10, kDate1, 77);
    ExpectRecord(back.FoundFiles[1], "/data", "one", 0, 10, kDate1, 77);
}

TEST(ProjectFileRecords, ShortLinesMissingFieldsAndExtraFields) {
    TSearchCFG cfg;
    LoadProjectText(ValidProject("", "a,b\r\n\r\nabcd\r\na,bc\r\n/f,n,1,2,3,4,5,6,rest\r\n/g,m, 70000,65537,-1,x\r\n"),
                    "r.qrv", cfg);
    ASSERT_EQ(cfg.FoundFiles.size(), 4u);
    ExpectRecord(cfg.FoundFiles[0], "abcd", "", 0, 0, 0, 0);
    ExpectRecord(cfg.FoundFiles[1], "a", "bc", 0, 0, 0, 0);
    ExpectRecord(cfg.FoundFiles[2], "/f", "n", 1, 2, 3, 4);
    // date and time keep their low 16 bits
    ExpectRecord(cfg.FoundFiles[3], "/g", "m", 70000, 1, 0xFFFF, 0);
}

TEST(ProjectFileRecords, SizesPast4GiBAreWrittenAndReadWhole) {
    TSearchCFG cfg = ValidCfg();
    cfg.FoundFiles.push_back(Record("/v", "big.iso", 0x100000064ull, kDate1, 1, 0x20));
    cfg.FoundFiles.push_back(Record("/v", "huge.img", UINT64_MAX, kDate1, 1, 0x20));
    const std::string text = ProjectText(cfg);
    EXPECT_NE(text.find("\r\n/v,big.iso,4294967396,"), std::string::npos);
    EXPECT_NE(text.find("\r\n/v,huge.img,18446744073709551615,"), std::string::npos);
    // Only the size is read without the 32-bit wrap; the C library's rules otherwise.
    TSearchCFG back;
    const std::string more = "/w,a, +6000000000x,1,2,4294967299\r\n/w,b,99999999999999999999,1,2,3\r\n/w,c,-1,1,2,3\r\n";
    LoadProjectText(text + more, "s.qrv", back);
    ASSERT_EQ(back.FoundFiles.size(), 5u);
    ExpectRecord(back.FoundFiles[0], "/v", "big.iso", 0x100000064ull, kDate1, 1, 0x20);
    ExpectRecord(back.FoundFiles[1], "/v", "huge.img", UINT64_MAX, kDate1, 1, 0x20);
    ExpectRecord(back.FoundFiles[2], "/w", "a", 6000000000ull, 1, 2, 3);
    ExpectRecord(back.FoundFiles[3], "/w", "b", UINT64_MAX, 1, 2, 3);
    ExpectRecord(back.FoundFiles[4], "/w", "c", UINT64_MAX, 1, 2, 3);
}

TEST(ProjectFileRecords, SectionLineOfFourCharactersEndsTheResults) {
    TSearchCFG cfg;
    LoadProjectText(ValidProject("", "/a,1\r\n[x]\r\n/b,2\r\n[ab]\r\n/c,3\r\n[FoundFiles]\r\n/d,4\r\n"), "e.qrv", cfg);
    ASSERT_EQ(cfg.FoundFiles.size(), 2u) << "[x] is too short to be a record or an end";
    EXPECT_EQ(cfg.FoundFiles[0].folder.str(), "/a");
    EXPECT_EQ(cfg.FoundFiles[1].folder.str(), "/b");
}

TEST(ProjectFileRecords, LoadAppendsToTheFoundFileList) {
    TSearchCFG cfg = ValidCfg();
    cfg.FoundFiles.push_back(Record("/old", "kept", 1, 1, 1, 1));
    cfg.FoundFiles[0].group = 3;
    LoadProjectText(ValidProject("", "/new,one,2,2,2,2\r\n"), "a.qrv", cfg);
    ASSERT_EQ(cfg.FoundFiles.size(), 2u);
    EXPECT_EQ(cfg.FoundFiles[0].name.str(), "kept");
    EXPECT_EQ(cfg.FoundFiles[0].group, 3u);
    ExpectRecord(cfg.FoundFiles[1], "/new", "one", 2, 2, 2, 2);
}

// ---- sections and keys ----

TEST(ProjectFileSections, FoundFilesFirstKeepsSettingsOfAValidRecordAndFailsAFreshOne) {
    const std::string text = "[FoundFiles]\r\n/a,b,1,2,3,4\r\n";
    TSearchCFG valid = ValidCfg();
    valid.SearchString = "unchanged";
    EXPECT_EQ(LoadError(text, valid), "");
    EXPECT_EQ(valid.SearchString, "unchanged");
    EXPECT_EQ(valid.Operators[kOpAnd], "+");
    ASSERT_EQ(valid.FoundFiles.size(), 1u);

    EXPECT_EQ(LoadError(text), "Invalid format file p.qrv");
}

TEST(ProjectFileSections, SettingsSectionNameIsComparedAsAPrefix) {
    std::string text = ValidProject("SearchString=backup\r\n");
    text.replace(0, 9, "[QuarvelBackup]");
    TSearchCFG cfg;
    EXPECT_EQ(LoadError(text, cfg), "");
    EXPECT_EQ(cfg.SearchString, "backup");

    text.replace(0, 15, "[quarvel]");
    EXPECT_EQ(LoadError(text), "Invalid format file p.qrv") << "the name is case-sensitive";
}

TEST(ProjectFileSections, LinesBeforeTheSettingsAreIgnoredFurtherSectionsAreRead) {
    const std::string text = "SearchString=before\r\n[Other]\r\nSearchWithin=3\r\n" +
                             ValidProject("[Extra]\r\nSearchString=after\r\n[Quarvel]\r\nSearchWithin=1\r\n");
    TSearchCFG cfg;
    EXPECT_EQ(LoadError(text, cfg), "");
    EXPECT_EQ(cfg.SearchString, "after");
    EXPECT_EQ(cfg.SearchWithin, 1u);
}

TEST(ProjectFileSections, MissingResultsSectionFails) {
    EXPECT_EQ(LoadError(ValidSettings()), "Invalid format file p.qrv");
    TSearchCFG valid = ValidCfg();
    EXPECT_EQ(LoadError(ValidSettings(), valid), "Invalid format file p.qrv") << "even into a valid record";
    EXPECT_EQ(LoadError(""), "Invalid format file p.qrv");
    EXPECT_EQ(LoadError("[]\r\n[Q]\r\n"), "Invalid format file p.qrv");
}

TEST(ProjectFileKeys, KeysAreCaseSensitiveAndNeedTheEqualsSign) {
    TSearchCFG cfg;
    ASSERT_EQ(LoadError(ValidProject("searchstring=lower\r\nSearchString =blank\r\nSearchStringX=more\r\n"
                                     "SearchString\r\nSearchDefaultPath=/p\r\n"),
                        cfg),
              "");
    EXPECT_EQ(cfg.SearchString, "");
    EXPECT_EQ(cfg.SearchDefaultPath, "/p");
}

TEST(ProjectFileKeys, AKeyGivenTwiceKeepsItsLastValueAndValuesAreTakenVerbatim) {
    TSearchCFG cfg;
    ASSERT_EQ(LoadError(ValidProject("SearchString=first\r\nSearchString=  two = words \r\n"), cfg), "");
    EXPECT_EQ(cfg.SearchString, "  two = words ");
}

TEST(ProjectFileKeys, OperatorOfTenCharactersIsStoredElevenIsInvalid) {
    // Ten characters is what the options and the command line accept, so a saved project may hold it.
    TSearchCFG cfg;
    ASSERT_EQ(LoadError(ValidProject("OperatorAnd=1234567890\r\nFileNotSearch=abcdefghij\r\n"), cfg), "");
    EXPECT_EQ(cfg.Operators[kOpAnd], "1234567890");
    EXPECT_EQ(cfg.Operators[kOpFileNotSearch], "abcdefghij");
    EXPECT_EQ(LoadError(ValidProject("OperatorAnd=12345678901\r\n")), "Invalid format file p.qrv");
    EXPECT_EQ(LoadError(ValidProject("FileNotSearch=12345678901\r\n")), "Invalid format file p.qrv");
    EXPECT_EQ(LoadError(ValidProject("OperatorOr=\r\n")), "Invalid format file p.qrv") << "empty operator";
    EXPECT_EQ(LoadError(ValidProject("OperatorOr=+\r\n")), "Invalid format file p.qrv") << "duplicate operator";
}

TEST(ProjectFileKeys, TextValuesAtTheLimitAreStoredLongerOnesInvalid) {
    struct Case {
        const char* key;
        std::size_t longest;
        std::string TSearchCFG::*field;
    };
    for (const Case& c : {Case{"SearchFilesMask", 259, &TSearchCFG::SearchFilesMask},
                          Case{"SearchString", 259, &TSearchCFG::SearchString},
                          Case{"SearchDefaultPath", 259, &TSearchCFG::SearchDefaultPath}}) {
        SCOPED_TRACE(c.key);
        const std::string fits(c.longest, 'm');
        TSearchCFG cfg;
        ASSERT_EQ(LoadError(ValidProject(std::string(c.key) + "=" + fits + "\r\n"), cfg), "");
        EXPECT_EQ(cfg.*c.field, fits);

        TSearchCFG bad;
        EXPECT_EQ(LoadError(ValidProject(std::string(c.key) + "=" + fits + "m\r\n"), bad),
                  "Invalid format file p.qrv");
        EXPECT_EQ(bad.*c.field, "") << "an over-long value is dropped";
    }
}

TEST(ProjectFileKeys, NumbersReadLikeTheCLibrary) {
    EXPECT_EQ(ParseProjectNumber("42"), 42u);
    EXPECT_EQ(ParseProjectNumber(" \t+42abc"), 42u);
    EXPECT_EQ(ParseProjectNumber("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseProjectNumber("-2"), 0xFFFFFFFEu);
    EXPECT_EQ(ParseProjectNumber(""), 0u);
    EXPECT_EQ(ParseProjectNumber("abc"), 0u);
    EXPECT_EQ(ParseProjectNumber("- 1"), 0u);
    EXPECT_EQ(ParseProjectNumber("4294967295"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseProjectNumber("4294967296"), 0u);
    EXPECT_EQ(ParseProjectNumber("99999999999"), static_cast<std::uint32_t>(99999999999ull & 0xFFFFFFFFull));
    EXPECT_EQ(ParseProjectNumber("12345678901234567890"), static_cast<std::uint32_t>(12345678901234567890ull));
}

TEST(ProjectFileKeys, OutOfRangeNumbersFailTheCheck) {
    TSearchCFG cfg;
    EXPECT_EQ(LoadError(ValidProject("SearchWithin=-1\r\n"), cfg), "Invalid format file p.qrv");
    EXPECT_EQ(cfg.SearchWithin, 0xFFFFFFFFu);
    EXPECT_EQ(LoadError(ValidProject("SearchWithin=4\r\n")), "Invalid format file p.qrv");
    EXPECT_EQ(LoadError(ValidProject("SearchWithin=3\r\n")), "");
    EXPECT_EQ(LoadError(ValidProject("SearchSizeMax=1000000\r\n")), "Invalid format file p.qrv");
    EXPECT_EQ(LoadError(ValidProject("SearchDateFrom=0\r\n")), "Invalid format file p.qrv");
    EXPECT_EQ(LoadError(ValidProject("SearchDateFrom=" + std::to_string(PackDosDate(31, 2, 2000)) + "\r\n")),
              "Invalid format file p.qrv");
}

TEST(ProjectFileKeys, DatesKeepTheirLow16Bits) {
    TSearchCFG cfg;
    ASSERT_EQ(LoadError(ValidProject("SearchDateFrom=" + std::to_string(65536 * 3 + kDate2) + "\r\n"), cfg), "");
    EXPECT_EQ(cfg.SearchDateFrom, kDate2);
}

// ---- lines ----

TEST(ProjectFileLines, ALongLineIsReadWhole) {
    // Nothing of a long line with an unknown key starts a line of its own, wherever it would be cut.
    for (const std::size_t length : {518u, 519u, 520u, 1038u, 70000u}) {
        SCOPED_TRACE(length);
        const std::string filler = "Comment=" + std::string(length - 8, 'c');
        TSearchCFG cfg;
        ASSERT_EQ(LoadError(ValidProject(filler + "SearchString=piece\r\n"), cfg), "");
        EXPECT_EQ(cfg.SearchString, "");
    }
}

TEST(ProjectFileLines, RecordLinesAreReadWhole) {
    const std::string exact(519, 'f');
    const std::string deep = "/" + std::string(700, 'd') + "/" + std::string(255, 'n');
    TSearchCFG cfg;
    ASSERT_EQ(LoadError(ValidProject("", exact + "\r\n" + exact + "/x,n\r\n" + deep + ",file.txt,1,2,3,4\r\n"), cfg),
              "");
    ASSERT_EQ(cfg.FoundFiles.size(), 3u);
    EXPECT_EQ(cfg.FoundFiles[0].folder.str(), exact);
    ExpectRecord(cfg.FoundFiles[1], (exact + "/x").c_str(), "n", 0, 0, 0, 0);
    ExpectRecord(cfg.FoundFiles[2], deep.c_str(), "file.txt", 1, 2, 3, 4);
}

TEST(ProjectFileLines, CrAndNulEndTheTextOfALine) {
    TSearchCFG cfg;
    std::string extra = "SearchString=ab";
    extra += '\0';
    extra += "cd\r\nSearchDefaultPath=/p\rSearchWithin=3\r\n";
    ASSERT_EQ(LoadError(ValidProject(extra), cfg), "");
    EXPECT_EQ(cfg.SearchString, "ab");
    EXPECT_EQ(cfg.SearchDefaultPath, "/p");
    EXPECT_EQ(cfg.SearchWithin, 0u) << "text after a lone CR is not a line of its own";
}

// ---- files on disk and failures ----

TEST_F(ProjectFileDisk, LoadFailureTexts) {
    TSearchCFG cfg;
    const std::string missing = PathOf("missing.qrv");
    try {
        LoadProject(missing, cfg);
        FAIL() << "no exception";
    } catch (const QuarvelError& e) {
        EXPECT_EQ(std::string(e.what()), "Can`t open file " + missing);
    }
    try {
        LoadProject(dir_.string(), cfg);
        FAIL() << "no exception";
    } catch (const QuarvelError& e) {
        EXPECT_EQ(std::string(e.what()), "Can`t open file " + dir_.string()) << "a folder is no project";
    }
    const std::string bad = PathOf("bad.qrv");
    Write(bad, "[Quarvel]\r\nSearchWithin=9\r\n\r\n[FoundFiles]\r\n");
    try {
        LoadProject(bad, cfg);
        FAIL() << "no exception";
    } catch (const QuarvelError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid format file " + bad);
    }
}

TEST_F(ProjectFileDisk, LoadingAFifoFailsInsteadOfWaiting) {
    const std::string fifo = PathOf("pipe.qrv");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TSearchCFG cfg;
    EXPECT_THROW(LoadProject(fifo, cfg), QuarvelError);
}

TEST_F(ProjectFileDisk, SaveFailureTextsAndNoLeftovers) {
    const TSearchCFG cfg = ValidCfg();
    const std::string regular = PathOf("plain");
    Write(regular, "x");
    const std::pair<std::string, std::string> refused[] = {
        {PathOf("no/such/folder/p.qrv"), ": its folder does not exist"},
        {regular + "/p.qrv", ": its folder does not exist"},
        {dir_.string() + "/", ": it is not a regular file"},
        {std::string(), ""}};
    for (const auto& [path, reason] : refused) {
        try {
            (void)SaveProject(path, cfg);
            ADD_FAILURE() << "no exception for " << path;
        } catch (const QuarvelError& e) {
            EXPECT_EQ(std::string(e.what()), "Can`t create file " + path + reason);
        }
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"plain"});
}

TEST_F(ProjectFileDisk, SaveOntoANonEmptyFolderFailsAndLeavesItAlone) {
    const std::string target = PathOf("target.qrv");
    fs::create_directory(target);
    Write(target + "/inside", "keep");
    try {
        (void)SaveProject(target, ValidCfg());
        FAIL() << "no exception";
    } catch (const QuarvelError& e) {
        EXPECT_EQ(std::string(e.what()), "Can`t create file " + target + ": it is not a regular file");
    }
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(Read(target + "/inside"), "keep");
    EXPECT_EQ(Entries(), std::vector<std::string>{"target.qrv"}) << "the temporary file is removed";
}

TEST_F(ProjectFileDisk, SaveReplacesAnExistingProjectAndKeepsItsPermissions) {
    const std::string path = PathOf("p.qrv");
    Write(path, "old contents that are longer than nothing");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    TSearchCFG cfg = ValidCfg();
    cfg.SearchString = "new";
    EXPECT_TRUE(SaveProject(path, cfg).empty());
    EXPECT_EQ(Read(path), ProjectText(cfg));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Entries(), std::vector<std::string>{"p.qrv"});

    // A stale temporary file of an earlier save does not block the next one.
    Write(path + ".tmp", "stale");
    cfg.SearchString = "newer";
    EXPECT_TRUE(SaveProject(path, cfg).empty());
    EXPECT_EQ(Read(path), ProjectText(cfg));
    EXPECT_EQ(Read(path + ".tmp"), "stale");
}

TEST_F(ProjectFileDisk, SaveFailingWhileWritingKeepsTheOldFileByteForByte) {
    const std::string path = PathOf("keep.qrv");
    TSearchCFG old = ValidCfg();
    old.SearchString = "old";
    EXPECT_TRUE(SaveProject(path, old).empty());
    const std::string before = Read(path);

    TSearchCFG big = ValidCfg();
    for (int i = 0; i < 200; ++i) big.FoundFiles.push_back(Record("/some/folder", "file.txt", 1, 2, 3, 4));
    ASSERT_GT(ProjectText(big).size(), 4096u);

    // A file size limit makes the write of the temporary file fail part-way.
    std::string message;
    {
        const ScopedFileSizeLimit limit(1024);
        ASSERT_TRUE(limit.ok());
        try {
            (void)SaveProject(path, big);
        } catch (const QuarvelError& e) {
            message = e.what();
        }
    }

    EXPECT_EQ(message, "Can`t create file " + path);
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"keep.qrv"});
}

}  // namespace
}  // namespace quarvel
