#include "query/decide_scan.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/unicode_text.h"

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

namespace quarvel {

namespace {

// A regular file gives fewer bytes than asked for only at its end, so a
// short read ends the file without one more read that returns nothing.
std::size_t ReadUpTo(ReadSource& source, std::uint8_t* into, std::size_t wanted, bool& eof) {
    for (;;) {
        const ssize_t r = source.Read(into, wanted);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            eof = true;
            return 0;
        }
        if (static_cast<std::size_t>(r) < wanted) eof = true;
        return static_cast<std::size_t>(r);
    }
}

}  // namespace

DecideScan::DecideScan(const TSearchCFG& cfg, const Tstr& query, const TermPatterns& patterns, std::size_t blockSize)
    : query_(query), within_(cfg.SearchWithin), wholeWord_(cfg.SearchWholeWord != 0), patterns_(patterns),
      blockSize_(std::max<std::size_t>(blockSize, 1)) {
    const bool lower = patterns.IgnoreCase();
    for (int b = 0; b < 256; ++b) {
        // Away from high bytes every reading reads ASCII alike.
        asciiMap_[b] = b >= 0x80 ? 0x80 : lower && b >= 'A' && b <= 'Z' ? static_cast<std::uint8_t>(b + 0x20) : b;
        asciiAlpha_[b] = b < 0x80 && IsWordChar(static_cast<char32_t>(b));
        closer_[b] = b < 0x80 && ClosesUnit(within_, static_cast<char32_t>(b));
    }
    const bool unicode = patterns.UnicodeOn();
    context_ = unicode && wholeWord_ ? 4 : 1;
    const std::uint32_t terms = query.TermCount();
    evalState_.assign(terms, 0);
    emptyResult_ = query.EvaluatePartial(evalState_.data(), scratch_);
    // A unit without any term satisfies already, so every unit would have to
    // be searched for the lazy terms; they are not lazy then.
    const bool lazyAllowed = emptyResult_ == 0;
    const std::vector<std::uint8_t> polarity = query.TermPolarities();
    required_.assign(terms, 0);
    lazy_.assign(terms, 0);
    std::vector<std::uint32_t> order;
    for (std::uint32_t t = 0; t < terms; ++t) {
        if (lazyAllowed && polarity[t] == Tstr::kPolarityNegated) continue;
        std::fill(evalState_.begin(), evalState_.end(), 2);
        evalState_[t] = 0;
        required_[t] = query.EvaluatePartial(evalState_.data(), scratch_) == 0;
        if (required_[t]) order.push_back(t);
    }
    // Required terms first: the absence of one from a block can decide it
    // before the other terms are looked for.
    for (std::uint32_t t = 0; t < terms; ++t)
        if (!required_[t]) order.push_back(t);
    static const auto kSame = [] {
        std::array<std::uint8_t, 256> same{};
        for (int b = 0; b < 256; ++b) same[b] = static_cast<std::uint8_t>(b);
        return same;
    }();
    std::uint32_t span = 0;
    for (std::uint32_t t : order) {
        const TermPattern& p = patterns[t];
        const bool lazy = lazyAllowed && polarity[t] == Tstr::kPolarityNegated;
        lazy_[t] = lazy;
        hasLazy_ = hasLazy_ || lazy;
        auto add = [&](Stream s) {
            s.term = t;
            s.lazy = lazy;
            nearHigh_ = nearHigh_ || s.near;
            streams_.push_back(std::move(s));
        };
        auto byteStream = [&](const std::string& codes, const std::uint8_t* map, const bool* alpha, bool near,
                              bool rejectHigh) {
            span = std::max<std::uint32_t>(span, static_cast<std::uint32_t>(codes.size()));
            return Stream{t, TermFinder(codes, map), near, rejectHigh, lazy, CannotOccur(codes, map), false, alpha, nullptr, {}};
        };
        // The first one-byte reading that holds the term is searched through
        // every block; the others only near high bytes, where they read
        // otherwise, unless they agree with it there as well.
        int full = -1;
        for (std::size_t r = 0; r < kByteReadingCount; ++r) {
            if (!p.codes[r]) continue;
            const ByteCodes& codes = patterns.Codes(r);
            if (full < 0) {
                full = static_cast<int>(r);
                add(byteStream(*p.codes[r], codes.code, codes.alpha, false, false));
            } else if (wholeWord_ || !ReadingsAgree(patterns.Codes(full), *p.codes[full], codes, *p.codes[r])) {
                add(byteStream(*p.codes[r], codes.code, codes.alpha, true, false));
            }
        }
        if (!p.unicode) continue;
        span = std::max(span, p.utf8Span);
        // The Unicode reading reads ASCII as every reading does; where it
        // finds no more than the ASCII form, the one-byte stream stands for it.
        const bool sameAsAscii = p.unicodeIsAscii && !wholeWord_;
        if (full < 0 && p.ascii)
            add(byteStream(*p.ascii, asciiMap_, asciiAlpha_, false, !sameAsAscii));
        if (sameAsAscii) continue;
        Stream u = p.exactUtf8 ? byteStream(p.utf8, kSame.data(), asciiAlpha_, true, false)
                               : Stream{t, TermFinder(std::string(), kSame.data()), true, false, lazy, CannotOccur(p.folded),
                                        true, asciiAlpha_, &p.folded, {}};
        u.unicode = true;
        if (u.folded) {
            u.border.assign(p.folded.size() + 1, 0);
            for (std::size_t q = 1, k = 0; q < p.folded.size(); ++q) {
                while (k > 0 && p.folded[q] != p.folded[k]) k = u.border[k];
                if (p.folded[q] == p.folded[k]) ++k;
                u.border[q + 1] = static_cast<std::uint32_t>(k);
            }
        }
        add(std::move(u));
    }
    // The carried tail holds an occurrence and both of its neighbours.
    carry_ = std::max<std::uint32_t>(span, 1) + 2 * static_cast<std::uint32_t>(context_);
    state_.assign(terms, 2);
    buffer_.resize(blockSize_ + carry_);
    highChunks_.assign(buffer_.size() / 4096 + 1, 0);
    highMap_.chunks = highChunks_.data();
}

// True when every raw byte that reads as a byte of the term in either reading
// is an ASCII byte that reads the same in both: then both find the same occurrences.
bool DecideScan::ReadingsAgree(const ByteCodes& a, const std::string& termA, const ByteCodes& b,
                               const std::string& termB) const {
    bool inA[256] = {}, inB[256] = {};
    for (unsigned char c : termA) inA[c] = true;
    for (unsigned char c : termB) inB[c] = true;
    for (int x = 0; x < 256; ++x) {
        if (!inA[a.code[x]] && !inB[b.code[x]]) continue;
        if (x >= 0x80 || a.code[x] != b.code[x]) return false;
    }
    return true;
}

// True when some byte of the term before its last one can only be read from
// a closing byte: an occurrence would span two units.
bool DecideScan::CannotOccur(const std::string& term, const std::uint8_t* map) const {
    for (std::size_t j = 0; j + 1 < term.size(); ++j) {
        bool onlyClosers = true;
        for (int b = 0; b < 256 && onlyClosers; ++b)
            onlyClosers = map[b] != static_cast<std::uint8_t>(term[j]) || closer_[b];
        if (onlyClosers) return true;
    }
    return false;
}

// The same for characters: a closing character before the last one.
bool DecideScan::CannotOccur(const std::u32string& folded) const {
    for (std::size_t j = 0; j + 1 < folded.size(); ++j)
        if (folded[j] < 0x80 && closer_[folded[j]]) return true;
    return false;
}

void DecideScan::StartUnit(std::uint64_t at) {
    unitStart_ = at;
    lazyFrom_ = at;
    closerFreeUpTo_ = std::max(closerFreeUpTo_, at);
    std::fill(state_.begin(), state_.end(), 2);
}

int DecideScan::EvaluateUnit() {
    for (std::size_t t = 0; t < state_.size(); ++t) evalState_[t] = state_[t] == 1 ? 1 : 0;
    return query_.EvaluatePartial(evalState_.data(), scratch_);
}

bool DecideScan::FoundAny() const {
    for (std::size_t t = 0; t < state_.size(); ++t)
        if (state_[t] == 1 && !lazy_[t]) return true;
    return false;
}

std::size_t DecideScan::FirstCloser(std::size_t from, std::size_t to) const {
    if (from >= to) return kNotFound;
    const std::uint8_t* p = buffer_.data();
    switch (within_) {
        case kWithinPage:
        case kWithinLine: {
            const void* hit = std::memchr(p + from, within_ == kWithinLine ? '\n' : '\f', to - from);
            return hit ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - p) : kNotFound;
        }
        case kWithinSentence:
            for (std::size_t i = from; i < to; ++i)
                if (closer_[p[i]]) return i;
            return kNotFound;
        default:
            return kNotFound;
    }
}

std::size_t DecideScan::LastCloser(std::size_t from, std::size_t to) const {
    if (from >= to) return kNotFound;
    const std::uint8_t* p = buffer_.data();
    switch (within_) {
        case kWithinPage:
        case kWithinLine: {
            const void* hit = ::memrchr(p + from, within_ == kWithinLine ? '\n' : '\f', to - from);
            return hit ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - p) : kNotFound;
        }
        case kWithinSentence:
            for (std::size_t i = to; i-- > from;)
                if (closer_[p[i]]) return i;
            return kNotFound;
        default:
            return kNotFound;
    }
}

// Calls at(h) for each byte from 0x80 up in p[from, to), in order; a stretch
// without any costs one test per 64 bytes.
template <typename At>
void ForEachHigh(const std::uint8_t* p, std::size_t from, std::size_t to, At at) {
    std::size_t i = from;
#if defined(__SSE2__)
    auto load = [p](std::size_t k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)); };
    auto mask = [](__m128i v) { return static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(v))); };
    for (; i + 64 <= to; i += 64) {
        const __m128i a = load(i), b = load(i + 16), c = load(i + 32), d = load(i + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) continue;
        for (std::uint64_t bits = mask(a) | mask(b) << 16 | mask(c) << 32 | mask(d) << 48; bits != 0; bits &= bits - 1)
            at(i + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
#endif
    for (; i < to; ++i)
        if (p[i] & 0x80) at(i);
}

void DecideScan::FindHighWindows() {
    windowsReady_ = true;
    windows_.clear();
    const std::uint8_t* p = buffer_.data();
    const std::size_t reach = carry_ + 1;  // an occurrence and its neighbours around the high byte
    auto addWindows = [&](std::size_t from, std::size_t to) {
        ForEachHigh(p, from, to, [&](std::size_t h) {
            const std::size_t start = h > reach ? h - reach : 0;
            const std::size_t end = std::min(length_, h + reach + 1);
            if (!windows_.empty() && start <= windows_.back().second)
                windows_.back().second = std::max(windows_.back().second, end);
            else
                windows_.emplace_back(start, end);
        });
    };
    // Where the raw searches stepped, only the chunks they marked are looked at again.
    const std::size_t chunks = std::min(highMap_.coveredTo, length_) / 64;
    for (std::size_t word = 0; word * 64 < chunks; ++word) {
        for (std::uint64_t bits = highChunks_[word]; bits != 0; bits &= bits - 1) {
            const std::size_t chunk = word * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
            if (chunk < chunks) addWindows(chunk * 64, chunk * 64 + 64);
        }
    }
    addWindows(chunks * 64, length_);
}

std::size_t DecideScan::FindNear(const Stream& s, std::size_t from, std::size_t lastStart, OccurrenceTest accept) {
    if (!windowsReady_) FindHighWindows();
    const std::size_t len = s.folded ? s.folded->size() : s.finder.Length();
    auto w = std::upper_bound(windows_.begin(), windows_.end(), from,
                              [](std::size_t f, const auto& win) { return f < win.second; });
    for (; w != windows_.end() && w->first <= lastStart; ++w) {
        if (w->second - w->first < len) continue;
        std::size_t m;
        if (s.folded) {
            m = FindFolded(s, std::max(from, w->first), w->second, lastStart);
        } else {
            const std::size_t last = std::min(w->second - len, lastStart);
            m = s.finder.Find(buffer_.data(), std::max(from, w->first), last, nullptr, accept);
        }
        if (m != kNotFound) return m;
    }
    return kNotFound;
}

// The folded term among the characters of buffer_[from, to), decoded as
// UTF-8 from the first character start on, at a start no later than
// lastStart, accepted by the Unicode reading's rules: Knuth-Morris-Pratt over
// characters, linear in the bytes.
std::size_t DecideScan::FindFolded(const Stream& s, std::size_t from, std::size_t to, std::size_t lastStart) {
    const std::u32string& term = *s.folded;
    const std::size_t len = term.size();
    const std::uint8_t* p = buffer_.data();
    const bool ignoreCase = patterns_.IgnoreCase();
    // Where the last len characters started, in a ring.
    std::size_t ring[64];
    std::vector<std::size_t> bigRing;
    std::size_t* starts = ring;
    if (len + 1 > 64) {
        bigRing.resize(len + 1);
        starts = bigRing.data();
    }
    const std::size_t ringSize = len + 1 > 64 ? len + 1 : 64;
    std::size_t i = from;
    while (i < to && (p[i] & 0xC0) == 0x80) ++i;
    std::size_t q = 0, count = 0;
    while (i < to) {
        char32_t c;
        const std::size_t n = DecodeUtf8At(p + i, length_ - i, c);
        if (c != kInvalidChar && ignoreCase) c = FoldCase(c);
        starts[count % ringSize] = i;
        ++count;
        const std::size_t end = i + n;
        i = end;
        while (q > 0 && term[q] != c) q = s.border[q];
        if (term[q] == c) ++q;
        if (q < len) continue;
        const std::size_t m = starts[(count - len) % ringSize];
        if (m > lastStart) return kNotFound;
        if (AcceptUnicode(m, end - m)) return m;
        q = s.border[q];
    }
    return kNotFound;
}

bool DecideScan::Accept(const Stream& s, std::size_t m) const {
    // Judged in the block before, where its left neighbour was in view.
    if (m < context_ && base_ != 0) return false;
    const std::size_t len = s.finder.Length();
    if (s.unicode) return AcceptUnicode(m, len);
    return AcceptByte(s, m);
}

bool DecideScan::AcceptByte(const Stream& s, std::size_t m) const {
    const std::uint8_t* p = buffer_.data();
    const std::size_t len = s.finder.Length();
    // An occurrence never spans two units; it may end with the closing byte.
    if (within_ != kWithinFile && len > 1 && HasCloser(m, m + len - 1)) return false;
    if (s.rejectHigh) {
        const std::size_t from = m > 0 ? m - 1 : 0;
        const std::size_t to = std::min(length_, m + len + 1);
        for (std::size_t i = from; i < to; ++i)
            if (p[i] & 0x80) return false;
    }
    if (!wholeWord_) return true;
    const bool* alpha = s.alpha;
    // The byte before a unit is a closing byte, and no closing byte is a letter.
    if (base_ + m != 0 && alpha[p[m - 1]]) return false;
    const std::size_t end = m + len;
    if (end == length_) return true;  // only in the last block: the file ends here
    if (closer_[p[end - 1]]) return true;
    return !alpha[p[end]];
}

// An occurrence of len bytes at m in the Unicode reading (UTF-8).
bool DecideScan::AcceptUnicode(std::size_t m, std::size_t len) const {
    if (m < context_ && base_ != 0) return false;
    if (base_ + m < textStart_) return false;
    if (within_ != kWithinFile && len > 1 && HasCloser(m, m + len - 1)) return false;
    if (!wholeWord_) return true;
    const std::uint8_t* p = buffer_.data();
    // The character before: it ends at m, which starts a character.
    const std::size_t lowest = base_ < textStart_ ? textStart_ - base_ : 0;
    if (m > lowest) {
        std::size_t start = m - 1;
        while (start > lowest && m - start < 4 && (p[start] & 0xC0) == 0x80) --start;
        char32_t c;
        if (DecodeUtf8At(p + start, m - start, c) == m - start && IsWordChar(c)) return false;
    }
    const std::size_t end = m + len;
    if (end == length_) return true;  // only in the last block: the file ends here
    if (closer_[p[end - 1]]) return true;
    char32_t c;
    DecodeUtf8At(p + end, length_ - end, c);
    return !IsWordChar(c);
}

std::size_t DecideScan::FindAccepted(const Stream& s, std::size_t from, std::size_t lastStart) {
    const std::size_t len = s.finder.Length();
    if (s.dead || (len == 0 && !s.folded) || length_ < len || horizon_ == 0) return kNotFound;
    lastStart = std::min({lastStart, length_ - len, horizon_ - 1});
    if (from > lastStart) return kNotFound;
    auto accept = [&](std::size_t m) { return Accept(s, m); };
    // A raw search that proves its bytes ASCII spares the near ones the look for high bytes there.
    if (s.near) return FindNear(s, from, lastStart, accept);
    return s.finder.Find(buffer_.data(), from, lastStart, nearHigh_ && !windowsReady_ ? &highMap_ : nullptr, accept);
}

std::size_t DecideScan::Next(Stream& s, std::size_t from) {
    if (s.next != kNotFound ? s.next >= from : s.searchedFrom <= from) return s.next;
    s.searchedFrom = from;
    s.next = FindAccepted(s, from, kNotFound);
    return s.next;
}

// Looks for the lazy terms not found yet among the unit's occurrences that
// start in [from, lastStart]; false, without looking, when the unit cannot
// be satisfied whatever they are.
bool DecideScan::SettleLazy(std::size_t from, std::size_t lastStart, bool unitEnds) {
    for (std::size_t t = 0; t < state_.size(); ++t)
        evalState_[t] = state_[t] == 1 ? 1 : (lazy_[t] || unitEnds ? 0 : 2);
    if (query_.EvaluatePartial(evalState_.data(), scratch_) == 0) return false;
    for (const Stream& s : streams_)
        if (s.lazy && state_[s.term] != 1 && FindAccepted(s, from, lastStart) != kNotFound) state_[s.term] = 1;
    return true;
}

DecideScan::Outcome DecideScan::Sweep() {
    auto local = [this](std::uint64_t offset) {
        return offset > base_ ? static_cast<std::size_t>(offset - base_) : std::size_t{0};
    };
    if (unitDecided_) {
        const std::size_t c = FirstCloser(local(closerFreeUpTo_), horizon_);
        if (c == kNotFound) {
            closerFreeUpTo_ = std::max(closerFreeUpTo_, base_ + horizon_);
            return Outcome::Open;
        }
        unitDecided_ = false;
        StartUnit(base_ + c + 1);
    }
    for (;;) {
        const std::size_t from = local(unitStart_);
        std::size_t m = kNotFound;
        const Stream* which = nullptr;
        bool skipped = false;
        for (std::size_t i = 0; i < streams_.size() && !skipped;) {
            const std::uint32_t t = streams_[i].term;
            std::size_t first = kNotFound;
            for (; i < streams_.size() && streams_[i].term == t; ++i) {
                Stream& s = streams_[i];
                if (s.lazy || state_[t] == 1) continue;
                const std::size_t at = Next(s, from);
                first = std::min(first, at);
                if (at < m) {
                    m = at;
                    which = &s;
                }
            }
            if (first != kNotFound || !required_[t] || state_[t] == 1) continue;
            // A required term missing from the rest of the block fails every
            // unit that ends in it.
            if (final_) return Outcome::NotSatisfied;
            if (within_ == kWithinFile) continue;
            const std::size_t last = LastCloser(std::max(from, local(closerFreeUpTo_)), horizon_);
            if (last == kNotFound) continue;
            StartUnit(base_ + last + 1);
            closerFreeUpTo_ = base_ + horizon_;
            skipped = true;
        }
        if (skipped) continue;
        const std::size_t limit = m == kNotFound ? horizon_ : m;
        const std::size_t c = FirstCloser(std::max(from, local(closerFreeUpTo_)), limit);
        if (c != kNotFound) {
            if (hasLazy_) SettleLazy(std::max(from, local(lazyFrom_)), c, true);
            if (EvaluateUnit() == 1) return Outcome::Satisfied;
            // The next occurrence was looked for among the terms this unit
            // lacks only; a term it holds may come again in the next unit.
            if (FoundAny()) {
                StartUnit(base_ + c + 1);
                continue;
            }
            // No term before the next occurrence: the units up to it are as
            // empty as this one, and fail as it did (a lazy term only lowers).
            const std::size_t last = LastCloser(c + 1, limit);
            StartUnit(base_ + (last != kNotFound ? last : c) + 1);
            closerFreeUpTo_ = base_ + limit;
            continue;
        }
        closerFreeUpTo_ = std::max(closerFreeUpTo_, base_ + limit);
        if (which == nullptr) {
            // The unit goes on past this block, or ends the file: the lazy
            // terms are looked for in its bytes here before they go.
            if (hasLazy_ && horizon_ > 0) {
                const bool possible = SettleLazy(std::max(from, local(lazyFrom_)), horizon_ - 1, final_);
                lazyFrom_ = base_ + horizon_;
                if (!final_ && (!possible || query_.EvaluatePartial(state_.data(), scratch_) == 0)) {
                    if (within_ == kWithinFile) return Outcome::NotSatisfied;
                    unitDecided_ = true;
                }
            }
            return Outcome::Open;
        }

        state_[which->term] = 1;
        const int partial = query_.EvaluatePartial(state_.data(), scratch_);
        if (partial == 1) return Outcome::Satisfied;
        if (partial == 0) {
            if (within_ == kWithinFile) return Outcome::NotSatisfied;
            const std::size_t end = FirstCloser(m, horizon_);
            if (end == kNotFound) {
                unitDecided_ = true;
                closerFreeUpTo_ = std::max(closerFreeUpTo_, base_ + horizon_);
                return Outcome::Open;
            }
            StartUnit(base_ + end + 1);
        }
    }
}

int DecideScan::Run(int fd, const std::function<bool(std::size_t)>& progress,
                    const std::function<bool(const unsigned char*, std::size_t)>* head) {
    ReadSource source(fd);
    return Run(source, progress, head);
}

int DecideScan::Run(ReadSource& source, const std::function<bool(std::size_t)>& progress,
                    const std::function<bool(const unsigned char*, std::size_t)>* head) {
    base_ = 0;
    length_ = 0;
    final_ = false;
    textStart_ = 0;
    unitDecided_ = false;
    closerFreeUpTo_ = 0;
    StartUnit(0);
    for (;;) {
        if (length_ > carry_) {
            std::memmove(buffer_.data(), buffer_.data() + length_ - carry_, carry_);
            base_ += length_ - carry_;
            length_ = carry_;
        }
        const std::size_t got = ReadUpTo(source, buffer_.data() + length_, blockSize_, final_);
        length_ += got;
        if (base_ == 0 && head && !(*head)(buffer_.data(), length_)) return kRefused;
        if (base_ == 0 && patterns_.UnicodeOn()) {
            const FileForm form = DetectForm(buffer_.data(), length_);
            if (form.Utf16()) return kUtf16Text;
            textStart_ = form.textStart;
        }
        horizon_ = final_ ? length_ : (length_ >= carry_ ? length_ - carry_ + context_ : 0);
        if (!progress(got)) return 0;
        for (Stream& s : streams_) {
            s.next = kNotFound;
            s.searchedFrom = kNotFound;
        }
        windowsReady_ = false;
        highMap_.coveredTo = 0;
        if (nearHigh_) std::fill_n(highChunks_.begin(), std::min(highChunks_.size(), length_ / 4096 + 1), std::uint64_t{0});
        switch (Sweep()) {
            case Outcome::Satisfied: return 1;
            case Outcome::NotSatisfied: return 0;
            case Outcome::Open: break;
        }
        if (final_) break;
    }
    return unitDecided_ ? 0 : EvaluateUnit();
}

}  // namespace quarvel
