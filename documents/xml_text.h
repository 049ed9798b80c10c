#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

// How reading an XML member ended: Broken when it is no well-formed XML (the
// text up to the fault is kept), Late at the deadline, Stopped when the
// document had no more room for text.
enum class XmlEnd { Whole, Broken, Late, Stopped };

// An element's attributes, found by their local names: files name their
// namespaces as they like, so "w:val" and "val" are the same attribute.
class XmlAttributes {
public:
    XmlAttributes(const char** names, const char** values) : names_(names), values_(values) {}
    // The value, or empty when the element has no such attribute.
    std::string_view Value(std::string_view localName) const;
    // The id of a relationship ("r:id"), which a plain "id" beside it is not.
    std::string_view RelationshipId() const;

private:
    const char** names_;
    const char** values_;
};

// Each element of a member that only lists others (a workbook's sheets, a
// book's chapters), by its local name.
XmlEnd EachElement(std::string_view xml, std::chrono::steady_clock::time_point deadline,
                   const std::function<void(std::string_view name, const XmlAttributes&)>& visit);

// The strings a workbook's cells refer to by number, in one block: a file
// of millions of tiny strings costs no more than its bytes.
class SharedStrings {
public:
    std::string_view At(std::size_t index) const;
    void Add(std::string_view text);

private:
    std::string text_;
    std::vector<std::size_t> ends_;
};
XmlEnd ReadSharedStrings(std::string_view xml, std::chrono::steady_clock::time_point deadline, SharedStrings& strings);

// The kinds of XML member whose text is read, each with its own elements.
enum class XmlKind { DocxBody, Slide, Sheet, OpenText, OpenSpreadsheet, OpenPresentation, Xhtml };

// What reading a document's members shares from one member to the next.
struct DocumentReading {
    std::chrono::steady_clock::time_point deadline;
    std::uint64_t room = 0;                          // bytes of text the document may still make
    const SharedStrings* sharedStrings = nullptr;  // for a Sheet
};

// Appends the text of one member to text: paragraphs end with a line feed,
// slides, pages and sheets with a form feed, cells of a row are separated by
// tabs. Text is kept as written, its entities decoded.
XmlEnd MemberText(std::string_view xml, XmlKind kind, DocumentReading& reading, std::string& text);

}  // namespace quarvel
