#include "documents/pdf_text.h"

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

}  // namespace

DocumentText PdfText(const std::string& path) {
    std::call_once(quietened, [] { poppler::set_debug_error_function(&Quiet, nullptr); });
    DocumentText result;
    const std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
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

}  // namespace quarvel
