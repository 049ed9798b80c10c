#include "documents/xml_text.h"

#include <glib.h>

#include <algorithm>
#include <charconv>

#include "documents/html_entities.h"

namespace quarvel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 64 * 1024;
constexpr unsigned kElementsBetweenClocks = 4096;
// What a hostile file's counts are held to: a sheet has no more columns than
// this, a run of spaces or a repeated cell or row of a spreadsheet repeats no
// more than that (the empty ones, often "1048576" times, are never repeated).
constexpr std::uint64_t kMostColumns = 16384;
constexpr std::uint64_t kMostRepeats = 100;
constexpr std::uint64_t kMostRepeatedBytes = 1u << 20;
constexpr std::uint64_t kMostSpaces = 1000;

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return g_ascii_tolower(x) == g_ascii_tolower(y); });
}

// A count a file states, from 1 up to a million; not a number counts as 1.
std::uint64_t Count(std::string_view value) {
    std::uint64_t count = 1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (error == std::errc::result_out_of_range) return 1u << 20;
    if (error != std::errc() || count == 0) return 1;
    return std::min<std::uint64_t>(count, 1u << 20);
}

// How often a repeated cell or row of these bytes is written: a big one once,
// so that a small file cannot repeat its way to a huge text.
std::uint64_t Copies(std::uint64_t repeats, std::size_t bytes) {
    return std::min({repeats, kMostRepeats, 1 + kMostRepeatedBytes / std::max<std::size_t>(bytes, 1)});
}

// What a member's elements make. The walk hands them over by local name, and
// never the ones inside an element the reader skips.
class XmlReader {
public:
    virtual ~XmlReader() = default;
    virtual bool Skipped(std::string_view) const { return false; }
    virtual void Open(std::string_view, const XmlAttributes&) {}
    virtual void Close(std::string_view) {}
    virtual void Text(std::string_view) {}
    bool stop = false;  // the reader has had enough: the walk ends
};

struct Walk {
    XmlReader& reader;
    Clock::time_point deadline;
    unsigned elements = 0;
    unsigned skipping = 0;  // the depth inside a skipped element
    bool late = false;
};

void Abort(GError** error) { g_set_error_literal(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT, "stopped"); }

void OnOpen(GMarkupParseContext*, const gchar* name, const gchar** names, const gchar** values, gpointer data,
            GError** error) {
    Walk& walk = *static_cast<Walk*>(data);
    if (++walk.elements % kElementsBetweenClocks == 0 && Clock::now() > walk.deadline) {
        walk.late = true;
        return Abort(error);
    }
    const std::string_view local = LocalName(name);
    if (walk.skipping > 0 || walk.reader.Skipped(local)) {
        ++walk.skipping;
        return;
    }
    walk.reader.Open(local, XmlAttributes(names, values));
    if (walk.reader.stop) Abort(error);
}

void OnClose(GMarkupParseContext*, const gchar* name, gpointer data, GError** error) {
    Walk& walk = *static_cast<Walk*>(data);
    if (walk.skipping > 0) {
        --walk.skipping;
        return;
    }
    walk.reader.Close(LocalName(name));
    if (walk.reader.stop) Abort(error);
}

void OnText(GMarkupParseContext*, const gchar* text, gsize length, gpointer data, GError** error) {
    Walk& walk = *static_cast<Walk*>(data);
    if (walk.skipping > 0 || length == 0) return;
    walk.reader.Text(std::string_view(text, length));
    if (walk.reader.stop) Abort(error);
}

std::string DeclaredEncoding(std::string_view xml) {
    if (!xml.starts_with("<?xml")) return {};
    const std::string_view declaration = xml.substr(0, std::min<std::size_t>(xml.find("?>"), 256));
    const std::size_t at = declaration.find("encoding");
    const std::size_t open = declaration.find_first_of("\"'", at);
    if (at == std::string_view::npos || open == std::string_view::npos) return {};
    const std::size_t close = declaration.find(declaration[open], open + 1);
    if (close == std::string_view::npos) return {};
    return std::string(declaration.substr(open + 1, close - open - 1));
}

// GMarkup reads UTF-8 only, and no byte order mark: a member that says (by
// its mark or its declaration) that it is written otherwise is converted.
std::string_view AsUtf8(std::string_view xml, std::string& converted) {
    if (xml.starts_with("\xEF\xBB\xBF")) return xml.substr(3);
    const bool utf16 = xml.starts_with("\xFF\xFE") || xml.starts_with("\xFE\xFF");
    const std::string from = utf16 ? "UTF-16" : DeclaredEncoding(xml);
    if (from.empty() || SameLetters(from, "UTF-8") || SameLetters(from, "UTF8")) return xml;
    gsize written = 0;
    gchar* utf8 = g_convert(xml.data(), static_cast<gssize>(xml.size()), "UTF-8", from.c_str(), nullptr, &written,
                            nullptr);
    // Not to be converted, it is read as far as it is UTF-8.
    if (!utf8) return xml;
    converted.assign(utf8, written);
    g_free(utf8);
    return converted;
}

XmlEnd Read(std::string_view xml, XmlReader& reader, Clock::time_point deadline, bool html = false) {
    std::string converted;
    std::string_view utf8 = AsUtf8(xml, converted);
    if (html) {
        converted = WithXmlEntitiesOnly(utf8);
        utf8 = converted;
    }
    Walk walk{reader, deadline};
    GMarkupParser parser = {OnOpen, OnClose, OnText, nullptr, nullptr};
    GMarkupParseContext* context = g_markup_parse_context_new(&parser, G_MARKUP_TREAT_CDATA_AS_TEXT, &walk, nullptr);
    bool parsed = true;
    for (std::size_t at = 0; parsed && at < utf8.size(); at += kChunk) {
        if (Clock::now() > deadline) {
            walk.late = true;
            break;
        }
        const std::size_t length = std::min(kChunk, utf8.size() - at);
        parsed = g_markup_parse_context_parse(context, utf8.data() + at, static_cast<gssize>(length), nullptr);
    }
    if (parsed && !walk.late) parsed = g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    if (walk.late) return XmlEnd::Late;
    if (reader.stop) return XmlEnd::Stopped;
    return parsed ? XmlEnd::Whole : XmlEnd::Broken;
}

class ElementVisitor : public XmlReader {
public:
    explicit ElementVisitor(const std::function<void(std::string_view, const XmlAttributes&)>& visit)
        : visit_(visit) {}
    void Open(std::string_view name, const XmlAttributes& attributes) override { visit_(name, attributes); }

private:
    const std::function<void(std::string_view, const XmlAttributes&)>& visit_;
};

// Each si element is one string, written in its t elements (several when
// pieces of it are styled differently); an rPh holds a reading aid, no text.
class SharedStringsReader : public XmlReader {
public:
    explicit SharedStringsReader(SharedStrings& strings) : strings_(strings) {}
    bool Skipped(std::string_view name) const override { return name == "rPh"; }
    void Open(std::string_view name, const XmlAttributes&) override {
        if (name == "si") string_.clear();
        if (name == "t") ++inText_;
    }
    void Close(std::string_view name) override {
        if (name == "si") strings_.Add(string_);
        if (name == "t") --inText_;
    }
    void Text(std::string_view text) override {
        if (inText_ > 0) string_ += text;
    }

private:
    SharedStrings& strings_;
    std::string string_;
    int inText_ = 0;
};

// A reader that makes text, within the room the document has left for it.
class TextReader : public XmlReader {
public:
    TextReader(DocumentReading& reading, std::string& text) : reading_(reading), text_(text) {}

protected:
    bool Spend(std::size_t bytes) {
        if (bytes > reading_.room) {
            stop = true;
            return false;
        }
        reading_.room -= bytes;
        return true;
    }
    void Put(std::string& to, std::string_view text) {
        if (Spend(text.size())) to.append(text);
    }
    void Add(std::string_view text) { Put(text_, text); }

    DocumentReading& reading_;
    std::string& text_;
};

// A DOCX body and a PPTX slide both keep their text in the t elements of
// runs; a p element closes a paragraph.
class RunTextReader : public TextReader {
public:
    using TextReader::TextReader;
    bool Skipped(std::string_view name) const override {
        // A drawing's second copy for older programs, text since moved to
        // where it is read again, and a paragraph's tab stops (no tabs).
        return name == "Fallback" || name == "moveFrom" || name == "tabs" || name == "tabLst";
    }
    void Open(std::string_view name, const XmlAttributes&) override {
        if (name == "t") ++inText_;
        else if (name == "tab" || name == "ptab") Add("\t");
        else if (name == "br" || name == "cr") Add("\n");
        else if (name == "noBreakHyphen") Add("-");
    }
    void Close(std::string_view name) override {
        if (name == "t") --inText_;
        else if (name == "p") Add("\n");
    }
    void Text(std::string_view text) override {
        if (inText_ > 0) Add(text);
    }

private:
    int inText_ = 0;
};

// Where a row's filled cells go: an empty field for each column skipped
// between them, but never past the columns a sheet can have, whatever a
// hostile reference claims.
class RowFields {
public:
    // The tabs before a cell in this column (from 1; 0: the next column).
    std::string_view TabsBefore(std::uint64_t column) {
        static const std::string tabs(kMostColumns, '\t');
        const std::uint64_t at = std::max(std::min(column, kMostColumns), last_ + 1);
        const std::uint64_t count = last_ == 0 ? at - 1 : at - last_;
        last_ = at;
        return std::string_view(tabs).substr(0, count);
    }
    bool Any() const { return last_ > 0; }

private:
    std::uint64_t last_ = 0;  // the column of the last filled cell
};

// The column of a cell reference ("C5": 3), or 0 when it names none.
std::uint64_t ColumnNumber(std::string_view reference) {
    std::uint64_t column = 0;
    for (std::size_t i = 0; i < reference.size() && g_ascii_isalpha(reference[i]); ++i)
        column = std::min(column * 26 + static_cast<std::uint64_t>(g_ascii_toupper(reference[i]) - 'A' + 1),
                          kMostColumns + 1);
    return column;
}

// A sheet's rows of c elements: the value is in v, or in is/t when the
// string is written in the cell; t="s" makes v the number of a shared string.
class SheetReader : public TextReader {
public:
    SheetReader(DocumentReading& reading, std::string& text, const SharedStrings& shared)
        : TextReader(reading, text), shared_(shared) {}
    bool Skipped(std::string_view name) const override { return name == "rPh" || name == "extLst"; }
    void Open(std::string_view name, const XmlAttributes& attributes) override {
        if (name == "row") {
            fields_ = RowFields();
            previousCell_ = 0;
        } else if (name == "c") {
            inCell_ = true;
            value_.clear();
            type_ = attributes.Value("t");
            const std::uint64_t column = ColumnNumber(attributes.Value("r"));
            previousCell_ = column > 0 ? column : previousCell_ + 1;
        } else if (inCell_ && (name == "v" || name == "t")) {
            ++inValue_;
        }
    }
    void Close(std::string_view name) override {
        if (name == "v" || name == "t") {
            inValue_ = std::max(0, inValue_ - 1);
        } else if (name == "c" && inCell_) {
            inCell_ = false;
            const std::string_view value = type_ == "s" ? shared_.At(Index()) : std::string_view(value_);
            if (value.empty()) return;
            Add(fields_.TabsBefore(previousCell_));
            Add(value);
        } else if (name == "row" && fields_.Any()) {
            Add("\n");
        }
    }
    void Text(std::string_view text) override {
        if (inValue_ > 0) value_ += text;
    }

private:
    std::size_t Index() const {
        std::size_t index = 0;
        const auto [end, error] = std::from_chars(value_.data(), value_.data() + value_.size(), index);
        return error == std::errc() ? index : static_cast<std::size_t>(-1);
    }

    const SharedStrings& shared_;
    RowFields fields_;
    std::uint64_t previousCell_ = 0;
    std::string type_;
    std::string value_;
    bool inCell_ = false;
    int inValue_ = 0;
};

// content.xml of an OpenDocument, within office:body: text:p and text:h are
// paragraphs; in a spreadsheet a table:table-row holds the cells of a row and
// a table:table is a sheet; in a presentation a draw:page is a slide.
class OpenDocumentReader : public TextReader {
public:
    OpenDocumentReader(DocumentReading& reading, std::string& text, XmlKind kind)
        : TextReader(reading, text),
          sheets_(kind == XmlKind::OpenSpreadsheet),
          slides_(kind == XmlKind::OpenPresentation) {}
    bool Skipped(std::string_view name) const override {
        // Comments, deleted text, notes and a presenter's notes are not the
        // document's own text.
        return name == "annotation" || name == "tracked-changes" || name == "note" || name == "notes";
    }
    void Open(std::string_view name, const XmlAttributes& attributes) override {
        if (name == "body") ++inBody_;
        if (inBody_ == 0) return;
        if (name == "p" || name == "h") {
            ++inParagraph_;
        } else if (inParagraph_ > 0 && name == "s") {
            Here(std::string(std::min(Count(attributes.Value("c")), kMostSpaces), ' '));
        } else if (inParagraph_ > 0 && name == "tab") {
            Here("\t");
        } else if (inParagraph_ > 0 && name == "line-break") {
            Here("\n");
        } else if (sheets_ && name == "table-row") {
            row_.clear();
            fields_ = RowFields();
            cellsBefore_ = 0;
            rowRepeats_ = Count(attributes.Value("number-rows-repeated"));
        } else if (sheets_ && (name == "table-cell" || name == "covered-table-cell")) {
            inCell_ = true;
            cellStart_ = row_.size();
            cellRepeats_ = Count(attributes.Value("number-columns-repeated"));
        }
    }
    void Close(std::string_view name) override {
        if (inBody_ == 0) return;
        if (name == "body") {
            --inBody_;
        } else if (name == "p" || name == "h") {
            --inParagraph_;
            Here("\n");
        } else if (sheets_ && inCell_ && (name == "table-cell" || name == "covered-table-cell")) {
            EndCell();
        } else if (sheets_ && name == "table-row") {
            EndRow();
        } else if ((sheets_ && name == "table") || (slides_ && name == "page")) {
            Add("\f");
        }
    }
    void Text(std::string_view text) override {
        if (inParagraph_ > 0) Here(text);
    }

private:
    // Text goes into the cell being read, else straight into the document.
    void Here(std::string_view text) { Put(inCell_ ? row_ : text_, text); }

    void EndCell() {
        inCell_ = false;
        // The paragraphs of a cell are its lines, each ended by a line feed
        // but the last, as a workbook's cell keeps its lines: the same cell
        // reads the same from either kind of spreadsheet.
        if (row_.size() > cellStart_ && row_.back() == '\n') row_.pop_back();
        const std::uint64_t column = cellsBefore_ + 1;
        cellsBefore_ = std::min(cellsBefore_ + cellRepeats_, kMostColumns + 1);
        if (row_.size() == cellStart_) return;  // an empty cell takes a column, and no text
        const std::string cell = row_.substr(cellStart_);
        const std::string_view tabs = fields_.TabsBefore(column);
        if (!Spend(tabs.size())) return;
        row_.insert(cellStart_, tabs);
        for (std::uint64_t copy = 1; copy < Copies(cellRepeats_, cell.size()); ++copy) {
            Put(row_, fields_.TabsBefore(0));
            Put(row_, cell);
        }
    }

    void EndRow() {
        // A row of empty cells, however often repeated, makes no line.
        if (!fields_.Any()) return;
        Put(row_, "\n");
        text_ += row_;  // its room is spent already
        for (std::uint64_t copy = 1; copy < Copies(rowRepeats_, row_.size()); ++copy) Add(row_);
        row_.clear();
    }

    const bool sheets_;
    const bool slides_;
    int inBody_ = 0;
    int inParagraph_ = 0;
    bool inCell_ = false;
    std::string row_;
    RowFields fields_;
    std::size_t cellStart_ = 0;
    std::uint64_t cellsBefore_ = 0;
    std::uint64_t cellRepeats_ = 1;
    std::uint64_t rowRepeats_ = 1;
};

// A book's chapter: the text of its body, each block (p, div, h1, li...) on
// lines of its own; script and style are no text.
class XhtmlReader : public TextReader {
public:
    using TextReader::TextReader;
    bool Skipped(std::string_view name) const override {
        return SameLetters(name, "head") || SameLetters(name, "script") || SameLetters(name, "style");
    }
    void Open(std::string_view name, const XmlAttributes&) override {
        if (SameLetters(name, "body")) ++inBody_;
        if (inBody_ == 0) return;
        if (SameLetters(name, "pre")) ++inPre_;
        if (SameLetters(name, "br")) Add("\n");
        else if (Block(name)) NewLine();
    }
    void Close(std::string_view name) override {
        if (inBody_ == 0) return;
        if (SameLetters(name, "body")) --inBody_;
        if (SameLetters(name, "pre")) --inPre_;
        if (SameLetters(name, "td") || SameLetters(name, "th")) Add("\t");
        else if (Block(name)) NewLine();
    }
    void Text(std::string_view text) override {
        if (inBody_ == 0) return;
        // The line breaks and indents that lay out the source between
        // elements are not the book's text; spaces between words are.
        const bool layout = text.find('\n') != std::string_view::npos &&
                            text.find_first_not_of(" \t\r\n") == std::string_view::npos;
        if (inPre_ > 0 || !layout) Add(text);
    }

private:
    static bool Block(std::string_view name) {
        static constexpr std::string_view kBlocks[] = {
            "p",      "div",    "h1",      "h2",    "h3",     "h4",         "h5",      "h6",      "li",
            "tr",     "pre",    "section", "article", "header", "footer",   "aside",   "nav",     "figure",
            "figcaption", "table", "ul",   "ol",    "dl",     "dt",         "dd",      "hr",      "address",
            "caption", "main",  "blockquote", "body"};
        return std::any_of(std::begin(kBlocks), std::end(kBlocks),
                           [&](std::string_view block) { return SameLetters(name, block); });
    }
    // A block starts and ends on a line of its own: one line feed, however
    // deeply blocks are nested.
    void NewLine() {
        if (!text_.empty() && text_.back() != '\n') Add("\n");
    }

    int inBody_ = 0;
    int inPre_ = 0;
};

}  // namespace

std::string_view XmlAttributes::Value(std::string_view localName) const {
    for (std::size_t i = 0; names_[i]; ++i) {
        const std::string_view name = names_[i];
        if (!name.starts_with("xmlns") && LocalName(name) == localName) return values_[i];
    }
    return {};
}

std::string_view XmlAttributes::RelationshipId() const {
    for (std::size_t i = 0; names_[i]; ++i) {
        const std::string_view name = names_[i];
        if (name != "id" && LocalName(name) == "id") return values_[i];
    }
    return {};
}

XmlEnd EachElement(std::string_view xml, Clock::time_point deadline,
                   const std::function<void(std::string_view, const XmlAttributes&)>& visit) {
    ElementVisitor visitor(visit);
    return Read(xml, visitor, deadline);
}

std::string_view SharedStrings::At(std::size_t index) const {
    if (index >= ends_.size()) return {};
    const std::size_t start = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(start, ends_[index] - start);
}

void SharedStrings::Add(std::string_view text) {
    text_ += text;
    ends_.push_back(text_.size());
}

XmlEnd ReadSharedStrings(std::string_view xml, Clock::time_point deadline, SharedStrings& strings) {
    SharedStringsReader reader(strings);
    return Read(xml, reader, deadline);
}

XmlEnd MemberText(std::string_view xml, XmlKind kind, DocumentReading& reading, std::string& text) {
    switch (kind) {
    case XmlKind::DocxBody:
    case XmlKind::Slide: {
        RunTextReader reader(reading, text);
        return Read(xml, reader, reading.deadline);
    }
    case XmlKind::Sheet: {
        static const SharedStrings none;
        SheetReader reader(reading, text, reading.sharedStrings ? *reading.sharedStrings : none);
        return Read(xml, reader, reading.deadline);
    }
    case XmlKind::OpenText:
    case XmlKind::OpenSpreadsheet:
    case XmlKind::OpenPresentation: {
        OpenDocumentReader reader(reading, text, kind);
        return Read(xml, reader, reading.deadline);
    }
    case XmlKind::Xhtml: {
        XhtmlReader reader(reading, text);
        return Read(xml, reader, reading.deadline, true);
    }
    }
    return XmlEnd::Broken;
}

}  // namespace quarvel
