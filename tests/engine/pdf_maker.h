#pragma once
// Minimal PDFs written by hand, for the tests of documents.
#include <cstdio>
#include <string>
#include <vector>

namespace quarvel {

// A PDF of one page per text, in Helvetica, uncompressed; trailer: more
// entries for the trailer's dictionary (an /Encrypt, an /ID).
inline std::string MakePdf(const std::vector<std::string>& pages, const std::string& extraObject = "",
                    const std::string& trailer = "") {
    std::vector<std::string> objects;
    std::string kids;
    const std::size_t firstPage = 4;
    for (std::size_t i = 0; i < pages.size(); ++i)
        kids += std::to_string(firstPage + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string content = "BT /F1 12 Tf 72 720 Td (" + pages[i] + ") Tj ET";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> "
                          "/Contents " + std::to_string(firstPage + 2 * i + 1) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
    }
    if (!extraObject.empty()) objects.push_back(extraObject);
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R " + trailer + ">>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace quarvel
