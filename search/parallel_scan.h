#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/cancel_flag.h"
#include "search/candidate_scan.h"
#include "search/file_selection.h"
#include "settings/search_cfg.h"

namespace quarvel {

// The candidates of a Search-mode run, decided on several threads. Workers
// check and scan them in any order, at most a window of them ahead of the
// one to be committed next, so that memory stays bounded whatever waits
// behind a slow file; Next hands the outcomes back in the candidates' order,
// to the one thread that commits them.
class ParallelScan : public SelectionSink {
public:
    // Outcomes are committed only once the walk is done, so that the walk's
    // messages come first as they do on one thread: the window holds what
    // the workers decide meanwhile.
    static constexpr std::size_t kWindow = 65536;
    // A worker takes up to this many candidates at a time, and gives their
    // outcomes back together: the threads then meet once per batch, not per file.
    static constexpr std::size_t kBatch = 64;
    static constexpr auto kIdlePeriod = std::chrono::milliseconds(40);

    // The settings and the query are only read, by every worker, and must
    // outlive the scan.
    ParallelScan(const TSearchCFG& cfg, const Tstr& query, const CancelFlag& cancel, unsigned threads);
    // Stops the workers (a scan in progress stops at its next block when the
    // run is cancelled) and waits for them.
    ~ParallelScan() override;
    ParallelScan(const ParallelScan&) = delete;
    ParallelScan& operator=(const ParallelScan&) = delete;

    // The candidates, in the order of the search list; Close says that no more come.
    // statLater: the record has no stat yet; its check fills it in.
    void Add(const TSaveFile& record, bool statLater = false);
    void Selected(const TSaveFile& record, bool statLater) override { Add(record, statLater); }
    void Close();

    // The next candidate in order and what its check and scan came to. idle
    // is called about every kIdlePeriod, also while it waits. False when no
    // candidate is left; once the run is cancelled, when the next one is not
    // decided yet.
    bool Next(TSaveFile& record, CandidateOutcome& outcome, const std::function<void()>& idle);

    // For the progress line only: the bytes read until now, and the file a
    // worker took last.
    std::uint64_t BytesRead() const;
    TSaveFile LastTaken();

private:
    struct Slot {
        bool done = false;
        bool statLater = false;
        TSaveFile record;
        CandidateOutcome outcome;
    };
    struct Waiting {
        TSaveFile record;
        bool statLater;
    };
    // Adds the bytes of the file a worker reads to the run's count as they come.
    class ByteCounter : public ScanObserver {
    public:
        explicit ByteCounter(std::atomic<std::int64_t>& total) : total_(total) {}
        void FileProgress(std::uint64_t bytes) override;
        // The file is done: it counts its whole size when it was read, else nothing.
        void FileDone(std::uint64_t size);

    private:
        std::atomic<std::int64_t>& total_;
        std::uint64_t told_ = 0;
    };

    void Work();
    bool NothingLeft() const;
    // Moves the outcomes ready in order from the window to ready_; false when none is.
    bool TakeReady();

    const TSearchCFG& cfg_;
    const Tstr& query_;
    const CancelFlag& cancel_;
    const std::size_t threads_;

    std::mutex mutex_;
    std::condition_variable workReady_, outcomeReady_;
    // Guarded by mutex_:
    std::deque<Waiting> waiting_;  // candidates no worker has taken yet
    bool closed_ = false;
    bool stopping_ = false;
    std::size_t taken_ = 0;      // candidates taken by workers
    std::size_t handedOut_ = 0;  // candidates whose outcome left the window
    unsigned waitingWorkers_ = 0;
    bool committerWaits_ = false;
    std::deque<Slot> window_;  // candidate handedOut_ + k's outcome waits at k
    TSaveFile lastTaken_;

    // The committer's own: outcomes taken from the window, handed out one by one.
    std::vector<Slot> ready_;
    std::size_t readyAt_ = 0;

    std::atomic<std::int64_t> bytesRead_{0};
    std::chrono::steady_clock::time_point lastIdle_;
    std::vector<std::thread> workers_;
    std::unique_ptr<MemberFilter> documents_;  // when documents and archives are searched inside
};

}  // namespace quarvel
