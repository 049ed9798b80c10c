#include "tests/engine/match_oracle.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/reading.h"
#include "platform/text_conv.h"
#include "platform/unicode_text.h"

namespace quarvel {
namespace {

constexpr std::size_t kReadSize = 5000;
constexpr std::size_t kUnitSize = 2000;

bool ClosesUnit(std::uint32_t within, unsigned char b) {
    switch (within) {
        case kWithinPage: return b == 0x0C;
        case kWithinLine: return b == 0x0A;
        case kWithinSentence: return b == '.' || b == '!' || b == '?';
        default: return false;
    }
}

// Before the first element whose offset is greater, so equal offsets keep
// the order in which they came.
void InsertByOffset(TSaveElemArray& list, const TSaveElem& e) {
    std::size_t i = 0;
    while (i < list.size() && list[i].offset <= e.offset) ++i;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), e);
}

struct Oracle {
    TSearchCFG& cfg;
    Tstr& query;
    bool collect;
    std::vector<std::uint8_t> found;
    std::uint64_t running = 0;

    // Every term in one reading of a piece of n bytes.
    std::vector<std::string> ansiTerms;  // the terms in Windows-1252

    void SearchReading(const unsigned char* work, std::size_t n, bool firstOfUnit, bool endsUnit, std::uint32_t reading) {
        for (std::uint32_t t = 0; t < query.TermCount(); ++t) {
            const std::string& text = ansiTerms[t];
            const std::size_t len = text.size();
            if (len == 0) continue;
            std::size_t p = 0;
            while (p + len <= n) {
                if (work[p] != static_cast<unsigned char>(text[0])) {
                    ++p;
                    continue;
                }
                if (std::memcmp(work + p, text.data(), len) != 0) {
                    ++p;
                    continue;
                }
                bool accept = true;
                if (cfg.SearchWholeWord) {
                    if (p == 0) {
                        // At the start of a continuation piece the earlier piece saw both sides.
                        if (!firstOfUnit) accept = false;
                    } else if (IsCharAlphaA(work[p - 1])) {
                        accept = false;
                    }
                    if (p + len == n) {
                        // At the end of a cut piece the next piece sees both sides.
                        if (!endsUnit) accept = false;
                    } else if (IsCharAlphaA(work[p + len])) {
                        accept = false;
                    }
                }
                if (!accept) {
                    ++p;
                    continue;
                }
                found[t] = 1;
                if (collect) {
                    TSaveElem hit;
                    hit.offset = running + p;
                    hit.word = t;
                    hit.satisfied = 0;
                    hit.length = static_cast<std::uint32_t>(len);
                    hit.reading = reading;
                    InsertByOffset(cfg.UnitHits, hit);
                }
                p += len;
            }
        }
    }
};

}  // namespace

int OracleScan(const std::string& path, TSearchCFG& cfg, Tstr& query, bool collectHits) {
    cfg.ResetPerFile();
    cfg.LineStarts.push_back(0);
    if (query.TermCount() == 0 && !collectHits) return 1;

    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) throw QuarvelError("Error open file");

    Oracle o{cfg, query, collectHits, std::vector<std::uint8_t>(query.TermCount() + 1, 0), 0, {}};
    std::uint32_t longestTerm = 0;
    for (std::uint32_t t = 0; t < query.TermCount(); ++t) {
        const AnsiConversion ansi = Utf8ToAnsi(query.TermText(t));
        o.ansiTerms.push_back(ansi.ok ? ansi.text : std::string());
        // Pieces overlap by the longest term in characters, whether a reading can hold it or not.
        longestTerm = std::max<std::uint32_t>(longestTerm, static_cast<std::uint32_t>(Utf8ToChars(query.TermText(t)).size()));
    }
    const double startCurrent = cfg.GSizeFilesCurrent;

    unsigned char readBuf[kReadSize];
    std::size_t readPos = 1;
    std::size_t readCount = 1;
    unsigned char unit[kUnitSize];
    unsigned char work[kUnitSize];
    std::uint32_t skip = 0;
    bool firstOfUnit = true;
    int result = 0;
    std::uint64_t longest = 0;

    for (;;) {
        std::size_t n = 0;
        bool endOfFile = false;
        bool cut = false;
        for (;;) {
            if (readPos >= readCount) {
                readCount = std::fread(readBuf, 1, kReadSize, f);
                readPos = 0;
                if (readCount == 0) {
                    endOfFile = true;
                    break;
                }
            }
            const unsigned char b = readBuf[readPos++];
            unit[n] = b;
            const std::size_t pos = n;
            ++n;
            if (skip > 0) {
                --skip;
            } else if (b == 0x0A) {
                cfg.LineStarts.push_back(o.running + pos + 1);
                ++cfg.LineCount;
                const std::size_t k = cfg.LineStarts.size();
                const std::uint64_t len = cfg.LineStarts[k - 1] - cfg.LineStarts[k - 2];
                if (len > longest) longest = len;
            }
            if (ClosesUnit(cfg.SearchWithin, b)) break;
            if (n == kUnitSize) {
                cut = true;
                break;
            }
        }

        cfg.GSizeFilesCurrent += static_cast<double>(n);
        const bool endsUnit = !cut;
        if (cfg.SearchCode == kCodeAnsi || cfg.SearchCode == kCodeBoth) {
            std::memcpy(work, unit, n);
            if (cfg.SearchIgnoreCase) CharLowerBuffA(reinterpret_cast<char*>(work), n);
            o.SearchReading(work, n, firstOfUnit, endsUnit, kReadingAnsi);
        }
        if (cfg.SearchCode == kCodeOem || cfg.SearchCode == kCodeBoth) {
            OemToCharBuffA(reinterpret_cast<const char*>(unit), reinterpret_cast<char*>(work), n);
            if (cfg.SearchIgnoreCase) CharLowerBuffA(reinterpret_cast<char*>(work), n);
            o.SearchReading(work, n, firstOfUnit, endsUnit, kReadingOem);
        }
        o.running += n;

        if (!cut) {
            const int r = query.Evaluate(o.found.data());
            if (collectHits) {
                for (TSaveElem hit : cfg.UnitHits) {
                    hit.satisfied = static_cast<std::uint32_t>(r);
                    cfg.Hits.push_back(hit);
                }
                cfg.UnitHits.clear();
            }
            if (r == 1) result = 1;
            firstOfUnit = true;
            if (endOfFile) break;
        } else {
            std::uint32_t overlap = 0;
            if (query.TermCount() > 0)
                overlap = cfg.SearchWholeWord ? longestTerm + 1 : longestTerm - 1;
            if (overlap >= kUnitSize) overlap = kUnitSize - 1;
            o.running -= overlap;
            cfg.GSizeFilesCurrent -= overlap;
            std::fseek(f, static_cast<long>(o.running), SEEK_SET);
            readPos = 0;
            readCount = 0;
            skip = overlap;
            firstOfUnit = false;
        }
    }

    cfg.GSizeFilesCurrent = startCurrent + cfg.CurrentFileSize;
    std::fclose(f);
    if (longest != 0) --longest;
    const std::uint64_t last = o.running - cfg.LineStarts.back();
    if (last > longest) longest = last;
    cfg.LongestLine = longest > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(longest);
    return result;
}

}  // namespace quarvel
