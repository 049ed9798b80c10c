// The text of PDFs the test writes itself: pages in order, each ended by a
// form feed, and a message for an encrypted or a damaged one.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "documents/pdf_text.h"
#include "tests/file_bytes.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

// A PDF of one page per text, in Helvetica, uncompressed; trailer: more
// entries for the trailer's dictionary (an /Encrypt, an /ID).
std::string MakePdf(const std::vector<std::string>& pages, const std::string& extraObject = "",
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

TEST(PdfText, PagesInOrderEachEndedByAFormFeed) {
    TempFolder folder("quarvel-pdf");
    const std::string path = folder.Path() + "/report.pdf";
    Put(path, MakePdf({"quarterly revenue", "second page", "the end"}));
    const DocumentText text = PdfText(path);
    ASSERT_TRUE(text.ok) << text.failure;
    // Each page's words, then its form feed: the Page unit is a page of the document.
    std::vector<std::string> pages;
    std::string page;
    for (char c : text.text) {
        if (c == '\f') {
            pages.push_back(page);
            page.clear();
        } else if (c != '\n') {
            page += c;
        }
    }
    EXPECT_EQ(pages, (std::vector<std::string>{"quarterly revenue", "second page", "the end"}));
    EXPECT_TRUE(page.empty());
}

TEST(PdfText, EncryptedAndDamagedFilesSayWhy) {
    TempFolder folder("quarvel-pdf");
    const std::string hex32(64, 'A');
    // The standard security handler with a user password that is not empty:
    // nothing opens it without that password.
    const std::string encrypted = MakePdf({"secret words"}, "<< /Filter /Standard /V 1 /R 2 /O <" + hex32 +
                                                                "> /U <" + hex32 + "> /P -4 >>",
                                          "/Encrypt 6 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> "
                                          "<0123456789ABCDEF0123456789ABCDEF>] ");
    Put(folder.Path() + "/locked.pdf", encrypted);
    DocumentText text = PdfText(folder.Path() + "/locked.pdf");
    EXPECT_FALSE(text.ok);
    EXPECT_EQ(text.failure, "the PDF is encrypted");
    EXPECT_EQ(text.text.find("secret"), std::string::npos);

    for (const std::string& damaged : {std::string("%PDF-1.4\nthis is no PDF at all\n"), std::string(),
                                       MakePdf({"cut short"}).substr(0, 40)}) {
        Put(folder.Path() + "/damaged.pdf", damaged);
        text = PdfText(folder.Path() + "/damaged.pdf");
        EXPECT_FALSE(text.ok) << damaged.size();
        EXPECT_EQ(text.failure, "the PDF is damaged or is no PDF");
    }
    EXPECT_FALSE(PdfText(folder.Path() + "/missing.pdf").ok);
}

}  // namespace
}  // namespace quarvel
