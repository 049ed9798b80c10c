// Awkward file names and paths, each taken the whole way: found by a search,
// shown in the list's cells, viewed (the View command's one-file run and the
// viewer's model over the file), saved to a project and opened again. Beside
// each file lie decoys where a name or path cut the wrong way would lead; a
// decoy must never be what is viewed or what a project brings back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/file_bytes.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "results/project_file.h"
#include "results/row_text.h"
#include "search/search_run.h"
#include "tests/engine/run_test_support.h"
#include "tests/temp_folder.h"
#include "viewer/view_file.h"
#include "viewer/view_model.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRealText = "hit real\n";    // the hit at offset 0
constexpr const char* kDecoyText = "decoy hit\n";  // the hit at offset 6

TSearchCFG SearchOf(const std::string& folder, const std::string& mask, bool subFolders) {
    TSearchCFG cfg;
    cfg.SetDefaults();
    cfg.SearchDefaultPath = folder;
    cfg.SearchFilesMask = mask;
    cfg.SearchIncludeSubDir = subFolders ? 1 : 0;
    cfg.SearchString = "hit";
    cfg.SearchDateFrom = cfg.SearchDateBefore = TodayDosDate();  // a project holds valid dates only
    cfg.DeriveWindows(TodayDosDate());
    return cfg;
}

// What the View command does with a row: a one-file run over a copy of the
// search, its file list the row's whole path, then the viewer's model.
struct Viewed {
    Viewed(const TSearchCFG& search, const std::string& path) : cfg(search) {
        cfg.SearchFilesMask = path;
        cfg.SearchIncludeSubDir = 0;
        result = SearchRun(cfg, query, observer, RunMode::Open).Run();
        if (result != RunResult::Ok || cfg.FoundFiles.empty()) return;
        file = std::make_unique<ViewFile>(cfg.FoundFiles[0].Path());
        model = std::make_unique<ViewModel>(cfg, query.get(), *file);
    }
    TSearchCFG cfg;
    std::unique_ptr<Tstr> query;
    RecordingObserver observer;
    RunResult result = RunResult::Cancel;
    std::unique_ptr<ViewFile> file;
    std::unique_ptr<ViewModel> model;
};

// The one file viewed is the file at path, its hits those of the real text,
// its caption and first row as they should be.
void ExpectViewsTheRealFile(const TSearchCFG& search, const std::string& path) {
    SCOPED_TRACE("View " + ::testing::PrintToString(path));
    Viewed v(search, path);
    ASSERT_EQ(v.result, RunResult::Ok) << ::testing::PrintToString(v.observer.messages);
    ASSERT_EQ(v.cfg.FoundFiles.size(), 1u) << "one file, never a decoy beside it";
    EXPECT_EQ(v.cfg.FoundFiles[0].Path(), path);
    ASSERT_FALSE(v.cfg.Hits.empty());
    EXPECT_EQ(v.cfg.Hits[0].offset, 0u) << "the hits of another file";
    ASSERT_TRUE(v.file->IsOpen());
    EXPECT_EQ(v.model->Caption(), path + " (line:1/0%)");
    EXPECT_EQ(v.model->ReadRows(1).at(0).text, "hit real");
    v.model->SelectAll();
    EXPECT_EQ(v.model->SelectedBytes(), kRealText);
}

std::vector<std::string> Paths(const TSaveFileArray& files) {
    std::vector<std::string> paths;
    for (const TSaveFile& f : files) paths.push_back(f.Path());
    return paths;
}

struct NameCase {
    const char* what;
    std::string name;
    std::vector<std::string> decoys;  // where a cut or a loose match of the name would lead
    bool projectHoldsIt;              // a record line can hold it
};

const std::vector<NameCase>& NameCases() {
    static const std::vector<NameCase> cases = {
        {"a comma, the file list's separator", "a,b.txt", {"a", "b.txt"}, false},
        {"blanks", " two  words .txt", {"two", "words .txt"}, true},
        {"a line feed", "line\nfeed.txt", {"line", "feed.txt"}, false},
        {"bytes that are no UTF-8", "bad\xff\xfe\xc3.txt", {"bad.txt"}, true},
        {"a leading dash, the exclude operator", "-dash.txt", {"dash.txt"}, true},
        {"a wildcard", "st*r.txt", {"stXr.txt", "star.txt"}, true},
        {"a question mark", "q?.txt", {"qq.txt"}, true},
        {"letters of another case than a neighbour's", "Case.TXT", {"case.txt", "CASE.txt"}, true},
        {"a project file's extension", "found.QRV", {}, true},
    };
    return cases;
}

TEST(FaultNames, EveryNameIsFoundListedViewedAndSavedWholeAndNeverADecoy) {
    TempFolder root("qv-names");
    const std::string& folder = root.Path();
    std::vector<std::string> real, decoys;
    for (const NameCase& c : NameCases()) {
        Put(folder + "/" + c.name, kRealText);
        real.push_back(folder + "/" + c.name);
        for (const std::string& d : c.decoys) {
            Put(folder + "/" + d, kDecoyText);
            decoys.push_back(folder + "/" + d);
        }
    }
    // The project file's extension makes a file a list of other files; this one lists a decoy.
    TSearchCFG listing = SearchOf(folder, "*", false);
    TSaveFile decoy;
    decoy.folder = folder;
    decoy.name = "dash.txt";
    listing.FoundFiles.push_back(decoy);
    ASSERT_TRUE(SaveProject(folder + "/found.QRV", listing).empty());
    ASSERT_TRUE(SaveProject(folder + "/list.QRV", listing).empty());

    TSearchCFG search = SearchOf(folder, "*", false);
    std::unique_ptr<Tstr> query;
    RecordingObserver observer;
    ASSERT_EQ(SearchRun(search, query, observer, RunMode::Search).Run(), RunResult::Ok);
    EXPECT_TRUE(observer.failures.empty()) << ::testing::PrintToString(observer.failures);
    const std::vector<std::string> found = Paths(search.FoundFiles);

    std::vector<std::string> leftOut;
    for (const NameCase& c : NameCases()) {
        SCOPED_TRACE(c.what);
        const std::string path = folder + "/" + c.name;
        const bool project = c.name == "found.QRV";
        if (!project) {
            // Found once, with its name and folder whole in the list's cells.
            EXPECT_EQ(std::count(found.begin(), found.end(), path), 1);
            const auto at = std::find(found.begin(), found.end(), path);
            if (at != found.end()) {
                const TSaveFile& f = search.FoundFiles[static_cast<std::size_t>(at - found.begin())];
                EXPECT_EQ(CellText(f, 0), c.name);
                EXPECT_EQ(CellText(f, 1), folder + "/");
                EXPECT_EQ(CellText(f, 2), "9");
            }
        }
        // Viewing it shows it, a project file's own bytes too.
        if (project) {
            Viewed v(search, path);
            ASSERT_EQ(v.cfg.FoundFiles.size(), 1u);
            EXPECT_EQ(v.cfg.FoundFiles[0].Path(), path) << "the project file itself, not the files it lists";
        } else {
            ExpectViewsTheRealFile(search, path);
        }
        if (!c.projectHoldsIt) leftOut.push_back(path);
    }
    // A saved project leaves out, and names, exactly the files a record line
    // cannot hold; the others open back whole, and no decoy comes with them.
    const std::string saved = folder + "/saved.qrv";
    std::vector<std::string> told = SaveProject(saved, search);
    std::sort(told.begin(), told.end());
    std::sort(leftOut.begin(), leftOut.end());
    EXPECT_EQ(told, leftOut);
    TSearchCFG loaded;
    LoadProject(saved, loaded);
    std::vector<std::string> expected;
    for (const std::string& p : found)
        if (std::find(leftOut.begin(), leftOut.end(), p) == leftOut.end()) expected.push_back(p);
    EXPECT_EQ(Paths(loaded.FoundFiles), expected);
    for (const std::string& p : Paths(loaded.FoundFiles))
        if (std::find(real.begin(), real.end(), p) != real.end()) ExpectViewsTheRealFile(loaded, p);
}

// The View command's file list is one whole path whatever the operator
// strings are: a separator or exclude operator of several characters, or one
// that is a letter of the path, cuts nothing.
TEST(FaultNames, ViewTakesTheWholePathWhateverTheOperators) {
    TempFolder root("qv-names-ops");
    const std::string folder = root.Path() + "/x;y";
    fs::create_directory(folder);
    Put(folder + "/a;;b -- c.txt", kRealText);
    for (const char* d : {"a", "b -- c.txt", " c.txt", "b"}) Put(folder + "/" + d, kDecoyText);
    Put(root.Path() + "/x", kDecoyText);
    const std::pair<const char*, const char*> operators[] = {{",", "-"}, {";", "-"}, {";;", "--"}, {"/", "x"},
                                                             {"a", "b"}, {",", "/"}, {"", ""}};
    for (const auto& [separator, notSearch] : operators) {
        SCOPED_TRACE(std::string("separator ") + separator + ", exclude " + notSearch);
        TSearchCFG search = SearchOf(root.Path(), "*", false);
        search.Operators[kOpFileSeparator] = separator;
        search.Operators[kOpFileNotSearch] = notSearch;
        ExpectViewsTheRealFile(search, folder + "/a;;b -- c.txt");
    }
}

// A file gone, or a folder where it was, is no other file: View says so.
TEST(FaultNames, ViewOfAFileThatIsGoneOpensNothingElse) {
    TempFolder root("qv-names-gone");
    Put(root.Path() + "/gone.txt", kRealText);
    Put(root.Path() + "/GONE.txt", kDecoyText);
    Put(root.Path() + "/gone.txt.bak", kDecoyText);
    const TSearchCFG search = SearchOf(root.Path(), "*", false);
    fs::remove(root.Path() + "/gone.txt");
    for (bool folderInstead : {false, true}) {
        if (folderInstead) fs::create_directory(root.Path() + "/gone.txt");
        Viewed v(search, root.Path() + "/gone.txt");
        EXPECT_EQ(v.result, RunResult::Cancel);
        EXPECT_TRUE(v.cfg.FoundFiles.empty());
        EXPECT_FALSE(v.model);
        ASSERT_FALSE(v.observer.messages.empty());
        EXPECT_EQ(v.observer.messages.back(), "File(s) not found");
    }
}

// A folder chain 200 levels deep whose path passes 260 bytes many times over,
// with a decoy file wherever the path cut at a short length would end.
TEST(FaultNames, DeepAndLongPathsAreFoundViewedAndSavedWhole) {
    TempFolder root("qv-deep");
    std::string path = root.Path();
    for (int level = 0; level < 200; ++level) {
        char name[16];
        std::snprintf(name, sizeof name, "/level-%03d", level);
        path += name;
    }
    path += "/" + std::string(120, 'n') + ".txt";
    ASSERT_GT(path.size(), 2000u);
    fs::create_directories(fs::path(path).parent_path());
    Put(path, kRealText);
    std::vector<std::string> decoys;
    for (std::size_t cut : {255u, 256u, 259u, 260u, 1023u, 1024u}) {
        std::string decoy = path.substr(0, cut);
        if (decoy.back() == '/') decoy.pop_back();
        if (fs::exists(decoy)) continue;  // a folder of the chain itself
        Put(decoy, kDecoyText);
        decoys.push_back(decoy);
    }
    ASSERT_GE(decoys.size(), 4u);

    TSearchCFG search = SearchOf(root.Path(), "*.txt", true);
    std::unique_ptr<Tstr> query;
    RecordingObserver observer;
    ASSERT_EQ(SearchRun(search, query, observer, RunMode::Search).Run(), RunResult::Ok);
    EXPECT_TRUE(observer.skipped.empty()) << ::testing::PrintToString(observer.skipped);
    EXPECT_EQ(Paths(search.FoundFiles), std::vector<std::string>{path}) << "the decoys have no .txt name";
    const TSaveFile& f = search.FoundFiles.at(0);
    EXPECT_EQ(CellText(f, 1) + CellText(f, 0), path);
    ExpectViewsTheRealFile(search, path);

    const std::string saved = root.Path() + "/deep.qrv";
    EXPECT_TRUE(SaveProject(saved, search).empty());
    TSearchCFG loaded;
    LoadProject(saved, loaded);
    EXPECT_EQ(Paths(loaded.FoundFiles), std::vector<std::string>{path});
    ExpectViewsTheRealFile(loaded, path);

    // A refined run of the loaded project checks the file at its whole path.
    loaded.SearchRefined = 1;
    loaded.DeriveWindows(TodayDosDate());
    observer.Forget();
    ASSERT_EQ(SearchRun(loaded, query, observer, RunMode::Search).Run(), RunResult::Ok);
    EXPECT_EQ(Paths(loaded.FoundFiles), std::vector<std::string>{path});
    EXPECT_TRUE(observer.messages.empty()) << ::testing::PrintToString(observer.messages);

    // Each decoy viewed is itself, never the deep file.
    for (const std::string& d : decoys) {
        Viewed v(search, d);
        ASSERT_EQ(v.cfg.FoundFiles.size(), 1u) << d;
        EXPECT_EQ(v.cfg.FoundFiles[0].Path(), d);
        EXPECT_EQ(v.cfg.Hits.at(0).offset, 6u);
    }
}

}  // namespace
}  // namespace quarvel
