#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cancel_flag.h"
#include "platform/reading.h"
#include "query/decide_scan.h"
#include "query/term_finder.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"

namespace quarvel {

class TermPatterns;

inline constexpr std::uint32_t kPieceSize = 2000;
inline constexpr const char* kErrorOpenFile = "Error open file";

// What a scan tells whoever runs it.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // The scan of the file at path begins (after it was opened).
    virtual void ScanStarted(const std::string& path) { (void)path; }
    // The bytes of the file taken so far (bytes read again after a cut
    // counted once), told now and then while a long file is scanned.
    virtual void FileProgress(std::uint64_t bytes) { (void)bytes; }
};

// What the scan of one file found.
struct FileScan {
    int satisfied = 0;
    bool read = false;  // the file was opened and read: its size counts among the bytes read
    std::vector<std::uint64_t> lineStarts;  // 0, then each line's start when hits are collected
    std::uint32_t lineCount = 0;
    std::uint32_t longestLine = 0;  // a line longer than 4 GiB counts as 0xFFFFFFFF
    TSaveElemArray hits;            // when hits are collected, in ascending order of offset
    std::uint64_t end = 0;          // the offset where the scan stopped reading

    // The record's per-file fields, as the viewer reads them.
    void StoreIn(TSearchCFG& cfg) const;
};

// Scans one file unit by unit and decides whether it satisfies the query.
// It only reads the settings and the query, so each thread of a run has an
// engine of its own over the same ones.
class MatchEngine {
public:
    MatchEngine(const TSearchCFG& cfg, const Tstr& query, ScanObserver& observer, const CancelFlag& cancel);
    ~MatchEngine();

    // Off: only decide. On: also record every hit and the line-start table.
    void SetCollectHits(bool on) { collectHits_ = on; }

    // 1 when some unit of folder/name satisfies the query, else 0; Result()
    // tells the rest. Throws QuarvelError("Error open file") when the file
    // cannot be opened.
    int Scan(const std::string& folder, const std::string& name);

    // Decides only, for a file the caller has opened (fd) at path: no hits,
    // no line table, line count or longest line; the file is read no further
    // than its outcome needs. The result is Scan's without hits. The
    // settings and query are taken as they are at the first call. head, when
    // given, is shown the file's first bytes (at least kHeadBytes of a file
    // that long) and may refuse the file, a document or an archive, which
    // returns kRefused without a decision: no second read is needed to tell.
    using HeadCheck = std::function<bool(const unsigned char*, std::size_t)>;
    static constexpr std::size_t kHeadBytes = 512;
    static constexpr int kRefused = DecideScan::kRefused;
    int Decide(int fd, const std::string& path, const HeadCheck* head = nullptr);
    // The same over bytes in memory (a member's, a document's text) as if
    // they were a file's.
    int DecideBytes(std::string_view bytes, const std::string& path);

    const CancelFlag& Cancel() const { return cancel_; }

    // What the last Scan, ScanRange or Decide found.
    const FileScan& Result() const { return result_; }

    // The form of a file's text as this search reads it, from its first block.
    FileForm FormOf(const unsigned char* head, std::size_t n);
    // Scans length bytes of an opened file from offset from, which starts a
    // unit, as Scan scans them within the whole file whose form is form: its
    // line table holds the lines that start after from.
    int ScanRange(int fd, std::uint64_t from, std::uint64_t length, const FileForm& form);
    static constexpr std::uint64_t kWholeFile = UINT64_MAX;

private:
    int DecideFrom(ReadSource& source, const std::string& path, const HeadCheck* head);
    // From offset from, at most length bytes; form: the file's, when known already.
    int ScanOpened(ReadSource& source, const std::string& path, std::uint64_t from = 0,
                   std::uint64_t length = kWholeFile, const FileForm* form = nullptr);
    void Prepare();
    std::uint32_t FindClosing(const unsigned char* p, std::uint32_t n) const;
    void CountLines(const unsigned char* raw, std::uint32_t from, std::uint32_t n, std::uint64_t& lastLineStart,
                    std::uint64_t& longest);
    void ProcessPiece(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void SearchBytes(std::size_t reading, const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void SearchUnicode(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit);
    void SearchUtf8Bytes(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit, bool ascii);
    void Found(std::uint32_t term, std::uint64_t at, std::uint32_t length, std::uint32_t reading);
    void ReportProgress();
    void StartFile();

    const TSearchCFG& cfg_;
    const Tstr& query_;
    ScanObserver& observer_;
    const CancelFlag& cancel_;
    bool collectHits_ = false;

    FileScan result_;
    std::uint64_t fileBytes_ = 0;   // the bytes of the file taken so far
    TSaveElemArray unitHits_;       // the hits of the unit being scanned, by offset
    std::vector<std::uint8_t> levelResults_;  // the query's scratch space

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
