#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/cancel_flag.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

// The settings of a search with its found files and its own compiled query,
// for work that goes on beside the windows after the search (the hit pass,
// the preview) and must not depend on the record the windows change.
struct SearchSnapshot {
    TSearchCFG cfg;
    std::unique_ptr<Tstr> query;  // none when the expression does not compile

    explicit SearchSnapshot(const TSearchCFG& from);
};

// The main window's hit pass: the found files' hits counted on threads of
// its own while the windows go on. The window asks now and then how far it is.
class BackgroundHits {
public:
    ~BackgroundHits();

    // Counts the hits of the search's found files, after stopping a pass
    // still running. Nothing is counted when its expression does not compile.
    void Start(std::shared_ptr<const SearchSnapshot> search, unsigned threads);
    // Stops the pass (a file being scanned stops at its next block) and waits for it.
    void Stop();

    struct Progress {
        std::size_t counted = 0;  // the files told of, from the first
        std::size_t files = 0;
        std::uint64_t hits = 0;   // in the files counted
        bool running = false;
    };
    // How far the pass is; into gets the count of each file told of
    // (sized to the files, none where not counted). The same vector is
    // handed each time: only what is new is copied into it.
    Progress Read(std::vector<std::optional<std::uint64_t>>& into);

private:
    std::shared_ptr<const SearchSnapshot> snapshot_;
    CancelFlag cancel_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::optional<std::uint64_t>> counts_;
    Progress progress_;
    std::size_t read_ = 0;
};

}  // namespace quarvel
