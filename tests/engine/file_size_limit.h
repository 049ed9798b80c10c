#pragma once
#include <sys/resource.h>

#include <csignal>

namespace quarvel {

// While it lives, a file this process writes cannot grow past the limit: the
// write that would pass it fails (the signal it would raise is ignored), so a
// save can be made to fail part-way.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        ok_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*handler_)(int) = SIG_DFL;
    bool ok_ = false;
};

}  // namespace quarvel
