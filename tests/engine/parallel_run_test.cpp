// A run that decides its files on several threads against the same run on
// one: over random trees, expressions and options, with files that vanish,
// change or cannot be opened, the two must tell exactly the same, and a run
// stopped at any moment must have committed a beginning of the full result.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "search/search_run.h"
#include "tests/engine/run_test_support.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// Everything a run tells and leaves behind, as one text to compare.
struct Told : RecordingObserver {
    std::vector<std::string> order;  // rows, messages and questions, as they came
    AbortRetryIgnore answer = AbortRetryIgnore::Ignore;
    int retries = 0;            // Retry answers left before the answer above
    std::size_t stopAtRow = 0;  // asks the run to stop as this row comes (0: never)
    SearchRun* run = nullptr;

    void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override {
        RecordingObserver::ShowMessage(text, caption, kind);
        order.push_back("message " + text);
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text, const std::string& path,
                                         const std::string& reason) override {
        RecordingObserver::AskAbortRetryIgnore(caption, text, path, reason);
        order.push_back("ask " + caption + " " + path);
        if (retries > 0) {
            --retries;
            return AbortRetryIgnore::Retry;
        }
        return answer;
    }
    void FolderSkipped(const std::string& folder, const std::string& reason) override {
        order.push_back("skipped " + folder + " " + reason);
    }
    void AddFoundRow(const TSaveFile& f) override {
        order.push_back("row " + f.Path());
        if (stopAtRow != 0 && order.size() >= stopAtRow && run) run->RequestCancel();
    }
};

std::string Outcome(const Told& told, const TSearchCFG& cfg, RunResult result) {
    std::string text = result == RunResult::Ok ? "ok\n" : "cancel\n";
    for (const std::string& line : told.order) text += line + "\n";
    for (const TSaveFile& f : cfg.FoundFiles)
        text += "found " + f.Path() + " " + std::to_string(f.size) + " " + std::to_string(f.date) + " " +
                std::to_string(f.time) + " " + std::to_string(f.group) + "\n";
    char stats[128];
    std::snprintf(stats, sizeof stats, "GFiles %u GSizeFiles %.0f read %.0f\n", cfg.GFiles, cfg.GSizeFiles,
                  cfg.GSizeFilesCurrent);
    return text + stats;
}

class ParallelRun : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text) {
        fs::create_directories((fs::path(folder_.Path()) / name).parent_path());
        std::ofstream(folder_.Path() + "/" + name, std::ios::binary) << text;
    }

    // A tree of text files shaped like real ones, words from a small vocabulary.
    void MakeTree(std::mt19937& random, int files) {
        static const char* const kWords[] = {"cat", "dog", "Cat", "bird", "fish", "caf\xC3\xA9", "na\xEFve", "end"};
        static const char* const kFolders[] = {"", "a/", "a/b/", "c/", ".hidden/"};
        static const char* const kNames[] = {".txt", ".c", ".md", ".QRV.txt"};
        for (int i = 0; i < files; ++i) {
            std::string text;
            const int words = static_cast<int>(random() % 40);
            for (int w = 0; w < words; ++w) {
                text += kWords[random() % 8];
                const unsigned gap = random() % 12;
                text += gap == 0 ? "\n" : gap == 1 ? ". " : gap == 2 ? "\f" : " ";
            }
            Write(std::string(kFolders[random() % 5]) + "f" + std::to_string(i) + kNames[random() % 4], text);
        }
    }

    TSearchCFG Settings(std::mt19937& random) const {
        static const char* const kExpressions[] = {"cat", "cat+dog", "cat|fish", "cat+-dog", "(bird|fish)+end",
                                                   "caf\xC3\xA9", "\"cat dog\"", "-zebra", "dog+(cat|-bird)"};
        static const char* const kMasks[] = {"*.*", "*.txt", "*.txt,*.c", "*.*,-f1*", "a/*.*,*.md,a/*.*"};
        TSearchCFG cfg;
        cfg.SetDefaults();
        cfg.SearchDefaultPath = folder_.Path();
        cfg.SearchFilesMask = kMasks[random() % 5];
        cfg.SearchString = kExpressions[random() % 9];
        cfg.SearchIncludeSubDir = random() % 4 != 0;
        cfg.SearchIgnoreCase = random() % 2;
        cfg.SearchWholeWord = random() % 3 == 0;
        cfg.SearchIncludeHidden = random() % 2;
        cfg.SearchWithin = static_cast<std::uint32_t>(random() % 4);
        cfg.SetReadings(1 + static_cast<std::uint32_t>(random() % 7));
        cfg.DeriveWindows(TodayDosDate());
        return cfg;
    }

    std::string RunWith(const TSearchCFG& settings, unsigned threads, Told& told, const TSaveFileArray* previous = nullptr) {
        TSearchCFG cfg = settings;
        if (previous) {
            cfg.FoundFiles = *previous;
            cfg.SearchRefined = 1;
        }
        std::unique_ptr<Tstr> query;
        SearchRun run(cfg, query, told, RunMode::Search, threads);
        told.run = &run;
        const RunResult result = run.Run();
        return Outcome(told, cfg, result);
    }

    TempFolder folder_{"quarvel-parallel"};
};

TEST_F(ParallelRun, TellsWhatOneThreadTellsOverRandomTreesAndSearches) {
    std::mt19937 random(20261210);
    int compared = 0;
    for (int tree = 0; tree < 12; ++tree) {
        fs::remove_all(folder_.Path());
        fs::create_directories(folder_.Path());
        MakeTree(random, 20 + static_cast<int>(random() % 200));
        for (int search = 0; search < 12; ++search) {
            const TSearchCFG settings = Settings(random);
            Told one;
            const std::string expected = RunWith(settings, 1, one);
            for (unsigned threads : {2u, 3u, 8u}) {
                Told many;
                ASSERT_EQ(RunWith(settings, threads, many), expected)
                    << "tree " << tree << ", " << settings.SearchFilesMask << " " << settings.SearchString << ", "
                    << threads << " threads";
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 12 * 12 * 3);
}

// A refined run over files since removed, changed or made unreadable: the
// messages and questions come in the same order, Retry reads the file again,
// and Abort stops both runs at the same file.
TEST_F(ParallelRun, VanishedChangedAndUnreadableFilesAreToldInOrder) {
    std::mt19937 random(7);
    MakeTree(random, 300);
    TSearchCFG settings = Settings(random);
    settings.SearchFilesMask = "*.*";
    settings.SearchString = "-zebra";  // every file
    settings.SearchIncludeSubDir = 1;
    settings.SearchIncludeHidden = 1;
    Told first;
    RunWith(settings, 1, first);
    TSearchCFG found = settings;
    {
        std::unique_ptr<Tstr> query;
        Told quiet;
        SearchRun(found, query, quiet, RunMode::Search).Run();
    }
    ASSERT_GT(found.FoundFiles.size(), 200u);
    const TSaveFileArray previous = found.FoundFiles;
    for (std::size_t i = 0; i < previous.size(); i += 7) fs::remove(previous[i].Path());
    for (std::size_t i = 3; i < previous.size(); i += 11) std::ofstream(previous[i].Path(), std::ios::app) << "more";
    for (std::size_t i = 5; i < previous.size(); i += 13) ::chmod(previous[i].Path().c_str(), 0);
    settings.SearchString = "cat|-cat";

    // As nobody when the tests run as root, so that the files made unreadable are.
    ::chmod(folder_.Path().c_str(), 0755);
    AsUnprivilegedUser nobody;
    for (const AbortRetryIgnore answer : {AbortRetryIgnore::Ignore, AbortRetryIgnore::Abort}) {
        Told one;
        one.answer = answer;
        one.retries = 2;
        const std::string expected = RunWith(settings, 1, one, &previous);
        if (nobody.Dropped() || ::geteuid() != 0) {
            ASSERT_NE(expected.find("ask Error open file"), std::string::npos) << expected;
        }
        ASSERT_NE(expected.find("message File not found:"), std::string::npos);
        ASSERT_NE(expected.find("message File is changed:"), std::string::npos);
        for (unsigned threads : {2u, 4u}) {
            Told many;
            many.answer = answer;
            many.retries = 2;
            EXPECT_EQ(RunWith(settings, threads, many, &previous), expected) << threads << " threads";
        }
    }
}

// Stopped as a row comes, or from another thread at any moment, a run has
// committed a beginning of what the whole run finds.
TEST_F(ParallelRun, AStoppedRunHasCommittedABeginningOfTheWholeResult) {
    std::mt19937 random(99);
    MakeTree(random, 600);
    TSearchCFG settings = Settings(random);
    settings.SearchFilesMask = "*.*";
    settings.SearchString = "cat|dog";
    settings.SearchIncludeSubDir = 1;
    Told whole;
    RunWith(settings, 1, whole);
    ASSERT_GT(whole.order.size(), 100u);
    auto isBeginning = [&](const Told& told) {
        return told.order.size() <= whole.order.size() &&
               std::equal(told.order.begin(), told.order.end(), whole.order.begin());
    };
    for (unsigned threads : {1u, 2u, 5u}) {
        for (std::size_t at : {1ul, 17ul, 80ul}) {
            Told stopped;
            stopped.stopAtRow = at;
            RunWith(settings, threads, stopped);
            // On one thread the run stops at once; on several, the files
            // decided already come after the one that stopped it.
            if (threads == 1) {
                EXPECT_EQ(stopped.order.size(), at);
            }
            EXPECT_GE(stopped.order.size(), at) << threads << " threads";
            EXPECT_TRUE(isBeginning(stopped)) << threads << " threads";
        }
        for (int delay : {0, 50, 300, 2000, 8000}) {
            Told stopped;
            TSearchCFG cfg = settings;
            std::unique_ptr<Tstr> query;
            SearchRun run(cfg, query, stopped, RunMode::Search, threads);
            std::thread stopper([&] {
                std::this_thread::sleep_for(std::chrono::microseconds(delay));
                run.RequestCancel();
            });
            run.Run();
            stopper.join();
            // The closing message of a stopped run depends on when it stopped.
            while (!stopped.order.empty() && stopped.order.back().rfind("message ", 0) == 0) stopped.order.pop_back();
            EXPECT_TRUE(isBeginning(stopped)) << threads << " threads, " << delay << " us";
        }
    }
}

}  // namespace
}  // namespace quarvel
