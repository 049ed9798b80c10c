#pragma once
#include <string>

#include "documents/document_text.h"

namespace quarvel {

// The text of a PDF page by page, each page followed by a form feed, so that
// a Page unit is a page of the document. An encrypted PDF (without its
// password) and a damaged one give no text and say why.
DocumentText PdfText(const std::string& path);

}  // namespace quarvel
