#include "search/hit_pass.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/error.h"

namespace quarvel {

HitPass::HitPass(const TSearchCFG& cfg, const Tstr& query, const CancelFlag& cancel, unsigned threads)
    : cfg_(cfg), query_(query), cancel_(cancel), threads_(std::max(1u, threads)) {}

FileHitCount HitPass::Count(const TSaveFile& file, MatchEngine& engine) const {
    FileHitCount count;
    try {
        engine.Scan(file.folder, file.name);
    } catch (const QuarvelError&) {
        return count;  // gone or unreadable since: no count
    }
    if (cancel_) return count;
    const FileScan& scan = engine.Result();
    count.counted = true;
    count.hits = CountHits(scan.hits);
    if (extra_) count.extra = extra_(file, scan);
    return count;
}

std::size_t HitPass::Run(const TSaveFileArray& files, const Done& done) {
    std::mutex mutex;
    std::condition_variable ready, room;
    std::vector<std::optional<FileHitCount>> slots(kWindow);
    std::size_t next = 0, told = 0;
    bool stop = false;
    ScanObserver quiet;

    auto work = [&] {
        MatchEngine engine(cfg_, query_, quiet, cancel_);
        engine.SetCollectHits(true);
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            room.wait(lock, [&] { return stop || next >= files.size() || next < told + kWindow; });
            if (stop || next >= files.size()) return;
            const std::size_t index = next++;
            lock.unlock();
            FileHitCount count = Count(files[index], engine);
            lock.lock();
            slots[index % kWindow] = std::move(count);
            if (index == told) ready.notify_one();
        }
    };
    const std::size_t workers = std::min<std::size_t>(threads_, std::max<std::size_t>(1, files.size()));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < workers; ++i) threads.emplace_back(work);

    for (std::unique_lock<std::mutex> lock(mutex); told < files.size();) {
        // Cancel is polled: the flag has no way to wake a waiting thread.
        if (!ready.wait_for(lock, std::chrono::milliseconds(20), [&] { return slots[told % kWindow].has_value(); })) {
            if (idle_) {
                lock.unlock();
                idle_();
                lock.lock();
            }
            if (cancel_) break;
            continue;
        }
        if (cancel_) break;
        FileHitCount count = std::move(*slots[told % kWindow]);
        slots[told % kWindow].reset();
        const std::size_t index = told++;
        room.notify_all();
        lock.unlock();
        done(index, count);
        lock.lock();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    room.notify_all();
    for (std::thread& t : threads) t.join();
    return told;
}

}  // namespace quarvel
