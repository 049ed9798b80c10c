#pragma once
#include <atomic>

namespace quarvel {

// The request to stop a run: set by Cancel (the user-interface thread, a
// signal's watcher or the run itself on Abort), read by every loop of the
// run on whichever thread it runs. It only ever goes from clear to set
// within a run, so a relaxed read suffices: a loop sees it at its next test.
class CancelFlag {
public:
    void Set() { set_.store(true, std::memory_order_relaxed); }
    void Clear() { set_.store(false, std::memory_order_relaxed); }
    bool IsSet() const { return set_.load(std::memory_order_relaxed); }
    explicit operator bool() const { return IsSet(); }

private:
    std::atomic<bool> set_{false};
};

}  // namespace quarvel
