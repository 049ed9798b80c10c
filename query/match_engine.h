#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/reading.h"
#include "query/decide_scan.h"
#include "query/term_finder.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

class TermPatterns;

inline constexpr std::uint32_t kPieceSize = 2000;
inline constexpr const char* kErrorOpenFile = "Error open file";

// What a scan tells the window that runs it.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void SetStatusText(const std::string& text) { (void)text; }
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
    ~MatchEngine();

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
    void Prepare();
    std::uint32_t FindClosing(const unsigned char* p, std::uint32_t n) const;
    void CountLines(const unsigned char* raw, std::uint32_t from, std::uint32_t n, std::uint64_t& lastLineStart,
                    std::uint64_t& longest);
    void ProcessPiece(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void SearchBytes(std::size_t reading, const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void SearchUnicode(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void SearchUtf8Bytes(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit, bool ascii);
    void Found(std::uint32_t term, std::uint64_t at, std::uint32_t length, std::uint32_t reading);
    void ReportProgress(bool force);

    TSearchCFG& cfg_;
    Tstr& query_;
    ScanObserver& observer_;
    const bool& cancel_;
    bool collectHits_ = false;

    std::unique_ptr<TermPatterns> patterns_;
    std::unique_ptr<DecideScan> decide_;
    std::vector<unsigned char> block_;
    std::vector<unsigned char> work_;
    std::vector<std::uint8_t> found_;
    // Per one-byte reading, one finder per term (none when the reading cannot
    // hold it), over the work buffer that holds the reading's codes.
    std::vector<std::vector<std::unique_ptr<TermFinder>>> byteFinders_;
    bool identity_[kByteReadingCount] = {};  // the reading's codes are the bytes themselves
    // Per term, the Unicode reading's finders over a UTF-8 piece's raw bytes:
    // its exact bytes when case is kept, its ASCII form over a piece that is
    // all ASCII when case is ignored.
    std::vector<std::unique_ptr<TermFinder>> utf8Finders_, asciiFinders_;
    // Per term: the one-byte reading whose occurrences in a UTF-8 text are the
    // Unicode reading's too (an ASCII term, case kept or no letter of it
    // folding from elsewhere, whole words aside), so that they are recorded
    // for both from one search; -1 when none.
    std::vector<int> unicodeByBytes_;
    bool unicodeAllByBytes_ = false;
    // Per term: the borders of its folded characters, for the Unicode reading.
    std::vector<std::vector<std::uint32_t>> borders_;
    // The piece in the Unicode reading: its characters, and where each starts
    // (one more entry: where the last one ends).
    std::u32string chars_;
    std::vector<std::uint32_t> starts_;

    FileForm form_;
    bool unitsByChars_ = false;  // a UTF-16 file read as Unicode: closers are characters
    std::uint64_t runningOffset_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
    std::uint32_t piecesSinceCheck_ = 0;
};

}  // namespace quarvel
