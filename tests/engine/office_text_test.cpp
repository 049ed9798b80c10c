// The text of the Office Open XML, OpenDocument and EPUB files the test
// writes itself with Python's zipfile: paragraphs, cells, slides and chapters
// in the document's order (not the zip's), zips that are no document, and a
// message for a damaged or a slow one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "documents/office_text.h"
#include "tests/file_bytes.h"
#include "tests/temp_folder.h"

namespace quarvel {
namespace {

using Clock = std::chrono::steady_clock;

// make(name, members) writes a zip, "mimetype" stored as ODF and EPUB store
// it; package(main) is the start of an Office Open XML package.
const char* const kPrelude = R"PY(
import zipfile
OFFICE = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
def make(name, members):
    with zipfile.ZipFile(folder + '/' + name, 'w', zipfile.ZIP_DEFLATED) as z:
        for n, d in members:
            z.writestr(n, d, compress_type=zipfile.ZIP_STORED if n == 'mimetype' else zipfile.ZIP_DEFLATED)
def rels(*links):
    return ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' +
            ''.join('<Relationship Id="%s" Type="%s%s" Target="%s"/>' % (i, OFFICE, t, g) for i, t, g in links) +
            '</Relationships>')
def package(main):
    return [('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>'),
            ('_rels/.rels', rels(('rId1', 'officeDocument', main)))]
W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:mc="mc"'
def docx_body(body):
    return '<?xml version="1.0" encoding="UTF-8"?><w:document %s><w:body>%s</w:body></w:document>' % (W, body)
)PY";

void Python(const std::string& folder, const std::string& script) {
    const std::string command =
        "python3 - <<'PYTHON'\nfolder = '" + folder + "'\n" + kPrelude + script + "\nPYTHON\n";
    ASSERT_EQ(std::system(command.c_str()), 0) << script;
}

// The text, or what came instead, so that a wrong outcome shows itself.
std::string TextOf(const std::string& path, Clock::time_point deadline = Clock::now() + std::chrono::seconds(30)) {
    const std::optional<DocumentText> text = ZipDocumentText(&path, nullptr, deadline);
    if (!text) return "(no document)";
    return text->ok ? text->text : "(failure) " + text->failure;
}

TEST(OfficeText, DocxParagraphsRunsTabsAndBreaks) {
    TempFolder folder("quarvel-office");
    Python(folder.Path(), R"PY(
body = ('<w:p><w:r><w:t>Annual report</w:t></w:r></w:p>'
        '<w:p><w:pPr><w:tabs><w:tab w:val="left" w:pos="720"/></w:tabs></w:pPr>'
        '<w:r><w:t xml:space="preserve">The quarterly </w:t></w:r><w:r><w:t>revenue</w:t><w:tab/>'
        '<w:t>rose &amp; fell</w:t><w:br/><w:t>again</w:t></w:r>'
        '<w:moveFrom><w:r><w:t>moved away</w:t></w:r></w:moveFrom></w:p>'
        '<w:p><w:r><mc:AlternateContent><mc:Choice><w:t>boxed</w:t></mc:Choice>'
        '<mc:Fallback><w:t>boxed</w:t></mc:Fallback></mc:AlternateContent></w:r></w:p><w:p/>')
make('report.docx', package('word/document.xml') + [('word/document.xml', docx_body(body))])
make('renamed.docx', package('word/document2.xml') + [('word/document2.xml', docx_body(body))])
)PY");
    const std::string expected = "Annual report\nThe quarterly revenue\trose & fell\nagain\nboxed\n\n";
    EXPECT_EQ(TextOf(folder.Path() + "/report.docx"), expected);
    // The package's relationships name the main member, whatever its name.
    EXPECT_EQ(TextOf(folder.Path() + "/renamed.docx"), expected);
    // A member of another archive is read from memory, the same.
    const std::string bytes = Get(folder.Path() + "/report.docx");
    const std::optional<DocumentText> fromBytes =
        ZipDocumentText(nullptr, &bytes, Clock::now() + std::chrono::seconds(30));
    ASSERT_TRUE(fromBytes && fromBytes->ok);
    EXPECT_EQ(fromBytes->text, expected);
}

TEST(OfficeText, WorkbookSheetsInTheWorkbooksOrderWithSharedStrings) {
    TempFolder folder("quarvel-office");
    Python(folder.Path(), R"PY(
S = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="%s"' % OFFICE
def sheet(rows): return '<worksheet %s><sheetData>%s</sheetData></worksheet>' % (S, rows)
data = sheet('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1"><v>1250.5</v></c><c r="D1" t="b"><v>1</v></c></row>'
             '<row r="3"><c r="B3" t="inlineStr"><is><r><t>in</t></r><r><t>line</t></r></is></c>'
             '<c r="C3" t="str"><f>A1</f><v>formula text</v></c></row>'
             '<row r="4"><c r="A4" s="1"/></row>'
             '<row r="9"><c r="A9"><v>7</v></c><c r="ZZZZZZ9"><v>8</v></c></row>')
summary = sheet('<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1" t="s"><v>2</v></c><c r="C1" t="s"><v>99</v></c></row>')
strings = ('<sst %s><si><t>quarterly revenue</t></si><si><r><t>Total </t></r><r><rPr><b/></rPr><t>sales</t></r></si>'
           '<si><t>東京</t><rPh sb="0" eb="2"><t>トウキョウ</t></rPh></si></sst>' % S)
workbook = ('<workbook %s><sheets><sheet name="Summary" sheetId="2" r:id="rId2"/>'
            '<sheet name="Data" sheetId="1" r:id="rId1"/></sheets></workbook>' % S)
make('sales.xlsx', package('xl/workbook.xml') + [
    ('xl/workbook.xml', workbook),
    ('xl/_rels/workbook.xml.rels', rels(('rId1', 'worksheet', 'worksheets/sheet1.xml'),
                                        ('rId2', 'worksheet', '/xl/worksheets/sheet2.xml'),
                                        ('rId3', 'sharedStrings', 'sharedStrings.xml'))),
    ('xl/worksheets/sheet1.xml', data), ('xl/worksheets/sheet2.xml', summary), ('xl/sharedStrings.xml', strings)])
)PY");
    // Columns a reference skips are empty fields, but no more than a sheet
    // has columns; a row without values makes no line.
    const std::string summary = "Total sales\t東京\n\f";
    const std::string data = "quarterly revenue\t\t1250.5\t1\n\tinline\tformula text\n7" + std::string(16383, '\t') + "8\n\f";
    EXPECT_EQ(TextOf(folder.Path() + "/sales.xlsx"), summary + data);
}

TEST(OfficeText, SlidesInThePresentationsOrderElseByNumber) {
    TempFolder folder("quarvel-office");
    Python(folder.Path(), R"PY(
P = ('xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
     'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" xmlns:r="%s"' % OFFICE)
def slide(*paragraphs):
    return ('<p:sld %s><p:cSld><p:spTree><p:sp><p:txBody><a:bodyPr/>%s</p:txBody></p:sp></p:spTree></p:cSld></p:sld>'
            % (P, ''.join('<a:p>%s</a:p>' % p for p in paragraphs)))
presentation = ('<p:presentation %s><p:sldIdLst><p:sldId id="256" r:id="rId7"/><p:sldId id="257" r:id="rId3"/>'
                '</p:sldIdLst></p:presentation>' % P)
slides = [('ppt/slides/slide1.xml', slide('<a:r><a:t>Closing</a:t></a:r>')),
          ('ppt/slides/slide2.xml', slide('<a:r><a:t>Quarterly review</a:t></a:r>',
                                          '<a:r><a:t>first</a:t></a:r><a:br/><a:r><a:t>line two</a:t></a:r>'))]
make('review.pptx', package('ppt/presentation.xml') + [('ppt/presentation.xml', presentation),
     ('ppt/_rels/presentation.xml.rels', rels(('rId3', 'slide', 'slides/slide1.xml'), ('rId7', 'slide', 'slides/slide2.xml')))] + slides)
make('numbered.pptx', package('ppt/presentation.xml') + [('ppt/presentation.xml', presentation),
     ('ppt/slides/slide10.xml', slide('<a:r><a:t>Ten</a:t></a:r>')), ('ppt/slides/slide2.xml', slide('<a:r><a:t>Two</a:t></a:r>'))])
)PY");
    EXPECT_EQ(TextOf(folder.Path() + "/review.pptx"), "Quarterly review\nfirst\nline two\n\fClosing\n\f");
    EXPECT_EQ(TextOf(folder.Path() + "/numbered.pptx"), "Two\n\fTen\n\f");
}

TEST(OfficeText, OpenDocumentTextSpreadsheetAndPresentation) {
    TempFolder folder("quarvel-office");
    Python(folder.Path(), R"PY(
NS = ' '.join('xmlns:%s="urn:oasis:names:tc:opendocument:xmlns:%s:1.0"' % p for p in
              [('office', 'office'), ('text', 'text'), ('table', 'table'), ('draw', 'drawing'), ('presentation', 'presentation')])
def odf(name, kind, body):
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content %s><office:automatic-styles>'
               '<text:p>no body</text:p></office:automatic-styles><office:body>%s</office:body></office:document-content>' % (NS, body))
    make(name, [('mimetype', 'application/vnd.oasis.opendocument.' + kind),
                ('META-INF/manifest.xml', '<manifest/>'), ('content.xml', content)])
odf('report.odt', 'text', '<office:text><text:h text:outline-level="1">Annual report</text:h>'
    '<text:p>The quarterly<text:s text:c="3"/>revenue<text:tab/>rose<text:line-break/>again'
    '<office:annotation><text:p>a comment</text:p></office:annotation></text:p>'
    '<text:p>x<text:s/>y <text:span>spanned</text:span></text:p></office:text>')
cell = lambda text, more='': '<table:table-cell %s><text:p>%s</text:p></table:table-cell>' % (more, text)
empty = lambda n: '<table:table-cell table:number-columns-repeated="%d"/>' % n
odf('sales.ods', 'spreadsheet', '<office:spreadsheet><table:table table:name="Sales">'
    '<table:table-column table:number-columns-repeated="1024"/>'
    '<table:table-row>' + cell('quarterly revenue') + empty(2) + cell('7', 'table:number-columns-repeated="3"') + empty(1018) + '</table:table-row>'
    '<table:table-row table:number-rows-repeated="2"><table:table-cell><text:p>first line</text:p><text:p>second line</text:p>'
    '</table:table-cell>' + empty(1023) + '</table:table-row>'
    '<table:table-row table:number-rows-repeated="1048573">' + empty(1024) + '</table:table-row></table:table>'
    '<table:table table:name="Empty"><table:table-row>' + empty(1024) + '</table:table-row></table:table></office:spreadsheet>')
frame = lambda text: '<draw:frame><draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame>' % text
# A big cell repeated: written again only while its copies stay small.
odf('big.ods', 'spreadsheet', '<office:spreadsheet><table:table>'
    '<table:table-row>' + cell('w' * 600000, 'table:number-columns-repeated="5"') + '</table:table-row></table:table></office:spreadsheet>')
odf('review.odp', 'presentation', '<office:presentation><draw:page>' + frame('Quarterly review') +
    '<presentation:notes>' + frame('speaker notes') + '</presentation:notes></draw:page>'
    '<draw:page>' + frame('Closing') + '</draw:page></office:presentation>')
)PY");
    EXPECT_EQ(TextOf(folder.Path() + "/report.odt"), "Annual report\nThe quarterly   revenue\trose\nagain\nx y spanned\n");
    // Repeated empty cells and rows take no room; a filled cell repeats.
    EXPECT_EQ(TextOf(folder.Path() + "/sales.ods"),
              "quarterly revenue\t\t\t7\t7\t7\nfirst line\nsecond line\nfirst line\nsecond line\n\f\f");
    EXPECT_EQ(TextOf(folder.Path() + "/big.ods"), std::string(600000, 'w') + "\t" + std::string(600000, 'w') + "\n\f");
    EXPECT_EQ(TextOf(folder.Path() + "/review.odp"), "Quarterly review\n\fClosing\n\f");
}

TEST(OfficeText, BookChaptersInSpineOrderDespiteHtmlEntities) {
    TempFolder folder("quarvel-office");
    Python(folder.Path(), R"PY(
container = ('<?xml version="1.0"?><container xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>'
             '<rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles></container>')
item = lambda i, href: '<item id="%s" href="%s" media-type="application/xhtml+xml"/>' % (i, href)
opf = ('<package xmlns="http://www.idpf.org/2007/opf" version="2.0"><manifest>' + item('one', 'Text/one.xhtml') +
       item('two', 'Text/chapter%20two.xhtml') + item('cut', 'Text/cut.xhtml') + item('old', 'old.xhtml') +
       '<item id="css" href="style.css" media-type="text/css"/></manifest>'
       '<spine><itemref idref="two"/><itemref idref="css"/><itemref idref="one"/><itemref idref="old"/>'
       '<itemref idref="cut"/></spine></package>')
# Written in another encoding, as its declaration says.
old = '<?xml version="1.0" encoding="windows-1252"?><html><body><p>\u201cOld\u201d na\u00efve</p></body></html>'
page = lambda body: ('<?xml version="1.0" encoding="utf-8"?><!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.1//EN" '
                     '"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd"><html xmlns="http://www.w3.org/1999/xhtml">'
                     '<head><title>Title</title><style>p { }</style></head><body>%s</body></html>' % body)
one = page('<h1>Chapter One</h1>\n  <p>It was&nbsp;the best &mdash; caf&eacute; &unknown; AT&T</p>\n'
           '<script>var x = 1;</script><div><p>nested</p></div><ul><li>a <b>bold</b> word</li></ul><p>line<br/>break</p>')
make('book.epub', [('mimetype', 'application/epub+zip'), ('META-INF/container.xml', container),
                   ('OEBPS/content.opf', opf), ('OEBPS/Text/one.xhtml', one), ('OEBPS/old.xhtml', old.encode('cp1252')),
                   ('OEBPS/Text/cut.xhtml', '<html><body><p>kept before</p><p>the fault</b></body></html>'),
                   ('OEBPS/Text/chapter two.xhtml', page('<p>Chapter Two comes first</p>'))])
)PY");
    // A chapter that breaks off gives its text up to the fault.
    EXPECT_EQ(TextOf(folder.Path() + "/book.epub"),
              "Chapter Two comes first\n"
              "Chapter One\nIt was\u00a0the best \u2014 caf\u00e9 &unknown; AT&T\nnested\na bold word\nline\nbreak\n"
              "\u201cOld\u201d na\u00efve\nkept before\nthe fault");
}

TEST(OfficeText, OtherZipsAreNoDocuments) {
    TempFolder folder("quarvel-office");
    Python(folder.Path(), R"PY(
make('plain.zip', [('notes.txt', 'quarterly revenue'), ('word/readme.txt', 'no package')])
make('other-mimetype.zip', [('mimetype', 'text/plain'), ('content.xml', '<a/>')])
# The package comes after the first sixteen members: not looked for there.
make('late-package.zip', [('file%02d.txt' % i, 'x') for i in range(20)] + package('word/document.xml') +
     [('word/document.xml', docx_body('<w:p><w:r><w:t>hidden</w:t></w:r></w:p>'))])
open(folder + '/plain.txt', 'w').write('no zip at all')
)PY");
    for (const char* name : {"plain.zip", "other-mimetype.zip", "late-package.zip", "plain.txt", "missing.zip"})
        EXPECT_EQ(TextOf(folder.Path() + "/" + name), "(no document)") << name;
}

TEST(OfficeText, DamagedBombedAndSlowDocumentsSayWhy) {
    TempFolder folder("quarvel-office");
    Python(folder.Path(), R"PY(
import random
make('broken.docx', package('word/document.xml') + [('word/document.xml', '<w:document><w:body><w:p>')])
make('missing.xlsx', package('xl/workbook.xml') + [('xl/worksheets/sheet1.xml', '<worksheet/>')])
make('broken.odt', [('mimetype', 'application/vnd.oasis.opendocument.text'),
                    ('content.xml', '<office:document-content><office:body></office:text>')])
make('no-package.epub', [('mimetype', 'application/epub+zip'),
                         ('META-INF/container.xml', '<container><rootfile full-path="gone.opf"/></container>')])
make('bomb.docx', package('word/document.xml') + [('word/document.xml', docx_body('<w:p><w:r><w:t>' + ' ' * (4 << 20) + '</w:t></w:r></w:p>'))])
random.seed(7)
words = ' '.join(''.join(random.choice('abcdefghij') for _ in range(6)) for _ in range(20000))
make('good.docx', package('word/document.xml') + [('word/document.xml', docx_body('<w:p><w:r><w:t>%s</w:t></w:r></w:p>' % words))])
data = open(folder + '/good.docx', 'rb').read()
open(folder + '/cut.docx', 'wb').write(data[:len(data) // 2])
)PY");
    const std::string f = folder.Path() + "/";
    EXPECT_EQ(TextOf(f + "broken.docx"), "(failure) the DOCX is damaged");
    EXPECT_EQ(TextOf(f + "missing.xlsx"), "(failure) the XLSX is damaged");
    EXPECT_EQ(TextOf(f + "broken.odt"), "(failure) the ODT is damaged");
    EXPECT_EQ(TextOf(f + "no-package.epub"), "(failure) the EPUB is damaged");
    EXPECT_EQ(TextOf(f + "cut.docx"), "(failure) the DOCX is damaged");
    EXPECT_EQ(TextOf(f + "bomb.docx"), "(failure) word/document.xml expands more than 100 times");
    EXPECT_EQ(TextOf(f + "good.docx").size(), 20000u * 7);
    EXPECT_EQ(TextOf(f + "good.docx", Clock::now() - std::chrono::seconds(1)), "(failure) took longer than 30 seconds");
}

}  // namespace
}  // namespace quarvel
