#include "query/match_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "documents/searchable_file.h"
#include "platform/error.h"
#include "platform/file_handle.h"
#include "platform/unicode_text.h"
#include "query/term_patterns.h"

namespace quarvel {

namespace {

// Read in large blocks; a piece never spans more than kPieceSize bytes, so a
// block keeps the overlap of a cut piece in memory and no seek is needed.
constexpr std::size_t kBlockSize = 256 * 1024;
constexpr auto kReportInterval = std::chrono::milliseconds(30);

// Reads until the buffer is full or the file ends; a read error ends the file.
std::size_t ReadFully(ReadSource& source, unsigned char* into, std::size_t wanted, bool& eof) {
    std::size_t got = 0;
    while (got < wanted) {
        ssize_t r = source.Read(into + got, wanted - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            eof = true;
            break;
        }
        got += static_cast<std::size_t>(r);
    }
    return got;
}

const std::uint8_t* SameBytes() {
    static const auto kSame = [] {
        std::array<std::uint8_t, 256> same{};
        for (int b = 0; b < 256; ++b) same[b] = static_cast<std::uint8_t>(b);
        return same;
    }();
    return kSame.data();
}

std::vector<std::uint32_t> Borders(const std::u32string& t) {
    std::vector<std::uint32_t> border(t.size() + 1, 0);
    for (std::size_t q = 1, k = 0; q < t.size(); ++q) {
        while (k > 0 && t[q] != t[k]) k = border[k];
        if (t[q] == t[k]) ++k;
        border[q + 1] = static_cast<std::uint32_t>(k);
    }
    return border;
}

}  // namespace

void FileScan::StoreIn(TSearchCFG& cfg) const {
    cfg.LineStarts = lineStarts;
    cfg.LineCount = lineCount;
    cfg.LongestLine = longestLine;
    cfg.Hits = hits;
    cfg.UnitHits.clear();
}

MatchEngine::MatchEngine(const TSearchCFG& cfg, const Tstr& query, ScanObserver& observer, const CancelFlag& cancel)
    : cfg_(cfg), query_(query), observer_(observer), cancel_(cancel) {}

MatchEngine::~MatchEngine() = default;

void MatchEngine::ReportProgress() {
    if ((++piecesSinceCheck_ & 15u) != 0) return;
    auto now = std::chrono::steady_clock::now();
    if (now - lastReport_ < kReportInterval) return;
    lastReport_ = now;
    observer_.FileProgress(fileBytes_);
}

void MatchEngine::StartFile() {
    result_.satisfied = 0;
    result_.read = false;
    result_.lineStarts.assign(1, 0);
    result_.lineCount = 0;
    result_.longestLine = 0;
    result_.hits.clear();
    result_.end = 0;
    unitHits_.clear();
    fileBytes_ = 0;
}

void MatchEngine::Prepare() {
    if (patterns_) return;
    patterns_ = std::make_unique<TermPatterns>(query_, cfg_);
    const TermPatterns& p = *patterns_;
    byteFinders_.clear();
    byteFinders_.resize(kByteReadingCount);
    for (std::size_t r = 0; r < kByteReadingCount; ++r) {
        identity_[r] = true;
        for (int b = 0; b < 256 && identity_[r] && p.ByteReadingOn(r); ++b) identity_[r] = p.Codes(r).code[b] == b;
    }
    for (std::size_t r = 0; r < kByteReadingCount; ++r) {
        for (std::uint32_t t = 0; t < p.Count(); ++t) {
            // The work buffer holds the reading's codes already, so the terms are compared with it as it stands.
            const auto& codes = p[t].codes[r];
            byteFinders_[r].push_back(codes ? std::make_unique<TermFinder>(*codes, SameBytes(), kPieceSize) : nullptr);
        }
    }
    borders_.clear();
    utf8Finders_.clear();
    asciiFinders_.clear();
    unicodeByBytes_.assign(p.Count(), -1);
    unicodeAllByBytes_ = true;
    for (std::uint32_t t = 0; t < p.Count(); ++t) {
        if (!p[t].unicode) continue;
        // A reading that reads no high byte as a byte of the term finds it among ASCII bytes alone.
        auto asciiOnly = [&](std::size_t r) {
            const std::string& codes = *p[t].codes[r];
            for (int b = 0x80; b < 256; ++b)
                if (codes.find(static_cast<char>(p.Codes(r).code[b])) != std::string::npos) return false;
            return true;
        };
        if (p[t].unicodeIsAscii && !p.WholeWord())
            for (std::size_t r = 0; r < kByteReadingCount && unicodeByBytes_[t] < 0; ++r)
                if (p[t].codes[r] && asciiOnly(r)) unicodeByBytes_[t] = static_cast<int>(r);
        unicodeAllByBytes_ = unicodeAllByBytes_ && unicodeByBytes_[t] >= 0;
    }
    static const auto kAsciiLower = [] {
        std::array<std::uint8_t, 256> lower{};
        for (int b = 0; b < 256; ++b) lower[b] = static_cast<std::uint8_t>(b >= 'A' && b <= 'Z' ? b + 0x20 : b);
        return lower;
    }();
    for (std::uint32_t t = 0; t < p.Count(); ++t) {
        borders_.push_back(Borders(p[t].folded));
        const bool exact = p[t].unicode && p[t].exactUtf8;
        utf8Finders_.push_back(exact ? std::make_unique<TermFinder>(p[t].utf8, SameBytes(), kPieceSize) : nullptr);
        const bool ascii = p[t].unicode && !p[t].exactUtf8 && p[t].ascii;
        asciiFinders_.push_back(ascii ? std::make_unique<TermFinder>(*p[t].ascii, kAsciiLower.data(), kPieceSize) : nullptr);
    }
}

// The Unicode reading of a UTF-8 piece by its bytes: with case kept a term's
// occurrences are exactly its bytes, and in a piece of ASCII alone the
// folded ASCII form's; only the neighbours of a whole word are decoded.
void MatchEngine::SearchUtf8Bytes(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit,
                                  bool ascii) {
    const std::uint32_t textFrom =
        runningOffset_ < form_.textStart ? static_cast<std::uint32_t>(form_.textStart - runningOffset_) : 0;
    // Continuation bytes that open a piece cut from the one before belong to its last character.
    std::uint32_t first = std::min(textFrom, n);
    if (!firstOfUnit)
        while (first < n && (raw[first] & 0xC0) == 0x80) ++first;
    const bool wholeWord = patterns_->WholeWord();
    for (std::uint32_t t = 0; t < patterns_->Count(); ++t) {
        if ((!collectHits_ && found_[t]) || unicodeByBytes_[t] >= 0) continue;
        const TermFinder* finder = utf8Finders_[t] ? utf8Finders_[t].get() : ascii ? asciiFinders_[t].get() : nullptr;
        if (finder == nullptr) continue;
        const std::uint32_t len = finder->Length();
        if (len == 0 || first + len > n) continue;
        auto accept = [&](std::size_t at) {
            if (!wholeWord) return true;
            if (at == first) {
                if (!firstOfUnit) return false;  // judged in the piece before, which shows the neighbour
            } else {
                std::size_t start = at - 1;
                while (start > first && at - start < 4 && (raw[start] & 0xC0) == 0x80) --start;
                char32_t c;
                if (DecodeUtf8At(raw + start, at - start, c) == at - start && IsWordChar(c)) return false;
            }
            const std::size_t end = at + len;
            if (end == n) return endsUnit;
            char32_t c;
            const std::size_t got = DecodeUtf8At(raw + end, n - end, c);
            // A character the cut splits is read whole by the next piece.
            if (c == kInvalidChar && !endsUnit && end + got == n && raw[end] >= 0xC2 && raw[end] <= 0xF4) return false;
            return c == kInvalidChar || !IsWordChar(c);
        };
        for (std::size_t from = first;;) {
            const std::size_t at = finder->Find(raw, from, n - len, nullptr, accept);
            if (at == kNotFound) break;
            Found(t, runningOffset_ + at, len, kReadingUnicode);
            if (!collectHits_) break;
            from = at + len;
        }
    }
}

void MatchEngine::Found(std::uint32_t term, std::uint64_t at, std::uint32_t length, std::uint32_t reading) {
    found_[term] = 1;
    if (collectHits_) SortedInsert(unitHits_, {at, term, 0, length, reading});
}

void MatchEngine::SearchBytes(std::size_t reading, const unsigned char* raw, std::uint32_t n, bool firstOfUnit,
                              bool endsUnit) {
    const ByteCodes& codes = patterns_->Codes(reading);
    bool converted = false;
    const unsigned char* work = raw;
    const bool wholeWord = patterns_->WholeWord();
    for (std::uint32_t t = 0; t < patterns_->Count(); ++t) {
        // Only the decision matters without hits: a term found once in the unit is done.
        if (!collectHits_ && found_[t]) continue;
        const TermFinder* finder = byteFinders_[reading][t].get();
        if (finder == nullptr) continue;
        const std::uint32_t len = finder->Length();
        if (len == 0 || len > n) continue;
        if (!converted) {
            converted = true;
            if (!identity_[reading]) {
                // A local pointer: the loop's stores then cannot change it.
                unsigned char* out = work_.data();
                const std::uint8_t* code = codes.code;
                for (std::uint32_t i = 0; i < n; ++i) out[i] = code[raw[i]];
                work = out;
            }
        }
        auto accept = [&](std::size_t at) {
            if (!wholeWord) return true;
            // A neighbour outside the unit is no letter; one beyond a cut is
            // judged in the piece that shows it.
            const bool leftOk = at == 0 ? firstOfUnit : !codes.alpha[raw[at - 1]];
            const bool rightOk = at + len == n ? endsUnit : !codes.alpha[raw[at + len]];
            return leftOk && rightOk;
        };
        for (std::size_t from = 0;;) {
            const std::size_t at = finder->Find(work, from, n - len, nullptr, accept);
            if (at == kNotFound) break;
            Found(t, runningOffset_ + at, len, codes.reading->bit);
            if (unicodeByBytes_[t] == static_cast<int>(reading) && !form_.Utf16())
                Found(t, runningOffset_ + at, len, kReadingUnicode);
            if (!collectHits_) break;
            from = at + len;  // occurrences of one term never overlap
        }
    }
}

void MatchEngine::SearchUnicode(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit) {
    if (!form_.Utf16()) {
        if (unicodeAllByBytes_) return;  // the one-byte search recorded them
        bool high = false;
        std::uint32_t i = 0;
        for (; i + 8 <= n && !high; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, raw + i, 8);
            high = (word & 0x8080808080808080ull) != 0;
        }
        for (; i < n && !high; ++i) high = raw[i] & 0x80;
        bool decode = false;
        for (std::uint32_t t = 0; t < patterns_->Count(); ++t) {
            const TermPattern& p = (*patterns_)[t];
            decode = decode || (p.unicode && !p.exactUtf8 && high && unicodeByBytes_[t] < 0);
        }
        if (!decode) {
            SearchUtf8Bytes(raw, n, firstOfUnit, endsUnit, !high);
            return;
        }
    }
    // The characters of the piece. Bytes before the first character start of
    // a piece that goes on from a cut, and a character that the piece's end
    // cuts short, belong to the neighbouring pieces.
    chars_.clear();
    starts_.clear();
    const bool ignoreCase = patterns_->IgnoreCase();
    std::uint32_t i = runningOffset_ < form_.textStart ? static_cast<std::uint32_t>(form_.textStart - runningOffset_) : 0;
    i = std::min(i, n);
    const bool big = form_.form == TextForm::kUtf16Be;
    auto unitAt = [&](std::uint32_t at) { return big ? char32_t(raw[at] << 8 | raw[at + 1]) : char32_t(raw[at + 1] << 8 | raw[at]); };
    if (!firstOfUnit) {
        if (form_.Utf16()) {
            if (n - i >= 2 && unitAt(i) >= 0xDC00 && unitAt(i) <= 0xDFFF) i += 2;  // the second half of a pair
        } else {
            while (i < n && (raw[i] & 0xC0) == 0x80) ++i;
        }
    }
    const bool leadCut = !firstOfUnit;  // the first character's left neighbour lies beyond the cut
    while (i < n) {
        char32_t c;
        const std::uint32_t len = static_cast<std::uint32_t>(DecodeIn(form_.form, raw + i, n - i, c));
        // The start of a character that the cut split: the next piece reads it whole.
        if (c == kInvalidChar && !endsUnit && i + len == n &&
            (form_.Utf16() ? len == 2 && unitAt(i) >= 0xD800 && unitAt(i) <= 0xDBFF : raw[i] >= 0xC2 && raw[i] <= 0xF4))
            break;
        starts_.push_back(i);
        chars_ += c == kInvalidChar ? kInvalidChar : ignoreCase ? FoldCase(c) : c;
        i += len;
    }
    starts_.push_back(i);
    const std::size_t count = chars_.size();
    const bool wholeWord = patterns_->WholeWord();
    for (std::uint32_t t = 0; t < patterns_->Count(); ++t) {
        const TermPattern& p = (*patterns_)[t];
        if (!p.unicode || (!collectHits_ && found_[t]) || (unicodeByBytes_[t] >= 0 && !form_.Utf16())) continue;
        const std::u32string& term = p.folded;
        const std::size_t len = term.size();
        if (len == 0 || len > count) continue;
        const std::vector<std::uint32_t>& border = borders_[t];
        auto accept = [&](std::size_t m) {
            if (!wholeWord) return true;
            const bool leftOk = m == 0 ? !leadCut : !IsWordChar(chars_[m - 1]);
            const bool rightOk = m + len == count ? endsUnit : !IsWordChar(chars_[m + len]);
            return leftOk && rightOk;
        };
        std::size_t q = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const char32_t c = chars_[k];
            while (q > 0 && term[q] != c) q = border[q];
            if (term[q] == c) ++q;
            if (q < len) continue;
            const std::size_t m = k + 1 - len;
            if (accept(m)) {
                Found(t, runningOffset_ + starts_[m], starts_[m + len] - starts_[m], kReadingUnicode);
                if (!collectHits_) break;
                q = 0;  // occurrences of one term never overlap
            } else {
                q = border[q];
            }
        }
    }
}

void MatchEngine::ProcessPiece(const unsigned char* raw, std::uint32_t n, bool firstOfUnit, bool endsUnit) {
    fileBytes_ += n;
    ReportProgress();
    for (std::size_t r = 0; r < kByteReadingCount; ++r)
        if (patterns_->ByteReadingOn(r)) SearchBytes(r, raw, n, firstOfUnit, endsUnit);
    if (patterns_->UnicodeOn()) SearchUnicode(raw, n, firstOfUnit, endsUnit);
}

int MatchEngine::Scan(const std::string& folder, const std::string& name) {
    StartFile();
    const std::uint32_t terms = query_.TermCount();
    if (terms == 0 && !collectHits_) return result_.satisfied = 1;

    const std::string path = folder + "/" + name;
    FileHandle file;
    if (cfg_.SearchDocuments) {
        // What the search reads of it: a document's text, a member's bytes.
        Searchable content = OpenSearchable(path, true);
        if (!content.failure.empty()) throw QuarvelError(path + ": " + content.failure);
        file = std::move(content.fd);
    } else {
        file = FileHandle(::open(path.c_str(), kReadFlags));
    }
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw QuarvelError(kErrorOpenFile);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    ReadSource source(file.get());
    return ScanOpened(source, path);
}

int MatchEngine::Decide(int fd, const std::string& path, const HeadCheck* head) {
    ReadSource source(fd);
    return DecideFrom(source, path, head);
}

int MatchEngine::DecideBytes(std::string_view bytes, const std::string& path) {
    ReadSource source(bytes);
    return DecideFrom(source, path, nullptr);
}

int MatchEngine::DecideFrom(ReadSource& source, const std::string& path, const HeadCheck* head) {
    StartFile();
    if (query_.TermCount() == 0) return result_.satisfied = 1;
    Prepare();
    // Some occurrences fit no piece: the unit-by-unit scan decides those.
    if (patterns_->OverlapCut(false) || query_.LongestTerm() > DecideScan::kLongestTerm) {
        if (head) {
            unsigned char first[kHeadBytes];
            const ssize_t got = source.ReadAt(first, sizeof first, 0);
            if (!(*head)(first, got > 0 ? static_cast<std::size_t>(got) : 0)) return kRefused;
        }
        return ScanOpened(source, path);
    }
    observer_.ScanStarted(path);
    if (!decide_) decide_ = std::make_unique<DecideScan>(cfg_, query_, *patterns_);
    const int result = decide_->Run(
        source,
        [this](std::size_t n) {
            fileBytes_ += n;
            ReportProgress();
            return !cancel_.IsSet();
        },
        head);
    if (result == DecideScan::kRefused) {
        fileBytes_ = 0;
        return kRefused;
    }
    result_.read = true;
    // A UTF-16 text read as Unicode has its units closed by characters: the
    // unit-by-unit scan decides it, from its start.
    if (result == DecideScan::kUtf16Text) {
        fileBytes_ = 0;
        if (source.Seek(0)) return ScanOpened(source, path);
        return result_.satisfied = 0;  // a regular file that cannot go back to its start: as a read error, the end
    }
    return result_.satisfied = result;
}

// Index of the byte that closes a unit within [0, n), or n when none does;
// in a UTF-16 text, the last byte of the character that closes it.
std::uint32_t MatchEngine::FindClosing(const unsigned char* p, std::uint32_t n) const {
    const std::uint32_t within = cfg_.SearchWithin;
    if (within == kWithinFile) return n;
    if (unitsByChars_) {
        const bool big = form_.form == TextForm::kUtf16Be;
        for (std::uint32_t i = 0; i + 1 < n; i += 2) {
            const char32_t unit = big ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]);
            if (unit < 0x80 && ClosesUnit(within, unit)) return i + 1;
        }
        return n;
    }
    if (within != kWithinSentence) {
        const void* hit = std::memchr(p, within == kWithinLine ? '\n' : '\f', n);
        return hit ? static_cast<std::uint32_t>(static_cast<const unsigned char*>(hit) - p) : n;
    }
    for (std::uint32_t i = 0; i < n; ++i)
        if (ClosesUnit(within, p[i])) return i;
    return n;
}

// Line accounting over raw[from, n): a line feed starts a line after it (in a
// UTF-16 text read as Unicode, a line feed character).
void MatchEngine::CountLines(const unsigned char* raw, std::uint32_t from, std::uint32_t n,
                             std::uint64_t& lastLineStart, std::uint64_t& longest) {
    auto lineAt = [&](std::uint64_t start) {
        if (collectHits_) result_.lineStarts.push_back(start);
        ++result_.lineCount;
        longest = std::max(longest, start - lastLineStart);
        lastLineStart = start;
    };
    if (unitsByChars_) {
        const bool big = form_.form == TextForm::kUtf16Be;
        for (std::uint32_t i = from; i + 1 < n; i += 2)
            if ((big ? (raw[i] << 8 | raw[i + 1]) : (raw[i + 1] << 8 | raw[i])) == '\n') lineAt(runningOffset_ + i + 2);
        return;
    }
    for (const unsigned char* lf = raw + from;
         (lf = static_cast<const unsigned char*>(std::memchr(lf, '\n', raw + n - lf))) != nullptr; ++lf) {
        lineAt(runningOffset_ + static_cast<std::uint64_t>(lf - raw) + 1);
        if (lf + 1 == raw + n) break;
    }
}

FileForm MatchEngine::FormOf(const unsigned char* head, std::size_t n) {
    Prepare();
    return patterns_->UnicodeOn() ? DetectForm(head, n) : FileForm{};
}

int MatchEngine::ScanRange(int fd, std::uint64_t from, std::uint64_t length, const FileForm& form) {
    StartFile();
    if (from != 0) result_.lineStarts.clear();
    ReadSource source(fd);
    if (!source.Seek(from)) return 0;
    return ScanOpened(source, std::string(), from, length, &form);
}

int MatchEngine::ScanOpened(ReadSource& source, const std::string& path, std::uint64_t from, std::uint64_t length,
                            const FileForm* form) {
    Prepare();
    const std::uint32_t terms = query_.TermCount();
    if (!form) observer_.ScanStarted(path);
    result_.read = true;

    found_.assign(terms, 0);
    work_.resize(kPieceSize);
    block_.resize(kBlockSize);

    runningOffset_ = from;
    std::uint64_t lastLineStart = from;
    std::uint64_t longest = 0;  // line feed included; clamped to 32 bits only at the end
    std::uint64_t left = length;  // bytes still to be read
    std::uint32_t skip = 0;
    std::size_t pos = 0, end = 0;
    bool eof = false, firstOfUnit = true, formKnown = false;
    bool limited = false;  // the range, not the file, has ended
    std::uint32_t overlap = 0;
    int result = 0;
    unsigned char* block = block_.data();
    if (form) {
        formKnown = true;
        form_ = *form;
        unitsByChars_ = form_.Utf16();
        overlap = patterns_->Overlap(unitsByChars_);
    }

    for (;;) {
        if (end - pos < kPieceSize && !eof) {
            std::memmove(block, block + pos, end - pos);
            end -= pos;
            pos = 0;
            const std::size_t got = ReadFully(source, block + end, std::min<std::uint64_t>(kBlockSize - end, left), eof);
            end += got;
            left -= got;
            if (left == 0) eof = limited = true;
        }
        // A range ends where a unit ends: no empty unit follows it, as one follows the file's last byte.
        if (limited && pos == end) break;
        if (!formKnown) {
            formKnown = true;
            form_ = patterns_->UnicodeOn() ? DetectForm(block, end) : FileForm{};
            unitsByChars_ = form_.Utf16();
            overlap = patterns_->Overlap(unitsByChars_);
        }
        const std::uint32_t avail = static_cast<std::uint32_t>(std::min<std::size_t>(end - pos, kPieceSize));
        const unsigned char* raw = block + pos;
        const std::uint32_t closing = FindClosing(raw, avail);
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

        // Bytes read again after a cut were counted already.
        const std::uint32_t from = std::min(skip, n);
        skip -= from;
        CountLines(raw, from, n, lastLineStart, longest);

        ProcessPiece(raw, n, firstOfUnit, unitEnds);
        runningOffset_ += n;

        if (unitEnds) {
            const int satisfied = query_.Evaluate(found_.data(), levelResults_);
            if (collectHits_) {
                for (const TSaveElem& hit : unitHits_)
                    SortedInsert(result_.hits, {hit.offset, hit.word, static_cast<std::uint32_t>(satisfied), hit.length, hit.reading});
                unitHits_.clear();
            }
            result |= satisfied;
            pos += n;
            firstOfUnit = true;
            if (fileEnds || cancel_.IsSet()) break;
        } else {
            // A long unit stops at Cancel too: the units decided so far stand.
            if (cancel_.IsSet()) break;
            runningOffset_ -= overlap;
            fileBytes_ -= overlap;
            pos += n - overlap;
            skip = overlap;
            firstOfUnit = false;
        }
    }

    if (longest != 0) longest -= unitsByChars_ ? 2 : 1;
    longest = std::max(longest, runningOffset_ - lastLineStart);
    result_.longestLine = static_cast<std::uint32_t>(std::min<std::uint64_t>(longest, UINT32_MAX));
    result_.end = runningOffset_;
    return result_.satisfied = result;
}

}  // namespace quarvel
