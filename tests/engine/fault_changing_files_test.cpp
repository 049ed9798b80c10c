// Files that change under the program: shrunk, grown, emptied, removed or
// replaced between the selection and the scan, while they are scanned, or
// while the viewer shows them. The run and the viewer go on with what can be
// read, never read past it, and tell the user of a file that is gone.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/file_bytes.h"
#include "platform/clock.h"
#include "search/search_run.h"
#include "search/status_path.h"
#include "tests/engine/run_test_support.h"
#include "tests/temp_folder.h"
#include "viewer/view_file.h"
#include "viewer/view_model.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// The original text: "alpha" first, many lines, "omega" last.
std::string Original() {
    std::string text = "alpha first\n";
    for (int i = 0; i < 20000; ++i) text += "filler line " + std::to_string(i) + "\n";
    return text + "omega last\n";
}

// Runs a hook the moment the scan of one file begins: the file is open, nothing is read yet.
struct ChangingObserver : RecordingObserver {
    std::string watched;  // the status text of the watched file
    std::function<void()> onScan;
    void SetStatusText(const std::string& text) override {
        RecordingObserver::SetStatusText(text);
        if (text == watched && onScan) std::exchange(onScan, nullptr)();
    }
};

struct Change {
    const char* what;
    std::function<void(const std::string& path)> apply;
    bool stillHoldsOmega;  // what an open descriptor reads afterwards
    bool keepsOldBytes;    // an open descriptor still reads the original bytes
};

const std::vector<Change>& Changes() {
    static const std::vector<Change> changes = {
        {"shrunk", [](const std::string& p) { fs::resize_file(p, 12); }, false, false},
        {"emptied", [](const std::string& p) { fs::resize_file(p, 0); }, false, false},
        {"grown", [](const std::string& p) { std::ofstream(p, std::ios::app) << "zeta grown\n"; }, true, false},
        {"grown into a hole", [](const std::string& p) { fs::resize_file(p, 8 << 20); }, true, false},
        {"removed", [](const std::string& p) { fs::remove(p); }, true, true},
        {"replaced by another file",
         [](const std::string& p) {
             Put(p + ".new", "another file\n");
             fs::rename(p + ".new", p);
         },
         true, true},
        {"rewritten shorter in place", [](const std::string& p) { Put(p, "short\n"); }, false, false},
    };
    return changes;
}

const std::vector<std::string> kBoth = {"changing.txt", "steady.txt"}, kSteady = {"steady.txt"};

class FaultChangingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        // Own files are scanned before those of sub-folders: the steady file first.
        fs::create_directory(root_.Path() + "/sub");
        path_ = root_.Path() + "/sub/changing.txt";
        Put(path_, Original());
        Put(root_.Path() + "/steady.txt", "omega steady\n");
        cfg_.SetDefaults();
        cfg_.SearchDefaultPath = root_.Path();
        cfg_.SearchFilesMask = "*.txt";
        cfg_.SearchIncludeSubDir = 1;
        cfg_.SearchWithin = kWithinLine;
        cfg_.DeriveWindows(TodayDosDate());
        observer_.watched = ShortenStatusPath(path_);
    }
    std::vector<std::string> Found() const {
        std::vector<std::string> names;
        for (const TSaveFile& f : cfg_.FoundFiles) names.push_back(f.name.str());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder root_{"qv-changing"};
    std::string path_;
    TSearchCFG cfg_;
    std::unique_ptr<Tstr> query_;
    ChangingObserver observer_;
};

// Changed while it is scanned: the scan takes what the open file gives, to its end.
TEST_F(FaultChangingFiles, ASearchScansWhatTheOpenFileHoldsAndEnds) {
    for (const Change& c : Changes()) {
        SCOPED_TRACE(c.what);
        Put(path_, Original());
        observer_.Forget();
        observer_.onScan = [&] { c.apply(path_); };
        cfg_.SearchString = "omega";
        ASSERT_EQ(SearchRun(cfg_, query_, observer_, RunMode::Search).Run(), RunResult::Ok);
        EXPECT_FALSE(observer_.onScan) << "the scan of the file began";
        EXPECT_EQ(Found(), (c.stillHoldsOmega ? kBoth : kSteady));
        EXPECT_TRUE(observer_.failures.empty());
        EXPECT_TRUE(observer_.messages.empty()) << ::testing::PrintToString(observer_.messages);
    }
}

// Changed between the selection and the scan: a changed file is told and
// scanned as it is now; a file that is gone, or no longer a regular file,
// is an error that names it, and nothing else is scanned in its place.
TEST_F(FaultChangingFiles, ASearchTellsOfFilesChangedOrGoneSinceTheyWereSelected) {
    struct Case {
        const char* what;
        std::function<void()> apply;
        std::string message;
        bool found;
    };
    const std::string changed = "File is changed:\n" + path_, gone = "File not found:\n" + path_;
    const Case cases[] = {
        {"shrunk", [&] { fs::resize_file(path_, 12); }, changed, false},
        {"grown", [&] { std::ofstream(path_, std::ios::app) << "more\n"; }, changed, true},
        {"removed", [&] { fs::remove(path_); }, gone, false},
        {"replaced by a folder", [&] { fs::remove(path_), fs::create_directory(path_); }, gone, false},
        {"replaced by a pipe", [&] { fs::remove(path_), ::mkfifo(path_.c_str(), 0600); }, gone, false},
        {"replaced by a link to an endless device",
         [&] { fs::remove(path_), fs::create_symlink("/dev/zero", path_); }, gone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(path_);
        Put(path_, Original());
        // The change comes as the steady file's scan begins.
        bool done = false;
        observer_.Forget();
        observer_.watched = ShortenStatusPath(root_.Path() + "/steady.txt");
        observer_.onScan = [&] { c.apply(), done = true; };
        cfg_.SearchString = "omega";
        ASSERT_EQ(SearchRun(cfg_, query_, observer_, RunMode::Search).Run(), RunResult::Ok);
        observer_.watched = ShortenStatusPath(path_);
        ASSERT_TRUE(done);
        EXPECT_EQ(Found(), (c.found ? kBoth : kSteady));
        ASSERT_EQ(observer_.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(observer_.kinds[0], c.message == gone ? MessageKind::Error : MessageKind::Notice);
    }
}

// Every step of the viewer over what it can read now: rows past the end are
// empty, the steps end, a selection holds only bytes that exist.
void ExerciseViewer(ViewModel& model, const std::string& readable) {
    model.SetWindowSize(80, 25);
    for (bool wrap : {false, true}) {
        model.SetWrap(wrap);
        model.Scroll(ScrollStep::Top);
        for (const ViewRow& row : model.ReadRows(25)) {
            ASSERT_LE(row.start, row.end);
            ASSERT_LE(row.end, std::max<std::uint64_t>(readable.size(), row.start)) << "no row past the end";
        }
        model.Scroll(ScrollStep::Bottom);
        // The size found by the selection, or the end of a line the scan saw beyond it.
        EXPECT_LE(model.TopOffset(), std::max<std::uint64_t>(model.FileSize(), readable.size()));
        for (const ViewRow& row : model.ReadRows(25))
            if (row.start >= readable.size()) {
                EXPECT_EQ(row.text, "");
            }
        model.Scroll(ScrollStep::PageUp);
        model.Scroll(ScrollStep::Thumb, kScrollRange / 2);
        model.Scroll(ScrollStep::Top);
        std::size_t steps = 0;
        while (model.NextHit()) ASSERT_LE(++steps, model.Record().Hits.size());
        model.ReadRows(25);
        steps = 0;
        while (model.PrevHit()) ASSERT_LE(++steps, model.Record().Hits.size());
        EXPECT_NE(model.Caption().find(" (line:"), std::string::npos);
        model.SelectAll();
        const std::string selected = model.SelectedBytes();
        EXPECT_EQ(selected, readable.substr(0, std::min<std::size_t>(readable.size(), model.FileSize())));
        model.Select(model.OffsetAt(3, 2), model.OffsetAt(70, 20));
        EXPECT_LE(model.SelectedBytes().size(), readable.size());
        model.SelectionSpans(25);
    }
}

// Changed while the View command's run scans it: the line table and hits
// stay within what was read, and the viewer works over it.
TEST_F(FaultChangingFiles, TheViewersScanTakesWhatItReadsAndTheViewerWorksOverIt) {
    for (const Change& c : Changes()) {
        SCOPED_TRACE(c.what);
        Put(path_, Original());
        TSearchCFG view = cfg_;
        view.SearchFilesMask = path_;
        view.SearchIncludeSubDir = 0;
        view.SearchString = "alpha|omega|zeta";
        std::unique_ptr<Tstr> query;
        observer_.Forget();
        observer_.onScan = [&] { c.apply(path_); };
        // A file removed once it was opened is scanned as it was; one left
        // without any of the words is told so, and not viewed.
        const RunResult result = SearchRun(view, query, observer_, RunMode::Open).Run();
        EXPECT_FALSE(observer_.onScan);
        const std::string scanned = c.keepsOldBytes ? Original() : Get(path_);
        const bool words = scanned.find("alpha") != std::string::npos || scanned.find("omega") != std::string::npos;
        if (!words) {
            EXPECT_EQ(result, RunResult::Cancel);
            EXPECT_EQ(observer_.messages, std::vector<std::string>{"String(s) not found"});
            continue;
        }
        ASSERT_EQ(result, RunResult::Ok) << ::testing::PrintToString(observer_.messages);
        for (std::uint64_t start : view.LineStarts) ASSERT_LE(start, scanned.size());
        for (const TSaveElem& hit : view.Hits) ASSERT_LT(hit.offset, scanned.size());
        const bool omega = std::any_of(view.Hits.begin(), view.Hits.end(), [](const TSaveElem& h) { return h.word == 1; });
        EXPECT_EQ(omega, c.stillHoldsOmega);
        // The viewer opens the file anew: what is at the path now, if anything.
        ViewFile file(view.FoundFiles.at(0).Path());
        EXPECT_EQ(file.IsOpen(), fs::exists(path_));
        ViewModel model(view, query.get(), file);
        ExerciseViewer(model, file.IsOpen() ? Get(path_) : std::string());
    }
}

// Changed while the viewer shows it: the viewer reads the file it opened as
// that file is now, and never more than its size when it was found.
TEST_F(FaultChangingFiles, TheViewerKeepsWorkingOverAFileChangedUnderIt) {
    for (const Change& c : Changes()) {
        SCOPED_TRACE(c.what);
        Put(path_, Original());
        TSearchCFG view = cfg_;
        view.SearchFilesMask = path_;
        view.SearchIncludeSubDir = 0;
        view.SearchString = "alpha|omega";
        std::unique_ptr<Tstr> query;
        observer_.Forget();
        ASSERT_EQ(SearchRun(view, query, observer_, RunMode::Open).Run(), RunResult::Ok);
        ASSERT_EQ(view.Hits.size(), 6u) << "both words in the three readings";
        ViewFile file(path_);
        ASSERT_TRUE(file.IsOpen());
        ViewModel model(view, query.get(), file);
        model.SetWindowSize(80, 25);
        model.Scroll(ScrollStep::Thumb, kScrollRange / 3);
        c.apply(path_);
        // The open file: the same one when it was removed or renamed over, else as it is now.
        ExerciseViewer(model, c.keepsOldBytes ? Original() : Get(path_));
    }
}

}  // namespace
}  // namespace quarvel
