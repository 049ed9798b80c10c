#pragma once
#include <string>

namespace quarvel {

// The text a document holds, extracted to be searched in the Unicode reading.
struct DocumentText {
    bool ok = false;
    std::string text;     // UTF-8; pages (and slides) end with a form feed, paragraphs with a line feed
    std::string failure;  // why there is no text, to name with the file: "the PDF is encrypted"
};

// A document's text is given up after this long: a file made to keep a
// parser busy costs the search no more.
inline constexpr int kDocumentSeconds = 30;
inline std::string TookTooLong() { return "took longer than " + std::to_string(kDocumentSeconds) + " seconds"; }

}  // namespace quarvel
