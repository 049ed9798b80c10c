// The work that goes on beside the main window: the hit pass over a search's
// found files and the preview's scans, each on threads of its own, asked
// and stopped from the window's thread at any moment.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "search/background_hits.h"
#include "tests/temp_folder.h"
#include "viewer/preview_worker.h"

namespace quarvel {
namespace {

class BackgroundWork : public ::testing::Test {
protected:
    BackgroundWork() : folder_("quarvel-background") {
        cfg_.SetDefaults();
        cfg_.SearchWithin = kWithinLine;
        cfg_.SearchString = "alpha";
        for (int i = 0; i < 300; ++i) {
            std::string text;
            for (int k = 0; k <= i % 7; ++k) text += "alpha " + std::string(static_cast<std::size_t>(k), 'x') + "\n";
            const std::string name = "f" + std::to_string(i) + ".txt";
            std::ofstream(folder_.Path() + "/" + name) << text;
            TSaveFile f;
            f.folder = folder_.Path();
            f.name = name;
            cfg_.FoundFiles.push_back(f);
        }
    }
    std::string PathOf(int i) const { return folder_.Path() + "/f" + std::to_string(i) + ".txt"; }

    TempFolder folder_;
    TSearchCFG cfg_;
};

TEST_F(BackgroundWork, TheHitPassCountsEveryFileAndStopsAndStartsAgainAtAnyMoment) {
    BackgroundHits pass;
    std::vector<std::optional<std::uint64_t>> counts;
    // Started over and over, and stopped, before it could end: no count of a
    // pass left behind reaches the next one's list.
    for (int round = 0; round < 20; ++round) {
        pass.Start(std::make_shared<const SearchSnapshot>(cfg_), 3);
        pass.Read(counts);
        if (round % 3 == 0) pass.Stop();
    }
    pass.Start(std::make_shared<const SearchSnapshot>(cfg_), 3);
    BackgroundHits::Progress progress;
    for (int i = 0; i < 500 && (progress = pass.Read(counts)).running; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(progress.running);
    ASSERT_EQ(counts.size(), 300u);
    std::uint64_t total = 0;
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(counts[i].has_value()) << i;
        EXPECT_EQ(*counts[i], static_cast<std::uint64_t>(i % 7 + 1)) << i;
        total += *counts[i];
    }
    EXPECT_EQ(progress.hits, total);
    EXPECT_EQ(progress.counted, 300u);
    // An expression that does not compile counts nothing, and says it is not running.
    TSearchCFG broken = cfg_;
    broken.SearchString = "(alpha";
    pass.Start(std::make_shared<const SearchSnapshot>(broken), 2);
    progress = pass.Read(counts);
    EXPECT_FALSE(progress.running);
    EXPECT_EQ(progress.counted, 0u);
    EXPECT_FALSE(counts[0].has_value());
}

TEST_F(BackgroundWork, ThePreviewTellsOnlyOfTheFileAskedForLast) {
    std::mutex mutex;
    std::condition_variable told;
    std::map<std::uint64_t, HitLines> done;
    PreviewWorker worker(HitLinesLayout{}, [&](std::uint64_t request, const HitLines& lines, bool end) {
        std::lock_guard<std::mutex> lock(mutex);
        if (end) done[request] = lines;
        told.notify_all();
    });
    worker.SetSearch(std::make_shared<const SearchSnapshot>(cfg_));
    // Asked in a burst, as the arrow key moves through the list.
    std::uint64_t last = 0;
    for (int i = 0; i < 200; ++i) last = worker.Ask(PathOf(i));
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(told.wait_for(lock, std::chrono::seconds(10), [&] { return done.count(last) != 0; }));
    // The last file's lines, whatever was told of the others on the way.
    ASSERT_EQ(done[last].lines.size(), static_cast<std::size_t>(199 % 7 + 1));
    EXPECT_EQ(done[last].lines.back().line, static_cast<std::uint64_t>(199 % 7 + 1));
    for (const auto& [request, lines] : done) EXPECT_LE(request, last);
    lock.unlock();

    // A file that cannot be read is told as done with no line.
    const std::uint64_t missing = worker.Ask(folder_.Path() + "/missing.txt");
    lock.lock();
    ASSERT_TRUE(told.wait_for(lock, std::chrono::seconds(10), [&] { return done.count(missing) != 0; }));
    EXPECT_TRUE(done[missing].lines.empty());
}

}  // namespace
}  // namespace quarvel
