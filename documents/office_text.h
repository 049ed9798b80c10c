#pragma once
#include <chrono>
#include <optional>
#include <string>

#include "documents/document_text.h"

namespace quarvel {

// The text of a zip that is an Office Open XML (.docx, .xlsx, .pptx),
// OpenDocument (.odt, .ods, .odp) or EPUB document; nullopt when the zip is
// none of those (it is then searched as an archive of members). Exactly one
// of path and bytes is given. The document is recognised by its content
// (its members), not by any file name. deadline: extraction stops there with
// the failure "took longer than N seconds" (N = kDocumentSeconds).
std::optional<DocumentText> ZipDocumentText(const std::string* path, const std::string* bytes,
                                            std::chrono::steady_clock::time_point deadline);

}  // namespace quarvel
