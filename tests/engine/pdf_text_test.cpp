// The text of PDFs the test writes itself: pages in order, each ended by a
// form feed, and a message for an encrypted or a damaged one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/pdf_text.h"
#include "tests/engine/pdf_maker.h"
#include "tests/file_bytes.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

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
