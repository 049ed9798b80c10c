#pragma once
#include <chrono>
#include <string>

#include "documents/document_text.h"

namespace quarvel {

// The text of a PDF page by page, each page followed by a form feed, so that
// a Page unit is a page of the document. An encrypted PDF (without its
// password) and a damaged one give no text and say why; so does one whose
// pages take past the deadline.
DocumentText PdfText(const std::string& path,
                     std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());
// The same for a PDF held in memory (a member of an archive).
DocumentText PdfTextOfBytes(const std::string& bytes,
                            std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());

}  // namespace quarvel
