#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "query/decide_scan.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

inline constexpr std::uint32_t kPieceSize = 2000;
inline constexpr const char* kErrorOpenFile = "Error open file";

// What a scan tells the window that runs it.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void SetStatusText(const std::string& ansiText) { (void)ansiText; }
    // The scan of the file at path begins (after it was opened).
    virtual void ScanStarted(const std::string& path) { (void)path; }
    virtual void SetProgress(int percent) { (void)percent; }
    // Lets the window system deliver pending messages (Cancel among them).
    virtual void PumpMessages() {}
};

// Scans one file unit by unit and decides whether it satisfies the query.
class MatchEngine {
public:
    MatchEngine(TSearchCFG& cfg, Tstr& query, ScanObserver& observer, const bool& cancel);

    // Off: only decide. On: also record every hit and the line-start table.
    void SetCollectHits(bool on) { collectHits_ = on; }

    // 1 when some unit of folder/name satisfies the query, else 0.
    // Throws QuarvelError("Error open file") when the file cannot be opened.
    int Scan(const std::string& folder, const std::string& name);

    // Decides only, for a file the caller has opened (fd) at path: no hits,
    // no line table, line count or longest line; the file is read no further
    // than its outcome needs. The result is Scan's without hits. The
    // settings and query are taken as they are at the first call.
    int Decide(int fd, const std::string& path);

private:
    int ScanOpened(int fd, const std::string& path);
    void ProcessPiece(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void SearchReading(const unsigned char* work, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void ReportProgress(bool force);

    TSearchCFG& cfg_;
    Tstr& query_;
    ScanObserver& observer_;
    const bool& cancel_;
    bool collectHits_ = false;

    std::unique_ptr<DecideScan> decide_;
    std::vector<unsigned char> block_;
    std::vector<unsigned char> work_;
    std::vector<std::uint8_t> found_;
    std::vector<TermFinder> finders_;  // one per term, over the work buffer
    std::uint64_t runningOffset_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
    std::uint32_t piecesSinceCheck_ = 0;
};

}  // namespace quarvel
