#include "documents/pdf_text.h"

#include <climits>
#include <memory>
#include <mutex>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

namespace quarvel {

namespace {

// The library's own complaints about a damaged file would go to standard
// error; the search says what went wrong in its own words.
void Quiet(const std::string&, void*) {}

std::once_flag quietened;

DocumentText TextOf(poppler::document* loaded, std::chrono::steady_clock::time_point deadline) {
    DocumentText result;
    const std::unique_ptr<poppler::document> document(loaded);
    if (!document) {
        result.failure = "the PDF is damaged or is no PDF";
        return result;
    }
    if (document->is_locked()) {
        result.failure = "the PDF is encrypted";
        return result;
    }
    const int pages = document->pages();
    for (int i = 0; i < pages; ++i) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.text.clear();
            result.failure = TookTooLong();
            return result;
        }
        const std::unique_ptr<poppler::page> page(document->create_page(i));
        if (page) {
            // In reading order, as a person reads the page, not as it is laid out.
            const poppler::byte_array utf8 =
                page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout).to_utf8();
            // The library ends a page with a form feed of its own: one is enough.
            std::size_t length = utf8.size();
            while (length > 0 && utf8[length - 1] == '\f') --length;
            result.text.append(utf8.data(), length);
        }
        result.text += '\f';
    }
    result.ok = true;
    return result;
}

void Quieten() {
    std::call_once(quietened, [] { poppler::set_debug_error_function(&Quiet, nullptr); });
}

}  // namespace

DocumentText PdfText(const std::string& path, std::chrono::steady_clock::time_point deadline) {
    Quieten();
    return TextOf(poppler::document::load_from_file(path), deadline);
}

DocumentText PdfTextOfBytes(const std::string& bytes, std::chrono::steady_clock::time_point deadline) {
    Quieten();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        DocumentText result;
        result.failure = "the PDF is too large";
        return result;
    }
    return TextOf(poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())), deadline);
}

}  // namespace quarvel
