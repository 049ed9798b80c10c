#include "viewer/preview_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "documents/searchable_file.h"
#include "platform/error.h"
#include "platform/file_handle.h"
#include "platform/path_text.h"
#include "query/chunked_scan.h"
#include "query/match_engine.h"

namespace quarvel {

PreviewScan::PreviewScan(const TSearchCFG& cfg, const Tstr& query, const CancelFlag& cancel,
                         std::uint64_t firstPiece)
    : cfg_(cfg), query_(query), cancel_(cancel), firstPiece_(std::max<std::uint64_t>(1, firstPiece)) {}

bool PreviewScan::Run(const std::string& path, const HitLinesLayout& layout, const Told& told) {
    ScanObserver quiet;
    MatchEngine engine(cfg_, query_, quiet, cancel_);
    engine.SetCollectHits(true);
    const bool documents = cfg_.SearchDocuments != 0;
    ViewFile source(path, documents);
    FileHandle file(::open(path.c_str(), kReadFlags));
    struct stat st {};
    if (!source.IsOpen()) return false;
    const bool asItIs = ReadAsItIs(path, documents);
    if (asItIs && (!file.valid() || ::fstat(file.get(), &st) != 0)) return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    unsigned char head[4096];
    const ssize_t got = ::pread(file.get(), head, sizeof head, 0);
    const FileForm form = engine.FormOf(head, got > 0 ? static_cast<std::size_t>(got) : 0);

    // A unit other than a line may run across pieces, and so may a UTF-16
    // line feed's two bytes: such files, and small ones, are read whole.
    if (!asItIs || cfg_.SearchWithin != kWithinLine || form.Utf16() || size <= 2 * firstPiece_) {
        std::string folder = FolderOfPath(path);
        const std::string name = path.substr(folder.size());
        if (!folder.empty() && folder.back() == '/') folder.pop_back();
        try {
            engine.Scan(folder, name);
        } catch (const QuarvelError&) {
            return false;
        }
        if (cancel_) return false;
        told(ReadHitLines(source, engine.Result(), layout), true);
        return true;
    }

    // The pieces' line tables joined, so that each piece's lines are numbered
    // in the whole file; only the new piece's hits are shown each time.
    FileScan joined;
    joined.lineStarts.assign(1, 0);
    HitLines shown;
    std::uint64_t piece = firstPiece_;
    for (std::uint64_t from = 0; from < size;) {
        std::uint64_t to = NextUnitStart(file.get(), std::min(size, from + piece), kWithinLine);
        if (to == 0 || to >= size) to = size;
        engine.ScanRange(file.get(), from, to == size ? MatchEngine::kWholeFile : to - from, form);
        if (cancel_) return false;
        const FileScan& part = engine.Result();
        for (std::uint64_t start : part.lineStarts)
            if (start > joined.lineStarts.back()) joined.lineStarts.push_back(start);
        joined.hits = part.hits;
        joined.end = to == size ? std::max(size, part.end) : to;
        HitLinesLayout rest = layout;
        rest.cap = layout.cap - std::min(layout.cap, shown.lines.size());
        HitLines more = ReadHitLines(source, joined, rest);
        shown.more += more.more;
        for (HitLine& line : more.lines) shown.lines.push_back(std::move(line));
        from = to;
        if (from < size && !more.lines.empty()) told(shown, false);
        piece = std::min(std::max(kLargestPiece, firstPiece_), piece * 4);
    }
    told(shown, true);
    return true;
}

}  // namespace quarvel
