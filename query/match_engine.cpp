#include "query/match_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_handle.h"

namespace quarvel {

namespace {

// Read in large blocks; a piece never spans more than kPieceSize bytes, so a
// block keeps the overlap of a cut piece in memory and no seek is needed.
constexpr std::size_t kBlockSize = 256 * 1024;
constexpr auto kReportInterval = std::chrono::milliseconds(30);

// Reads until the buffer is full or the file ends; a read error ends the file.
std::size_t ReadFully(int fd, unsigned char* into, std::size_t wanted, bool& eof) {
    std::size_t got = 0;
    while (got < wanted) {
        ssize_t r = ::read(fd, into + got, wanted - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            eof = true;
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    return got;
}

// Index of the byte that closes a unit within [0, n), or n when none does.
std::uint32_t FindClosingByte(const unsigned char* p, std::uint32_t n, std::uint32_t within) {
    switch (within) {
        case kWithinPage:
        case kWithinLine: {
            const void* hit = std::memchr(p, within == kWithinLine ? '\n' : '\f', n);
            return hit ? static_cast<std::uint32_t>(static_cast<const unsigned char*>(hit) - p) : n;
        }
        case kWithinSentence:
            for (std::uint32_t i = 0; i < n; ++i)
                if (p[i] == '.' || p[i] == '!' || p[i] == '?') return i;
            return n;
        default:
            return n;
    }
}

}  // namespace

MatchEngine::MatchEngine(TSearchCFG& cfg, Tstr& query, ScanObserver& observer, const bool& cancel)
    : cfg_(cfg), query_(query), observer_(observer), cancel_(cancel) {}

void MatchEngine::ReportProgress(bool force) {
    if (!force && (++piecesSinceCheck_ & 15u) != 0) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastReport_ < kReportInterval) return;
    lastReport_ = now;
    if (cfg_.GSizeFiles != 0.0) {
        double percent = std::floor(std::floor(cfg_.GSizeFilesCurrent) / cfg_.GSizeFiles * 100.0);
        observer_.SetProgress(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
    }
    observer_.PumpMessages();
}

void MatchEngine::SearchReading(const unsigned char* work, std::uint32_t n, bool firstOfUnit, bool endsUnit) {
    const bool wholeWord = cfg_.SearchWholeWord != 0;
    const std::uint32_t terms = query_.TermCount();
    for (std::uint32_t t = 0; t < terms; ++t) {
        // Only the decision matters without hits: a term found once in the unit is done.
        if (!collectHits_ && found_[t]) continue;
        const TermFinder& finder = finders_[t];
        const std::uint32_t len = finder.Length();
        if (len == 0 || len > n) continue;
        auto accept = [&](std::size_t at) {
            if (!wholeWord) return true;
            // A neighbour outside the unit is no letter; one beyond a cut is
            // judged in the piece that shows it.
            const bool leftOk = at == 0 ? firstOfUnit : !kAnsiAlpha[work[at - 1]];
            const bool rightOk = at + len == n ? endsUnit : !kAnsiAlpha[work[at + len]];
            return leftOk && rightOk;
        };
        for (std::size_t from = 0;;) {
            const std::size_t at = finder.Find(work, from, n - len, nullptr, accept);
            if (at == kNotFound) break;
            found_[t] = 1;
            if (!collectHits_) break;
            SortedInsert(cfg_.UnitHits, {runningOffset_ + at, t, 0});
            from = at + len;  // occurrences of one term never overlap
        }
    }
}

void MatchEngine::ProcessPiece(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit) {
    cfg_.GSizeFilesCurrent += n;
    ReportProgress(false);
    const bool lower = cfg_.SearchIgnoreCase != 0;
    if (cfg_.SearchCode == kCodeAnsi || cfg_.SearchCode == kCodeBoth) {
        const unsigned char* work = raw;
        if (lower) {
            for (std::uint32_t i = 0; i < n; ++i) work_[i] = kAnsiLower[raw[i]];
            work = work_.data();
        }
        SearchReading(work, n, firstOfUnit, endsUnit);
    }
    if (cfg_.SearchCode == kCodeOem || cfg_.SearchCode == kCodeBoth) {
        if (lower)
            for (std::uint32_t i = 0; i < n; ++i) work_[i] = kAnsiLower[kOemToAnsi[raw[i]]];
        else
            for (std::uint32_t i = 0; i < n; ++i) work_[i] = kOemToAnsi[raw[i]];
        SearchReading(work_.data(), n, firstOfUnit, endsUnit);
    }
}

int MatchEngine::Scan(const std::string& folder, const std::string& name) {
    cfg_.ResetPerFile();
    cfg_.LineStarts.push_back(0);
    const std::uint32_t terms = query_.TermCount();
    if (terms == 0 && !collectHits_) return 1;

    const std::string path = folder + "/" + name;
    FileHandle file(::open(path.c_str(), kReadFlags));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw QuarvelError(kErrorOpenFile);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return ScanOpened(file.get(), path);
}

int MatchEngine::Decide(int fd, const std::string& path) {
    cfg_.ResetPerFile();
    cfg_.LineStarts.push_back(0);
    if (query_.TermCount() == 0) return 1;
    if (query_.LongestTerm() > DecideScan::kLongestTerm) return ScanOpened(fd, path);
    observer_.ScanStarted(path);
    if (!decide_) decide_ = std::make_unique<DecideScan>(cfg_, query_);
    const double startCurrent = cfg_.GSizeFilesCurrent;
    const int result = decide_->Run(fd, [this](std::size_t n) {
        cfg_.GSizeFilesCurrent += static_cast<double>(n);
        ReportProgress(false);
        return !cancel_;
    });
    cfg_.GSizeFilesCurrent = startCurrent + cfg_.CurrentFileSize;
    ReportProgress(true);
    return result;
}

int MatchEngine::ScanOpened(int fd, const std::string& path) {
    const std::uint32_t terms = query_.TermCount();
    observer_.ScanStarted(path);

    const double startCurrent = cfg_.GSizeFilesCurrent;
    if (finders_.size() != terms) {
        // The work buffer holds the reading already, so the terms are compared with it as it stands.
        static const auto kSame = [] {
            std::array<std::uint8_t, 256> same{};
            for (int b = 0; b < 256; ++b) same[b] = static_cast<std::uint8_t>(b);
            return same;
        }();
        finders_.clear();
        for (std::uint32_t t = 0; t < terms; ++t) finders_.emplace_back(query_.TermText(t), kSame.data(), kPieceSize);
    }
    found_.assign(terms, 0);
    work_.resize(kPieceSize);
    block_.resize(kBlockSize);
    std::uint32_t overlap = 0;
    if (terms != 0) {
        overlap = cfg_.SearchWholeWord ? query_.LongestTerm() + 1 : query_.LongestTerm() - 1;
        overlap = std::min(overlap, kPieceSize - 1);
    }

    runningOffset_ = 0;
    std::uint64_t lastLineStart = 0;
    std::uint64_t longest = 0;  // line feed included; clamped to 32 bits only at the end
    std::uint32_t skip = 0;
    std::size_t pos = 0, end = 0;
    bool eof = false, firstOfUnit = true;
    int result = 0;
    unsigned char* block = block_.data();

    for (;;) {
        if (end - pos < kPieceSize && !eof) {
            std::memmove(block, block + pos, end - pos);
            end -= pos;
            pos = 0;
            end += ReadFully(fd, block + end, kBlockSize - end, eof);
        }
        const std::uint32_t avail = static_cast<std::uint32_t>(std::min<std::size_t>(end - pos, kPieceSize));
        const unsigned char* raw = block + pos;
        const std::uint32_t closing = FindClosingByte(raw, avail, cfg_.SearchWithin);
        std::uint32_t n;
        bool unitEnds, fileEnds = false;
        if (closing < avail) {
            n = closing + 1;
            unitEnds = true;
        } else if (avail == kPieceSize) {
            n = kPieceSize;  // cut, even when the file happens to end right here
            unitEnds = false;
        } else {
            n = avail;  // the file ended inside this unit
            unitEnds = fileEnds = true;
        }

        // Line accounting; bytes read again after a cut were counted already.
        const std::uint32_t from = std::min(skip, n);
        skip -= from;
        for (const unsigned char* lf = raw + from;
             (lf = static_cast<const unsigned char*>(std::memchr(lf, '\n', raw + n - lf))) != nullptr; ++lf) {
            const std::uint64_t start = runningOffset_ + static_cast<std::uint64_t>(lf - raw) + 1;
            if (collectHits_) cfg_.LineStarts.push_back(start);
            ++cfg_.LineCount;
            longest = std::max(longest, start - lastLineStart);
            lastLineStart = start;
            if (lf + 1 == raw + n) break;
        }

        ProcessPiece(raw, n, firstOfUnit, unitEnds);
        runningOffset_ += n;

        if (unitEnds) {
            const int satisfied = query_.Evaluate(found_.data());
            if (collectHits_) {
                for (const TSaveElem& hit : cfg_.UnitHits)
                    SortedInsert(cfg_.Hits, {hit.offset, hit.word, static_cast<std::uint32_t>(satisfied)});
                cfg_.UnitHits.clear();
            }
            result |= satisfied;
            pos += n;
            firstOfUnit = true;
            if (fileEnds || cancel_) break;
        } else {
            runningOffset_ -= overlap;
            cfg_.GSizeFilesCurrent -= overlap;
            pos += n - overlap;
            skip = overlap;
            firstOfUnit = false;
        }
    }

    cfg_.GSizeFilesCurrent = startCurrent + cfg_.CurrentFileSize;
    ReportProgress(true);
    if (longest != 0) --longest;
    longest = std::max(longest, runningOffset_ - lastLineStart);
    cfg_.LongestLine = static_cast<std::uint32_t>(std::min<std::uint64_t>(longest, UINT32_MAX));
    return result;
}

}  // namespace quarvel
