#include "query/chunked_scan.h"

#include "documents/searchable_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/file_handle.h"
#include "platform/reading.h"

namespace quarvel {

namespace {

// The bytes a range's engine has taken, for the progress of the whole file.
class RangeProgress : public ScanObserver {
public:
    void FileProgress(std::uint64_t bytes) override { bytes_.store(bytes, std::memory_order_relaxed); }
    std::uint64_t Bytes() const { return bytes_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> bytes_{0};
};

}  // namespace

std::uint64_t NextUnitStart(int fd, std::uint64_t from, std::uint32_t within) {
    std::vector<unsigned char> block(64 * 1024);
    for (std::uint64_t at = from;;) {
        const ssize_t got = ::pread(fd, block.data(), block.size(), static_cast<off_t>(at));
        if (got <= 0) return 0;
        for (ssize_t i = 0; i < got; ++i)
            if (ClosesUnit(within, block[static_cast<std::size_t>(i)])) return at + static_cast<std::uint64_t>(i) + 1;
        at += static_cast<std::uint64_t>(got);
    }
}

ChunkedScan::ChunkedScan(const TSearchCFG& cfg, const Tstr& query, ScanObserver& observer, const CancelFlag& cancel,
                         unsigned threads, std::uint64_t minimumRange)
    : cfg_(cfg), query_(query), observer_(observer), cancel_(cancel), threads_(std::max(1u, threads)),
      minimumRange_(std::max<std::uint64_t>(1, minimumRange)) {}

int ChunkedScan::Scan(const std::string& folder, const std::string& name) {
    MatchEngine whole(cfg_, query_, observer_, cancel_);
    whole.SetCollectHits(true);
    auto scanWhole = [&] {
        const int satisfied = whole.Scan(folder, name);
        result_ = whole.Result();
        return satisfied;
    };
    const std::string path = folder + "/" + name;
    FileHandle file(::open(path.c_str(), kReadFlags));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || cfg_.SearchWithin == kWithinFile ||
        threads_ < 2 || query_.TermCount() == 0 || !ReadAsItIs(path, cfg_.SearchDocuments != 0))
        return scanWhole();
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t parts = std::min<std::uint64_t>(threads_, size / minimumRange_);
    if (parts < 2) return scanWhole();
    unsigned char head[4096];
    const ssize_t got = ::pread(file.get(), head, sizeof head, 0);
    const FileForm form = whole.FormOf(head, got > 0 ? static_cast<std::size_t>(got) : 0);
    // Units of a UTF-16 text close on characters, which a byte cannot tell.
    if (form.Utf16()) return scanWhole();

    std::vector<std::uint64_t> starts{0};
    for (std::uint64_t k = 1; k < parts; ++k) {
        const std::uint64_t at = NextUnitStart(file.get(), std::max(size / parts * k, starts.back()), cfg_.SearchWithin);
        if (at == 0 || at >= size) break;
        if (at > starts.back()) starts.push_back(at);
    }
    if (starts.size() < 2) return scanWhole();

    observer_.ScanStarted(path);
    const std::size_t count = starts.size();
    std::vector<FileScan> scans(count);
    std::vector<std::unique_ptr<RangeProgress>> progress;
    for (std::size_t i = 0; i < count; ++i) progress.push_back(std::make_unique<RangeProgress>());
    std::vector<std::exception_ptr> failures(count);
    std::size_t running = count;
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            try {
                FileHandle own(::open(path.c_str(), kReadFlags));
                MatchEngine engine(cfg_, query_, *progress[i], cancel_);
                engine.SetCollectHits(true);
                // The last range reads on to the end, as far as the file goes then.
                const std::uint64_t length = i + 1 < count ? starts[i + 1] - starts[i] : MatchEngine::kWholeFile;
                if (own.valid()) {
                    engine.ScanRange(own.get(), starts[i], length, form);
                    scans[i] = engine.Result();
                }
            } catch (...) {
                failures[i] = std::current_exception();
            }
            std::lock_guard<std::mutex> lock(mutex);
            if (--running == 0) done.notify_one();
        });
    }
    // The observer hears of the whole file's progress on this thread only.
    for (std::unique_lock<std::mutex> lock(mutex); running != 0;) {
        if (done.wait_for(lock, std::chrono::milliseconds(40)) != std::cv_status::timeout) continue;
        std::uint64_t bytes = 0;
        for (const auto& p : progress) bytes += p->Bytes();
        lock.unlock();
        observer_.FileProgress(bytes);
        lock.lock();
    }
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);

    // Joined in order: each range's lines and hits follow the ones before,
    // onto the first range's own tables, each range freed once it is taken.
    std::size_t startCount = 0, hitCount = 0;
    for (const FileScan& scan : scans) {
        startCount += scan.lineStarts.size();
        hitCount += scan.hits.size();
    }
    result_ = std::move(scans.front());
    result_.lineStarts.reserve(startCount);
    result_.hits.reserve(hitCount);
    for (std::size_t i = 1; i < count; ++i) {
        FileScan& scan = scans[i];
        result_.satisfied |= scan.satisfied;
        result_.lineCount += scan.lineCount;
        result_.lineStarts.insert(result_.lineStarts.end(), scan.lineStarts.begin(), scan.lineStarts.end());
        result_.hits.insert(result_.hits.end(), scan.hits.begin(), scan.hits.end());
        result_.end = scan.end;
        scan = FileScan();
    }
    result_.read = true;
    // The longest line as the whole scan measures it: line feed included, then less one.
    std::uint64_t longest = 0;
    for (std::size_t i = 1; i < result_.lineStarts.size(); ++i)
        longest = std::max(longest, result_.lineStarts[i] - result_.lineStarts[i - 1]);
    if (longest != 0) longest -= 1;
    longest = std::max(longest, result_.end - result_.lineStarts.back());
    result_.longestLine = static_cast<std::uint32_t>(std::min<std::uint64_t>(longest, UINT32_MAX));
    return result_.satisfied;
}

}  // namespace quarvel
