#!/usr/bin/env python3
"""Writes the corpus of bench/documents.sh: 2,000 documents and archives in
twenty folders, their text drawn from one vocabulary, and two marker words
placed so that a search for both finds a known set.

    bench/make_documents.py FOLDER

The documents go to FOLDER/docs (emptied first), and beside them
FOLDER/expected.txt lists the paths (relative to FOLDER/docs) of every
document, and of every member of an archive, that holds both marker words; a
member's path is its archive's path, "//", and its name in the archive.
Everything is drawn from one seed, so the same script writes the same corpus.
"""
import io
import os
import random
import shutil
import sys
import tarfile
import zipfile
import zlib

SEED = 20261210
WORD1, WORD2 = "quokkaline", "zephyrandum"
# How many of each kind; the two archive kinds hold 10 to 50 text members.
COUNTS = [("pdf", 600), ("docx", 400), ("odt", 250), ("epub", 150), ("zip", 300), ("tar.gz", 300)]
FOLDERS = 20
# Of each kind's documents (and of the archives' members): the share holding
# both words, and the shares holding only one of them, so that neither word
# alone decides the search.
BOTH, ONLY_ONE = 0.07, 0.12


def vocabulary(rng):
    """About 6,000 made-up words from English-like syllables, none holding a
    marker word, weighted as word frequencies fall off in real text."""
    onsets = ["b", "c", "d", "f", "g", "h", "l", "m", "n", "p", "r", "s", "t", "v", "w",
              "br", "cl", "dr", "gr", "pl", "st", "tr", "sh", "ch", "th", ""]
    nuclei = ["a", "e", "i", "o", "u", "ai", "ea", "ou", "io"]
    codas = ["", "", "n", "r", "s", "t", "l", "m", "nd", "st", "ck", "ng"]
    words = set(["the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "as", "with", "on", "by"])
    while len(words) < 6000:
        word = "".join(rng.choice(onsets) + rng.choice(nuclei) + rng.choice(codas)
                       for _ in range(rng.choice([1, 1, 2, 2, 2, 3, 3, 4])))
        if WORD1 not in word and WORD2 not in word:
            words.add(word)
    words = sorted(words, key=lambda w: (len(w), w))
    weights = [1.0 / (rank + 10) for rank in range(len(words))]
    return words, weights


class Text:
    """Sentences and paragraphs of vocabulary words."""

    def __init__(self, rng, words, weights):
        self.rng = rng
        self.words = words
        self.cum = []
        total = 0.0
        for w in weights:
            total += w
            self.cum.append(total)

    def sentence(self):
        ws = self.rng.choices(self.words, cum_weights=self.cum, k=self.rng.randint(6, 22))
        ws[0] = ws[0].capitalize()
        return " ".join(ws) + self.rng.choice([".", ".", ".", "?", ";"])

    def paragraph(self, sentences=None):
        return " ".join(self.sentence() for _ in range(sentences or self.rng.randint(2, 6)))


def with_markers(rng, paragraphs, markers):
    """Puts each marker word into a random paragraph, between two of its words."""
    for marker in markers:
        for _ in range(rng.randint(1, 3)):
            i = rng.randrange(len(paragraphs))
            ws = paragraphs[i].split(" ")
            ws.insert(rng.randrange(1, len(ws)), marker)
            paragraphs[i] = " ".join(ws)
    return paragraphs


def wrap(paragraph, width):
    lines, line = [], ""
    for w in paragraph.split(" "):
        if line and len(line) + 1 + len(w) > width:
            lines.append(line)
            line = w
        else:
            line = w if not line else line + " " + w
    if line:
        lines.append(line)
    return lines


def xml_escape(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


# --- PDF: written by hand, one content stream a page, compressed with
# FlateDecode as producers do; the standard Helvetica needs no embedded font.

def pdf_string(s):
    return "(" + s.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)") + ")"


def pdf_page_stream(title, lines, number):
    ops = ["BT", "/F2 14 Tf", "72 740 Td", pdf_string(title) + " Tj", "/F1 10 Tf", "12 TL", "0 -24 Td"]
    for line in lines:
        ops.append(pdf_string(line) + " '" if line else "T*")
    ops.append("ET")
    ops.append("BT /F1 9 Tf 300 40 Td " + pdf_string(str(number)) + " Tj ET")
    return zlib.compress("\n".join(ops).encode("latin-1"), 6)


def make_pdf(rng, text, markers):
    pages = rng.randint(5, 50)
    paragraphs = []
    # About 52 lines of 88 characters a page, a blank line between paragraphs.
    lines_per_page = 52
    filled = 0
    while filled < pages * lines_per_page:
        paragraphs.append(text.paragraph())
        filled += len(paragraphs[-1]) // 80 + 2
    paragraphs = with_markers(rng, paragraphs, markers)
    lines = []
    for p in paragraphs:
        lines.extend(wrap(p, 88))
        lines.append("")
    title = text.sentence()[:60]
    objects = {}
    # 1 catalog, 2 pages, 3 and 4 fonts, 5 info, then a page and its contents each.
    kids = []
    for n in range(pages):
        page_obj, content_obj = 6 + 2 * n, 7 + 2 * n
        kids.append(page_obj)
        stream = pdf_page_stream(title, lines[n * lines_per_page:(n + 1) * lines_per_page], n + 1)
        objects[page_obj] = (b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                             b"/Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents %d 0 R >>" % content_obj)
        objects[content_obj] = (b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(stream)
                                + stream + b"\nendstream")
    objects[1] = b"<< /Type /Catalog /Pages 2 0 R >>"
    objects[2] = b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids) + b"] /Count %d >>" % pages
    objects[3] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"
    objects[4] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>"
    objects[5] = b"<< /Producer (make_documents.py) /Title " + pdf_string(title).encode("latin-1") + b" >>"
    out = io.BytesIO()
    out.write(b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n")
    offsets = {}
    for number in sorted(objects):
        offsets[number] = out.tell()
        out.write(b"%d 0 obj\n" % number + objects[number] + b"\nendobj\n")
    xref = out.tell()
    size = max(objects) + 1
    out.write(b"xref\n0 %d\n0000000000 65535 f \n" % size)
    for number in range(1, size):
        out.write(b"%010d 00000 n \n" % offsets[number])
    out.write(b"trailer\n<< /Size %d /Root 1 0 R /Info 5 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (size, xref))
    return out.getvalue()


# --- Office files and books: zips of XML members.

def office_paragraphs(rng, text, markers):
    paragraphs = [text.paragraph(rng.randint(1, 5)) for _ in range(rng.randint(200, 450))]
    return with_markers(rng, paragraphs, markers)


def zip_of(members, stored_first=None):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        if stored_first:
            z.writestr(zipfile.ZipInfo(stored_first[0], (2026, 12, 1, 12, 0, 0)), stored_first[1],
                       compress_type=zipfile.ZIP_STORED)
        for name, data in members:
            z.writestr(zipfile.ZipInfo(name, (2026, 12, 1, 12, 0, 0)), data, compress_type=zipfile.ZIP_DEFLATED)
    return out.getvalue()


def make_docx(rng, text, markers):
    body = []
    for p in office_paragraphs(rng, text, markers):
        # Word splits a paragraph into runs wherever its formatting changes.
        ws = p.split(" ")
        cuts = sorted(rng.sample(range(1, len(ws)), min(len(ws) - 1, rng.randint(0, 2))))
        runs, start = [], 0
        for cut in cuts + [len(ws)]:
            piece = " ".join(ws[start:cut]) + (" " if cut < len(ws) else "")
            bold = "<w:rPr><w:b/></w:rPr>" if rng.random() < 0.1 else ""
            runs.append('<w:r>%s<w:t xml:space="preserve">%s</w:t></w:r>' % (bold, xml_escape(piece)))
            start = cut
        body.append('<w:p><w:pPr><w:pStyle w:val="Normal"/></w:pPr>%s</w:p>' % "".join(runs))
    document = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" '
                'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
                '<w:body>%s<w:sectPr/></w:body></w:document>' % "".join(body))
    content_types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                     '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                     '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                     '<Default Extension="xml" ContentType="application/xml"/>'
                     '<Override PartName="/word/document.xml" ContentType="application/'
                     'vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
                     '<Override PartName="/docProps/core.xml" ContentType="application/'
                     'vnd.openxmlformats-package.core-properties+xml"/></Types>')
    rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
            'officeDocument" Target="word/document.xml"/>'
            '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/'
            'metadata/core-properties" Target="docProps/core.xml"/></Relationships>')
    core = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
            'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>%s</dc:title></cp:coreProperties>'
            % xml_escape(text.sentence()[:50]))
    doc_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>')
    return zip_of([("[Content_Types].xml", content_types), ("_rels/.rels", rels), ("docProps/core.xml", core),
                   ("word/_rels/document.xml.rels", doc_rels), ("word/document.xml", document)])


def make_odt(rng, text, markers):
    body = []
    for p in office_paragraphs(rng, text, markers):
        ws = p.split(" ")
        if len(ws) > 6 and rng.random() < 0.2:
            i = rng.randrange(1, len(ws) - 3)
            p = "%s <text:span text:style-name=\"T1\">%s</text:span> %s" % (
                xml_escape(" ".join(ws[:i])), xml_escape(" ".join(ws[i:i + 2])), xml_escape(" ".join(ws[i + 2:])))
        else:
            p = xml_escape(p)
        body.append('<text:p text:style-name="P1">%s</text:p>' % p)
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" office:version="1.3"')
    content = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content %s>'
               '<office:body><office:text>%s</office:text></office:body></office:document-content>'
               % (ns, "".join(body)))
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" '
                'manifest:version="1.3">'
                '<manifest:file-entry manifest:full-path="/" '
                'manifest:media-type="application/vnd.oasis.opendocument.text"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '<manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>')
    styles = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-styles %s/>' % ns)
    return zip_of([("content.xml", content), ("styles.xml", styles), ("META-INF/manifest.xml", manifest)],
                  stored_first=("mimetype", "application/vnd.oasis.opendocument.text"))


def make_epub(rng, text, markers):
    paragraphs = office_paragraphs(rng, text, markers)
    chapters = rng.randint(5, 15)
    per = -(-len(paragraphs) // chapters)
    members, items, spine = [], [], []
    for c in range(chapters):
        ps = paragraphs[c * per:(c + 1) * per]
        xhtml = ('<?xml version="1.0" encoding="UTF-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml">'
                 '<head><title>Chapter %d</title></head><body><h1>Chapter %d</h1>%s</body></html>'
                 % (c + 1, c + 1, "".join("<p>%s</p>" % xml_escape(p) for p in ps)))
        members.append(("OEBPS/chapter%02d.xhtml" % (c + 1), xhtml))
        items.append('<item id="c%d" href="chapter%02d.xhtml" media-type="application/xhtml+xml"/>' % (c + 1, c + 1))
        spine.append('<itemref idref="c%d"/>' % (c + 1))
    opf = ('<?xml version="1.0" encoding="UTF-8"?>\n<package xmlns="http://www.idpf.org/2007/opf" version="3.0" '
           'unique-identifier="id"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/">'
           '<dc:identifier id="id">book</dc:identifier><dc:title>%s</dc:title><dc:language>en</dc:language>'
           '</metadata><manifest>%s</manifest><spine>%s</spine></package>'
           % (xml_escape(text.sentence()[:50]), "".join(items), "".join(spine)))
    container = ('<?xml version="1.0" encoding="UTF-8"?>\n'
                 '<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">'
                 '<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>'
                 '</rootfiles></container>')
    return zip_of([("META-INF/container.xml", container), ("OEBPS/content.opf", opf)] + members,
                  stored_first=("mimetype", "application/epub+zip"))


# --- Archives of text files.

def archive_members(rng, text, expected, archive_path):
    members = []
    n = rng.randint(10, 50)
    folders = ["notes", "logs", "data", "src", "docs/drafts", "docs/final"]
    for i in range(n):
        name = "%s/%s-%03d.%s" % (rng.choice(folders), rng.choice(["part", "entry", "record", "memo"]), i,
                                  rng.choice(["txt", "txt", "md", "log", "csv"]))
        markers = pick_markers(rng)
        paragraphs = [text.paragraph() for _ in range(rng.randint(3, 12))]
        paragraphs = with_markers(rng, paragraphs, markers)
        body = "\n\n".join("\n".join(wrap(p, 76)) for p in paragraphs) + "\n"
        if len(markers) == 2:
            expected.append(archive_path + "//" + name)
        members.append((name, body.encode("ascii")))
    return members


def make_zip(members):
    return zip_of(members)


def make_tar_gz(members):
    out = io.BytesIO()
    with tarfile.open(fileobj=out, mode="w:gz", compresslevel=6, format=tarfile.GNU_FORMAT) as t:
        for name, data in members:
            info = tarfile.TarInfo(name)
            info.size = len(data)
            info.mtime = 1796126400
            info.mode = 0o644
            t.addfile(info, io.BytesIO(data))
    return out.getvalue()


def pick_markers(rng):
    r = rng.random()
    if r < BOTH:
        return [WORD1, WORD2]
    if r < BOTH + ONLY_ONE:
        return [WORD1]
    if r < BOTH + 2 * ONLY_ONE:
        return [WORD2]
    return []


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_documents.py FOLDER")
    root = sys.argv[1]
    docs = os.path.join(root, "docs")
    # Only what an earlier run wrote goes: the folder may hold other things.
    if os.path.isdir(docs):
        shutil.rmtree(docs)
    os.makedirs(docs)
    rng = random.Random(SEED)
    words, weights = vocabulary(rng)
    text = Text(rng, words, weights)
    expected = []
    makers = {"pdf": make_pdf, "docx": make_docx, "odt": make_odt, "epub": make_epub}
    names = {"pdf": "report", "docx": "letter", "odt": "minutes", "epub": "book", "zip": "bundle", "tar.gz": "backup"}
    index = 0
    for kind, count in COUNTS:
        # Exactly so many of each kind hold both words (or one of them).
        both = round(count * BOTH)
        one = round(count * ONLY_ONE)
        roles = [[WORD1, WORD2]] * both + [[WORD1]] * one + [[WORD2]] * one + [[]] * (count - both - 2 * one)
        rng.shuffle(roles)
        for i in range(count):
            folder = "folder-%02d" % (index % FOLDERS)
            index += 1
            os.makedirs(os.path.join(docs, folder), exist_ok=True)
            path = "%s/%s-%04d.%s" % (folder, names[kind], i, kind)
            if kind in makers:
                data = makers[kind](rng, text, roles[i])
                if len(roles[i]) == 2:
                    expected.append(path)
            else:
                members = archive_members(rng, text, expected, path)
                data = make_zip(members) if kind == "zip" else make_tar_gz(members)
            with open(os.path.join(docs, path), "wb") as f:
                f.write(data)
    with open(os.path.join(root, "expected.txt"), "w") as f:
        f.write("".join(p + "\n" for p in sorted(expected)))


if __name__ == "__main__":
    main()
