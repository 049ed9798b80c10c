#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/cancel_flag.h"
#include "query/tstr.h"
#include "settings/search_cfg.h"
#include "viewer/hit_lines.h"

namespace quarvel {

// The scan behind the main window's preview of one found file: every hit
// collected, its lines listed as soon as the first ones are read. A search
// by lines reads a large file piece by piece, each piece ending where a line
// does, so that its first lines show long before its end is read.
class PreviewScan {
public:
    // The first piece read; each one after is four times the one before, up to kLargestPiece.
    static constexpr std::uint64_t kFirstPiece = 256u << 10;
    static constexpr std::uint64_t kLargestPiece = 16u << 20;
    // What is known so far: the lines up to the layout's cap and how many more; done: the whole file is read.
    using Told = std::function<void(const HitLines& lines, bool done)>;

    // The settings and the query are only read and must outlive the scan.
    // firstPiece: the first piece's length (smaller only to test the cuts).
    PreviewScan(const TSearchCFG& cfg, const Tstr& query, const CancelFlag& cancel,
                std::uint64_t firstPiece = kFirstPiece);

    // Scans the file at path and tells what it finds. False when it cannot
    // be read (nothing is told) or the scan was cancelled.
    bool Run(const std::string& path, const HitLinesLayout& layout, const Told& told);

private:
    const TSearchCFG& cfg_;
    const Tstr& query_;
    const CancelFlag& cancel_;
    std::uint64_t firstPiece_;
};

}  // namespace quarvel
