#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/cancel_flag.h"
#include "search/background_hits.h"
#include "viewer/hit_lines.h"

namespace quarvel {

// The preview's scans, on a thread of their own: the file asked for last is
// scanned, and a scan still running for one asked for before is cancelled,
// so that moving through the list never waits for a file.
class PreviewWorker {
public:
    // Told on the worker's thread: the request the lines answer.
    using Told = std::function<void(std::uint64_t request, const HitLines& lines, bool done)>;

    PreviewWorker(HitLinesLayout layout, Told told);
    ~PreviewWorker();

    // The search whose found files are asked for next.
    void SetSearch(std::shared_ptr<const SearchSnapshot> search);
    // Asks for the lines of the file at path; returns the request's number.
    std::uint64_t Ask(const std::string& path);
    // Cancels what was asked: nothing more is told of it.
    void Forget();

private:
    void Loop();

    const HitLinesLayout layout_;
    const Told told_;
    std::mutex mutex_;
    std::condition_variable asked_;
    std::shared_ptr<const SearchSnapshot> search_;
    struct Request {
        std::uint64_t number;
        std::string path;
        std::shared_ptr<const SearchSnapshot> search;
    };
    std::optional<Request> pending_;
    std::uint64_t requests_ = 0;
    bool stop_ = false;
    CancelFlag cancel_;
    std::thread thread_;
};

}  // namespace quarvel
