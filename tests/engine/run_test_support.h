#pragma once
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "search/run_observer.h"

namespace quarvel {

// Records what a run tells its window.
struct RecordingObserver : RunObserver {
    std::function<void()> onPump;
    std::vector<std::string> messages;
    std::vector<MessageKind> kinds;      // one for each message
    std::vector<std::string> skipped;    // "folder: reason", one for each folder skipped
    std::vector<std::string> failures;   // "caption|text|path|reason", one for each file that cannot be opened
    std::vector<std::string> rows;
    std::vector<std::string> statusTexts;
    int cleared = 0;

    void PumpMessages() override {
        if (onPump) onPump();
    }
    void ShowMessage(const std::string& text, const std::string&, MessageKind kind) override {
        messages.push_back(text);
        kinds.push_back(kind);
    }
    AbortRetryIgnore AskAbortRetryIgnore(const std::string& caption, const std::string& text, const std::string& path,
                                         const std::string& reason) override {
        failures.push_back(caption + "|" + text + "|" + path + "|" + reason);
        return AbortRetryIgnore::Ignore;
    }
    void FolderSkipped(const std::string& folder, const std::string& reason) override {
        skipped.push_back(folder + ": " + reason);
    }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void ClearResults() override { ++cleared; rows.clear(); }
    void AddFoundRow(const TSaveFile& f) override { rows.push_back(f.name.str()); }
    void Forget() {
        messages.clear();
        kinds.clear();
        skipped.clear();
        failures.clear();
    }
};

// Runs as the user nobody while it lives, when the tests run as root, for
// whom no permission bit makes a file unreadable; as any other user, the
// user's own permissions apply already.
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser() {
        if (::geteuid() != 0) return;
        dropped_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
        if (!dropped_ && ::setegid(0) != 0) std::abort();
    }
    ~AsUnprivilegedUser() {
        if (dropped_ && (::seteuid(0) != 0 || ::setegid(0) != 0)) std::abort();
        // A change of user makes the process undumpable, which leak checkers that trace it mind.
        if (dropped_) ::prctl(PR_SET_DUMPABLE, 1);
    }
    // Whether the process runs as nobody now (only ever as root).
    bool Dropped() const { return dropped_; }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    bool dropped_ = false;
};

// Whether the effective user may read a file or list a folder.
inline bool Readable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
}

}  // namespace quarvel
