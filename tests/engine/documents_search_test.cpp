// Searches over documents and archives the test makes itself (Python's
// zipfile and tarfile, hand-written PDFs): what is found and how members are
// named, on one thread and on several; page units of a PDF; the view of a
// member; a project of members loaded and refined again; the limits that
// stop a bomb, a nest too deep and a name that would climb out of the
// temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "documents/member_extract.h"
#include "platform/clock.h"
#include "results/project_file.h"
#include "search/search_run.h"
#include "tests/engine/pdf_maker.h"
#include "tests/engine/run_test_support.h"
#include "tests/file_bytes.h"
#include "tests/temp_folder.h"
#include "viewer/view_file.h"

namespace quarvel {
namespace {

struct Told : RecordingObserver {
    std::vector<std::string> order;  // rows, messages and files not searched, as they came
    void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override {
        RecordingObserver::ShowMessage(text, caption, kind);
        order.push_back("message " + text);
    }
    void FileSkipped(const std::string& path, const std::string& reason) override {
        order.push_back("not searched " + path + ": " + reason);
    }
    void AddFoundRow(const TSaveFile& f) override { order.push_back("row " + f.Path()); }
};

// Writes a zip member with a fixed time, so that a member written again unchanged is the same.
const std::string kPut =
    "def put(z, name, data):\n"
    "    z.writestr(zipfile.ZipInfo(name, (2024, 1, 2, 3, 4, 6)), data, compress_type=zipfile.ZIP_DEFLATED)\n";

void Python(const std::string& script) {
    const std::string command = "python3 - <<'PYTHON'\n" + script + "\nPYTHON\n";
    ASSERT_EQ(std::system(command.c_str()), 0) << script;
}

class DocumentsSearch : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string& f = folder_.Path();
        Put(f + "/report.pdf", MakePdf({"quarterly revenue", "second page"}));
        Put(f + "/plain.txt", "quarterly revenue in plain text\n");
        const std::string hex32(64, 'A');
        Put(f + "/locked.pdf", MakePdf({"quarterly revenue"},
                                       "<< /Filter /Standard /V 1 /R 2 /O <" + hex32 + "> /U <" + hex32 + "> /P -4 >>",
                                       "/Encrypt 6 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> "
                                       "<0123456789ABCDEF0123456789ABCDEF>] "));
        Put(f + "/broken.pdf", "%PDF-1.4\nquarterly revenue, and no PDF after all\n");
        Python("import zipfile, tarfile, io, gzip, os\n"
               "os.chdir('" + f + "')\n"
               "D = zipfile.ZIP_DEFLATED\n"
               + kPut +
               "with zipfile.ZipFile('a.zip', 'w', D) as z:\n"
               "    put(z, 'docs/report.txt', 'the quarterly revenue rose\\n')\n"
               "    put(z, 'other.txt', 'nothing to see\\n')\n"
               "    put(z, '../../etc/passwd', 'root quarterly revenue\\n')\n"
               "    put(z, '/abs/top.txt', 'absolute quarterly revenue\\n')\n"
               "    put(z, '.hidden.txt', 'hidden quarterly revenue\\n')\n"
               "with zipfile.ZipFile('memo.docx', 'w', D) as z:\n"
               "    z.writestr('[Content_Types].xml', '<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>')\n"
               "    z.writestr('_rels/.rels', '<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>')\n"
               "    z.writestr('word/document.xml', '<?xml version=\"1.0\"?><w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p><w:r><w:t>quarterly</w:t></w:r><w:r><w:t xml:space=\"preserve\"> revenue</w:t></w:r></w:p></w:body></w:document>')\n"
               "data = b'quarterly revenue in a tar\\n'\n"
               "with tarfile.open('b.tar.gz', 'w:gz') as t:\n"
               "    info = tarfile.TarInfo('t/in.txt'); info.size = len(data); info.mtime = 1700000000\n"
               "    t.addfile(info, io.BytesIO(data))\n"
               "open('c.txt.gz', 'wb').write(gzip.compress(b'quarterly revenue compressed\\n'))\n"
               "with zipfile.ZipFile('bomb.zip', 'w', D) as z:\n"
               "    z.writestr('zeros.txt', b'\\0' * (12 << 20) + b'quarterly revenue')\n"
               "with zipfile.ZipFile('memo.odt', 'w') as z:\n"
               "    z.writestr('mimetype', 'application/vnd.oasis.opendocument.text')\n"
               "    z.writestr('content.xml', '<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:text><text:p>quarterly revenue in ODF</text:p></office:text></office:body></office:document-content>', D)\n"
               "with zipfile.ZipFile('book.epub', 'w') as z:\n"
               "    z.writestr('mimetype', 'application/epub+zip')\n"
               "    z.writestr('META-INF/container.xml', '<container><rootfiles><rootfile full-path=\"b.opf\"/></rootfiles></container>', D)\n"
               "    z.writestr('b.opf', '<package><manifest><item id=\"c\" href=\"c.xhtml\"/></manifest><spine><itemref idref=\"c\"/></spine></package>', D)\n"
               "    z.writestr('c.xhtml', '<html><body><p>quarterly&nbsp;revenue in a book</p></body></html>', D)\n"
               "with zipfile.ZipFile('broken.docx', 'w', D) as z:\n"
               "    z.writestr('[Content_Types].xml', '<Types/>')\n"
               "    z.writestr('word/document.xml', '<w:document><w:body><w:p>quarterly revenue</w:body>')\n"
               "tgz = open('b.tar.gz', 'rb').read()\n"
               "open('cut.tar.gz', 'wb').write(tgz[:len(tgz) // 2])\n"
               "whole = open('a.zip', 'rb').read()\n"
               "open('cut.zip', 'wb').write(whole[:len(whole) // 2])\n"
               "inner = None\n"
               "for level in range(5, 0, -1):\n"
               "    out = io.BytesIO()\n"
               "    with zipfile.ZipFile(out, 'w', D) as z:\n"
               "        z.writestr('l%d.txt' % level, 'level %d quarterly revenue\\n' % level)\n"
               "        if inner: z.writestr('n%d.zip' % (level + 1), inner)\n"
               "    inner = out.getvalue()\n"
               "open('nest.zip', 'wb').write(inner)\n");
    }

    // A search of the folder with documents and archives searched inside.
    TSearchCFG Cfg(const std::string& expression, const std::string& masks = "*.*") const {
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchDefaultPath = folder_.Path();
        cfg.SearchFilesMask = masks;
        cfg.SearchString = expression;
        cfg.SearchDateFrom = cfg.SearchDateBefore = TodayDosDate();
        cfg.DeriveWindows(TodayDosDate());
        return cfg;
    }

    // What the run told, in order, and the records it found.
    std::vector<std::string> Run(TSearchCFG& cfg, unsigned threads, RunMode mode = RunMode::Search) {
        Told told;
        std::unique_ptr<Tstr> query;
        SearchRun(cfg, query, told, mode, threads).Run();
        for (const TSaveFile& f : cfg.FoundFiles)
            told.order.push_back("found " + f.Path() + " " + std::to_string(f.size) + " " + std::to_string(f.date));
        return told.order;
    }

    std::string P(const std::string& name) const { return folder_.Path() + "/" + name; }

    TempFolder folder_{"quarvel-documents"};
};

// The lines that start with the word, sorted: the walk's order is the folder's.
std::vector<std::string> Lines(const std::vector<std::string>& told, const std::string& word) {
    std::vector<std::string> lines;
    for (const std::string& line : told)
        if (line.rfind(word, 0) == 0) lines.push_back(line.substr(word.size() + 1));
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(DocumentsSearch, EveryKindIsFoundByItsTextMembersAreNamedInTheirArchiveAndProblemsAreNamed) {
    TSearchCFG serial = Cfg("quarterly+revenue");
    const std::vector<std::string> told = Run(serial, 1);
    // A damaged archive gives the members before the damage, and says where it stopped.
    EXPECT_EQ(Lines(told, "row"),
              (std::vector<std::string>{P("a.zip//.hidden.txt"), P("a.zip//abs/top.txt"), P("a.zip//docs/report.txt"),
                                        P("a.zip//etc/passwd"), P("b.tar.gz//t/in.txt"), P("book.epub"),
                                        P("c.txt.gz//c.txt"),
                                        P("cut.zip//abs/top.txt"), P("cut.zip//docs/report.txt"),
                                        P("cut.zip//etc/passwd"), P("memo.docx"), P("memo.odt"),
                                        P("nest.zip//l1.txt"), P("nest.zip//n2.zip//l2.txt"),
                                        P("nest.zip//n2.zip//n3.zip//l3.txt"), P("plain.txt"), P("report.pdf")}));
    EXPECT_EQ(Lines(told, "not searched"),
              (std::vector<std::string>{P("bomb.zip//zeros.txt: expands more than 100 times"),
                                        P("broken.docx: the DOCX is damaged"),
                                        P("broken.pdf: the PDF is damaged or is no PDF"),
                                        P("cut.tar.gz: the archive is damaged"),
                                        P("cut.zip//.hidden.txt: could not be read whole"),
                                        P("cut.zip: the archive is damaged"),
                                        P("locked.pdf: the PDF is encrypted"),
                                        P("nest.zip//n2.zip//n3.zip//n4.zip: is an archive more than 3 levels deep")}));
    // A member's record holds its own size and date; the tar's member, its own time.
    const auto in = std::find_if(serial.FoundFiles.begin(), serial.FoundFiles.end(),
                                 [](const TSaveFile& f) { return f.name.str() == "in.txt"; });
    ASSERT_NE(in, serial.FoundFiles.end());
    EXPECT_EQ(in->size, 27u);
    EXPECT_EQ(in->date, DosStampFromTime(1700000000).date);
    EXPECT_EQ(in->folder.str(), P("b.tar.gz//t"));

    // Several threads tell exactly what one does, in the same order.
    TSearchCFG parallel = Cfg("quarterly+revenue");
    EXPECT_EQ(Run(parallel, 3), told);

    // Hidden members stay out as hidden files do.
    TSearchCFG noHidden = Cfg("quarterly+revenue");
    noHidden.SearchIncludeHidden = 0;
    const std::vector<std::string> rows = Lines(Run(noHidden, 2), "row");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), P("a.zip//.hidden.txt")), 0);
    EXPECT_EQ(rows.size(), 16u);

    // Off, every file is its bytes again: no member, no document's text.
    TSearchCFG off = Cfg("quarterly+revenue");
    off.SearchDocuments = 0;
    for (const std::string& row : Lines(Run(off, 2), "row")) {
        EXPECT_EQ(row.find("//"), std::string::npos) << row;
        EXPECT_NE(row, P("memo.docx"));
    }
}

TEST_F(DocumentsSearch, MasksTakeMembersByTheirNamesOrAllOfAnArchiveTheyTakeByItsOwn) {
    TSearchCFG txt = Cfg("revenue", "*.txt");
    EXPECT_EQ(Lines(Run(txt, 2), "row"),
              (std::vector<std::string>{P("a.zip//.hidden.txt"), P("a.zip//abs/top.txt"), P("a.zip//docs/report.txt"),
                                        P("b.tar.gz//t/in.txt"), P("c.txt.gz//c.txt"), P("cut.zip//abs/top.txt"),
                                        P("cut.zip//docs/report.txt"), P("nest.zip//l1.txt"),
                                        P("nest.zip//n2.zip//l2.txt"), P("nest.zip//n2.zip//n3.zip//l3.txt"),
                                        P("plain.txt")}));
    TSearchCFG zip = Cfg("root", "a.zip");
    EXPECT_EQ(Lines(Run(zip, 1), "row"), (std::vector<std::string>{P("a.zip//etc/passwd")}));
    // Every entry's mask has its say, whichever entry took the archive first.
    for (const char* masks : {"*.pdf,*.txt", "*.txt,*.pdf"}) {
        TSearchCFG two = Cfg("revenue", masks);
        const std::vector<std::string> rows = Lines(Run(two, 1), "row");
        EXPECT_EQ(std::count(rows.begin(), rows.end(), P("a.zip//docs/report.txt")), 1) << masks;
        EXPECT_EQ(std::count(rows.begin(), rows.end(), P("report.pdf")), 1) << masks;
    }
    TSearchCFG excluded = Cfg("revenue", "a.zip,-*.txt");
    EXPECT_EQ(Lines(Run(excluded, 1), "row"), (std::vector<std::string>{P("a.zip//etc/passwd")}));
}

TEST_F(DocumentsSearch, APdfPageIsAPageUnit) {
    TSearchCFG page = Cfg("revenue+second");
    page.SearchWithin = 1;
    EXPECT_TRUE(Lines(Run(page, 1), "row").empty());
    TSearchCFG file = Cfg("revenue+second");
    EXPECT_EQ(Lines(Run(file, 1), "row"), (std::vector<std::string>{P("report.pdf")}));
}

TEST_F(DocumentsSearch, AMemberIsViewedAsItsTextWithItsHitsAndItsOwnStamp) {
    for (const std::string& path : {P("memo.docx"), P("a.zip//docs/report.txt"), P("nest.zip//n2.zip//l2.txt")}) {
        TSearchCFG view = Cfg("revenue");
        view.SearchFilesMask = path;
        Run(view, 2, RunMode::Open);
        ASSERT_EQ(view.FoundFiles.size(), 1u) << path;
        ASSERT_FALSE(view.Hits.empty()) << path;
        ViewFile file(path, true);
        ASSERT_TRUE(file.IsOpen()) << path;
        char word[7] = {};
        EXPECT_EQ(file.ReadAt(view.Hits.front().offset, word, 7), 7u);
        EXPECT_EQ(std::string(word, 7), "revenue") << path;
    }
    TSearchCFG view = Cfg("revenue");
    view.SearchFilesMask = P("b.tar.gz//t/in.txt");
    Run(view, 1, RunMode::Open);
    ASSERT_EQ(view.FoundFiles.size(), 1u);
    EXPECT_EQ(view.FoundFiles[0].size, 27u);
    EXPECT_EQ(view.FoundFiles[0].date, DosStampFromTime(1700000000).date);
}

// The last texts made are kept for the next reader of the same file, never
// for a file changed since, and each reader reads its own copy.
TEST_F(DocumentsSearch, AKeptTextIsTheFileAsItIsNow) {
    auto text = [](ByteSource& source) {
        std::string bytes(4096, '\0');
        bytes.resize(source.ReadAt(0, bytes.data(), bytes.size()));
        return bytes;
    };
    for (const std::string& path : {P("report.pdf"), P("b.tar.gz//t/in.txt")}) {
        ViewFile first(path, true), second(path, true);
        const std::string before = text(first);
        EXPECT_NE(before.find("quarterly revenue"), std::string::npos) << path;
        EXPECT_EQ(text(second), before) << path;
        TSearchCFG scan = Cfg("revenue");
        scan.SearchFilesMask = path;
        Run(scan, 1, RunMode::Open);
        EXPECT_EQ(scan.FoundFiles.size(), 1u) << path;
    }
    Put(P("report.pdf"), MakePdf({"now other words"}));
    ViewFile changed(P("report.pdf"), true);
    EXPECT_EQ(text(changed).find("quarterly"), std::string::npos);
    EXPECT_NE(text(changed).find("now other words"), std::string::npos);
    Python("import tarfile, io\n"
           "data = b'a new tar member\\n'\n"
           "with tarfile.open('" + P("b.tar.gz") + "', 'w:gz') as t:\n"
           "    info = tarfile.TarInfo('t/in.txt'); info.size = len(data)\n"
           "    t.addfile(info, io.BytesIO(data))\n");
    ViewFile member(P("b.tar.gz//t/in.txt"), true);
    EXPECT_EQ(text(member), "a new tar member\n");
}

TEST_F(DocumentsSearch, AProjectOfMembersLoadsBackAndRefinesOverTheMembersAsTheyAreNow) {
    TSearchCFG cfg = Cfg("quarterly+revenue");
    Run(cfg, 2);
    const std::string project = P("found.QRV");
    EXPECT_TRUE(SaveProject(project, cfg).empty());
    TSearchCFG loaded;
    LoadProject(project, loaded);
    ASSERT_EQ(loaded.FoundFiles.size(), cfg.FoundFiles.size());
    EXPECT_EQ(loaded.SearchDocuments, 1u);

    // The docs member changes size, the passwd member goes: the archive is read anew.
    Python("import zipfile\n" + kPut +
           "with zipfile.ZipFile('" + P("a.zip") + "', 'w') as z:\n"
           "    put(z, 'docs/report.txt', 'the quarterly revenue rose, and rose again\\n')\n"
           "    put(z, '/abs/top.txt', 'absolute quarterly revenue\\n')\n"
           "    put(z, '.hidden.txt', 'hidden quarterly revenue\\n')\n");
    loaded.DeriveWindows(TodayDosDate());
    loaded.SearchRefined = 1;
    loaded.SearchString = "rose";
    for (unsigned threads : {1u, 3u}) {
        TSearchCFG refined = loaded;
        const std::vector<std::string> told = Run(refined, threads);
        EXPECT_EQ(Lines(told, "row"), (std::vector<std::string>{P("a.zip//docs/report.txt"),
                                                                 P("cut.zip//docs/report.txt")}))
            << threads;
        EXPECT_EQ(Lines(told, "message"),
                  (std::vector<std::string>{"File is changed:\n" + P("a.zip//docs/report.txt"),
                                            "File not found:\n" + P("a.zip//etc/passwd")}))
            << threads;
    }
    // An old project, without the setting, searches files as their bytes.
    const std::string text = Get(project);
    const std::size_t key = text.find("SearchDocuments=1\r\n");
    ASSERT_NE(key, std::string::npos);
    TSearchCFG old;
    old.SetDefaults();
    LoadProjectText(text.substr(0, key) + text.substr(key + 19), project, old);
    EXPECT_EQ(old.SearchDocuments, 0u);
}

TEST_F(DocumentsSearch, AMemberHandedToAProgramIsCopiedIntoThePrivateFolderWhateverItsStoredName) {
    const std::string base = PrivateTemporaryFolder();
    ASSERT_FALSE(base.empty());
    struct stat st {};
    ASSERT_EQ(::stat(base.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::vector<std::string> copies;
    for (const char* member : {"etc/passwd", "abs/top.txt", "docs/report.txt", "docs/report.txt"}) {
        const HandedOver handed = PathToHandOver(P("a.zip//") + member);
        ASSERT_TRUE(handed.failure.empty()) << handed.failure;
        // In a folder of its own right below the private one, by the member's own name.
        EXPECT_EQ(handed.path.rfind(base + "/", 0), 0u) << handed.path;
        EXPECT_EQ(std::count(handed.path.begin() + base.size(), handed.path.end(), '/'), 2) << handed.path;
        EXPECT_EQ(std::filesystem::path(handed.path).filename(), std::filesystem::path(member).filename());
        copies.push_back(handed.path);
    }
    EXPECT_EQ(Get(copies[0]), "root quarterly revenue\n");
    EXPECT_NE(copies[2], copies[3]);  // a second copy never overwrites the first one handed over
    // A file is handed over as it is; a member that is not there, not at all.
    EXPECT_EQ(PathToHandOver(P("plain.txt")).path, P("plain.txt"));
    EXPECT_FALSE(PathToHandOver(P("a.zip//no/such.txt")).failure.empty());
    RemovePrivateTemporaryFolder();
    EXPECT_NE(::stat(base.c_str(), &st), 0);
    EXPECT_NE(::stat(copies[0].c_str(), &st), 0);
}

}  // namespace
}  // namespace quarvel
