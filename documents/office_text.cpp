#include "documents/office_text.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "documents/archive_reader.h"
#include "documents/xml_text.h"

namespace quarvel {

namespace {

using Clock = std::chrono::steady_clock;

// A document's writer puts the members that say what it is first: a big zip
// is not read to its end to learn that it is no document.
constexpr int kTellingMembers = 16;

enum class Kind { Docx, Xlsx, Pptx, Odt, Ods, Odp, Epub };

const char* KindName(Kind kind) {
    static const char* const kNames[] = {"DOCX", "XLSX", "PPTX", "ODT", "ODS", "ODP", "EPUB"};
    return kNames[static_cast<int>(kind)];
}

struct Zip {
    const std::string* path;
    const std::string* bytes;
    ArchiveReader::Kind Open(ArchiveReader& reader) const {
        return path ? reader.OpenFile(*path) : reader.OpenBytes(*bytes);
    }
};

std::string FolderOf(std::string_view member) { return std::string(member.substr(0, member.rfind('/') + 1)); }

// Where a member's relationships are listed: "xl/workbook.xml" has
// "xl/_rels/workbook.xml.rels".
std::string RelationsOf(std::string_view member) {
    const std::string folder = FolderOf(member);
    return folder + "_rels/" + std::string(member.substr(folder.size())) + ".rels";
}

// The member a link names from a member in folder ("xl/" and
// "worksheets/sheet1.xml": "xl/worksheets/sheet1.xml"). Links are
// percent-encoded and may climb with "..", never above the zip's top.
std::string MemberPath(std::string_view folder, std::string_view link) {
    link = link.substr(0, link.find_first_of("#?"));
    const std::string encoded(link);
    gchar* decoded = g_uri_unescape_string(encoded.c_str(), nullptr);
    std::string whole = decoded ? decoded : encoded;
    g_free(decoded);
    whole = whole.starts_with('/') ? whole.substr(1) : std::string(folder) + whole;
    std::vector<std::string_view> steps;
    std::string_view rest = whole;
    while (!rest.empty()) {
        const std::size_t slash = std::min(rest.find('/'), rest.size());
        const std::string_view step = rest.substr(0, slash);
        rest.remove_prefix(std::min(slash + 1, rest.size()));
        if (step == "..") {
            if (!steps.empty()) steps.pop_back();
        } else if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
    }
    std::string path;
    for (const std::string_view step : steps) path.append(path.empty() ? "" : "/").append(step);
    return path;
}

struct Relation {
    std::string member;
    std::string type;
};

// The relationships listed in a ".rels" member, by id; those that link
// outside the zip are left out.
std::map<std::string, Relation> Relations(std::string_view xml, std::string_view folder, Clock::time_point deadline) {
    std::map<std::string, Relation> relations;
    EachElement(xml, deadline, [&](std::string_view name, const XmlAttributes& attributes) {
        if (name != "Relationship" || attributes.Value("TargetMode") == "External") return;
        relations.emplace(std::string(attributes.Value("Id")),
                          Relation{MemberPath(folder, attributes.Value("Target")),
                                   std::string(attributes.Value("Type"))});
    });
    return relations;
}

std::optional<Kind> KindOfMimetype(std::string_view mimetype) {
    while (!mimetype.empty() && g_ascii_isspace(mimetype.back())) mimetype.remove_suffix(1);
    static constexpr std::pair<std::string_view, Kind> kKinds[] = {
        {"application/vnd.oasis.opendocument.text", Kind::Odt},
        {"application/vnd.oasis.opendocument.spreadsheet", Kind::Ods},
        {"application/vnd.oasis.opendocument.presentation", Kind::Odp},
        {"application/epub+zip", Kind::Epub}};
    for (const auto& [name, kind] : kKinds)
        if (mimetype == name || mimetype == std::string(name) + "-template") return kind;
    return std::nullopt;
}

std::optional<Kind> KindOfFolder(std::string_view member) {
    if (member.starts_with("word/")) return Kind::Docx;
    if (member.starts_with("xl/")) return Kind::Xlsx;
    if (member.starts_with("ppt/")) return Kind::Pptx;
    return std::nullopt;
}

struct Recognised {
    Kind kind;
    std::string mainMember;  // of Office Open XML, as the package's relationships name it
};

// What the first members say: ODF and EPUB name their kind in a "mimetype"
// member; Office Open XML has "[Content_Types].xml" or "_rels/.rels" beside
// its folder of members.
std::optional<Recognised> Recognise(const Zip& zip, Clock::time_point deadline) {
    ArchiveReader reader;
    if (zip.Open(reader) != ArchiveReader::Kind::Archive) return std::nullopt;
    bool package = false;
    std::optional<Kind> folderKind;
    std::string packageRelations;
    ArchiveMember member;
    for (int i = 0; i < kTellingMembers && reader.Next(member); ++i) {
        if (!member.regular) continue;
        if (member.name == "mimetype") {
            if (const auto kind = KindOfMimetype(reader.Read(100).bytes)) return Recognised{*kind, {}};
        } else if (member.name == "[Content_Types].xml") {
            package = true;
        } else if (member.name == "_rels/.rels") {
            package = true;
            packageRelations = reader.Read(1u << 20).bytes;
        } else if (!folderKind) {
            folderKind = KindOfFolder(member.name);
        }
    }
    if (!package || !folderKind) return std::nullopt;
    // The main member is most often "word/document.xml" and the like, but
    // the package's relationships say so ("word/document2.xml").
    for (const auto& [id, relation] : Relations(packageRelations, "", deadline))
        if (relation.type.ends_with("/officeDocument")) return Recognised{*folderKind, relation.member};
    static const char* const kMainMembers[] = {"word/document.xml", "xl/workbook.xml", "ppt/presentation.xml"};
    return Recognised{*folderKind, kMainMembers[static_cast<int>(*folderKind)]};
}

// A recognised document being read: its zip, what it is, its text so far
// and what went wrong.
class Document {
public:
    Document(const Zip& zip, const Recognised& recognised, Clock::time_point deadline)
        : kind(recognised.kind), mainMember(recognised.mainMember), zip_(zip) {
        reading.deadline = deadline;
        reading.room = ArchiveReader::kMostBytes;
    }

    const Kind kind;
    const std::string mainMember;
    DocumentReading reading;
    std::string text;
    std::string failure;

    bool Fail(std::string why) {
        if (failure.empty()) failure = std::move(why);
        return false;
    }
    bool Damaged() { return Fail("the " + std::string(KindName(kind)) + " is damaged"); }
    bool TooMuchText() {
        return Fail("the text is larger than " + std::to_string(ArchiveReader::kMostBytes >> 30) + " GB");
    }

    // Whether reading a member went well enough to go on: the main one must
    // be whole, any other gives its text up to a fault.
    bool Check(XmlEnd end, bool main) {
        if (end == XmlEnd::Late) return Fail(TookTooLong());
        if (end == XmlEnd::Stopped) return TooMuchText();
        if (end == XmlEnd::Broken && main) return Damaged();
        return true;
    }

    // Reads the members wanted picks, in the zip's order (not the
    // document's), handing each one's bytes to take.
    bool EachMember(const std::function<bool(const std::string&)>& wanted,
                    const std::function<void(const std::string&, std::string)>& take) {
        ArchiveReader reader;
        if (zip_.Open(reader) != ArchiveReader::Kind::Archive) return Damaged();
        std::set<std::string> seen;  // a name written twice: the first counts
        ArchiveMember member;
        while (reader.Next(member)) {
            if (Clock::now() > reading.deadline) return Check(XmlEnd::Late, false);
            if (!member.regular || !wanted(member.name) || !seen.insert(member.name).second) continue;
            MemberData data = reader.Read();
            if (data.damaged) return Damaged();
            if (!data.overLimit.empty()) return Fail(member.name + " " + data.overLimit);
            take(member.name, std::move(data.bytes));
            if (!failure.empty()) return false;
        }
        return reader.Damaged() ? Damaged() : true;
    }

    // The members of these names that the zip holds.
    std::map<std::string, std::string> Members(const std::set<std::string>& names) {
        std::map<std::string, std::string> members;
        EachMember([&](const std::string& name) { return names.count(name) > 0; },
                   [&](const std::string& name, std::string bytes) { members.emplace(name, std::move(bytes)); });
        return members;
    }

    bool Append(std::string_view piece) {
        if (text.size() + piece.size() > ArchiveReader::kMostBytes) return TooMuchText();
        text.append(piece);
        return true;
    }

private:
    const Zip zip_;
};

// A document whose text is all in one member (a DOCX body, an ODF content.xml).
bool OneMemberText(Document& document, const std::string& name, XmlKind kind) {
    std::map<std::string, std::string> members = document.Members({name});
    if (!document.failure.empty()) return false;
    if (!members.count(name)) return document.Damaged();
    return document.Check(MemberText(members[name], kind, document.reading, document.text), true);
}

// The text of each member, read in the zip's order, then put in the
// document's order with after each one.
bool MembersInOrder(Document& document, const std::vector<std::string>& order, XmlKind kind, std::string_view after) {
    const std::set<std::string> wanted(order.begin(), order.end());
    std::map<std::string, std::string> texts;
    const bool read = document.EachMember(
        [&](const std::string& name) { return wanted.count(name) > 0; },
        [&](const std::string& name, std::string bytes) {
            std::string text;
            document.Check(MemberText(bytes, kind, document.reading, text), false);
            texts.emplace(name, std::move(text));
        });
    if (!read) return false;
    for (const std::string& name : order) {
        const auto found = texts.find(name);
        if (found != texts.end() && !(document.Append(found->second) && document.Append(after))) return false;
    }
    return true;
}

// The members named prefix, a number and ".xml", in the order of their
// numbers: the order of sheets or slides when nothing lists them.
std::vector<std::string> NumberedMembers(Document& document, const std::string& prefix) {
    std::vector<std::pair<std::uint64_t, std::string>> numbered;
    document.EachMember(
        [&](const std::string& name) {
            if (name.starts_with(prefix) && name.ends_with(".xml") && name.size() > prefix.size() + 4) {
                const char* first = name.data() + prefix.size();
                const char* last = name.data() + name.size() - 4;
                std::uint64_t number = 0;
                const auto [end, error] = std::from_chars(first, last, number);
                if (error == std::errc() && end == last) numbered.emplace_back(number, name);
            }
            return false;
        },
        [](const std::string&, std::string) {});
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::string> names;
    for (auto& [number, name] : numbered) names.push_back(std::move(name));
    return names;
}

// The main member of a workbook or a presentation, which lists its sheets or
// slides (listed: the element naming one, by its relationship's id) in the
// order they are shown; none when the main member is missing or broken.
std::vector<std::string> ListedMembers(Document& document, std::string_view listed,
                                       std::map<std::string, Relation>& relations) {
    const std::string relationsMember = RelationsOf(document.mainMember);
    std::map<std::string, std::string> members = document.Members({document.mainMember, relationsMember});
    if (!document.failure.empty()) return {};
    if (!members.count(document.mainMember)) {
        document.Damaged();
        return {};
    }
    relations = Relations(members[relationsMember], FolderOf(document.mainMember), document.reading.deadline);
    std::vector<std::string> listedMembers;
    const XmlEnd end = EachElement(members[document.mainMember], document.reading.deadline,
                                   [&](std::string_view name, const XmlAttributes& attributes) {
                                       if (name != listed) return;
                                       const auto found = relations.find(std::string(attributes.RelationshipId()));
                                       if (found != relations.end()) listedMembers.push_back(found->second.member);
                                   });
    document.Check(end, true);
    return listedMembers;
}

bool WorkbookText(Document& document) {
    std::map<std::string, Relation> relations;
    std::vector<std::string> sheets = ListedMembers(document, "sheet", relations);
    if (!document.failure.empty()) return false;
    const std::string folder = FolderOf(document.mainMember);
    if (sheets.empty()) sheets = NumberedMembers(document, folder + "worksheets/sheet");
    std::string stringsMember = folder + "sharedStrings.xml";
    for (const auto& [id, relation] : relations)
        if (relation.type.ends_with("/sharedStrings")) stringsMember = relation.member;
    SharedStrings strings;
    std::map<std::string, std::string> members = document.Members({stringsMember});
    if (!document.Check(ReadSharedStrings(members[stringsMember], document.reading.deadline, strings), false))
        return false;
    document.reading.sharedStrings = &strings;
    return MembersInOrder(document, sheets, XmlKind::Sheet, "\f");
}

bool PresentationText(Document& document) {
    std::map<std::string, Relation> relations;
    std::vector<std::string> slides = ListedMembers(document, "sldId", relations);
    if (!document.failure.empty()) return false;
    if (slides.empty()) slides = NumberedMembers(document, FolderOf(document.mainMember) + "slides/slide");
    return MembersInOrder(document, slides, XmlKind::Slide, "\f");
}

// A book: META-INF/container.xml names its package (the OPF), whose
// manifest names the chapters by id and whose spine puts them in order.
bool BookText(Document& document) {
    const std::string container = "META-INF/container.xml";
    std::map<std::string, std::string> members = document.Members({container});
    if (!document.failure.empty()) return false;
    std::string package;
    const XmlEnd end = EachElement(members[container], document.reading.deadline,
                                   [&](std::string_view name, const XmlAttributes& attributes) {
                                       if (name == "rootfile" && package.empty())
                                           package = MemberPath("", attributes.Value("full-path"));
                                   });
    if (!document.Check(end, true)) return false;
    if (package.empty()) return document.Damaged();
    members = document.Members({package});
    if (!document.failure.empty()) return false;
    if (!members.count(package)) return document.Damaged();
    std::map<std::string, std::string> manifest;
    std::vector<std::string> spine;
    const XmlEnd listed = EachElement(
        members[package], document.reading.deadline, [&](std::string_view name, const XmlAttributes& attributes) {
            // The spine may hold other kinds (an image) that have no text.
            const std::string_view type = attributes.Value("media-type");
            if (name == "item" && (type.empty() || type.find("html") != std::string_view::npos))
                manifest.emplace(attributes.Value("id"), MemberPath(FolderOf(package), attributes.Value("href")));
            else if (name == "itemref")
                spine.emplace_back(attributes.Value("idref"));
        });
    if (!document.Check(listed, true)) return false;
    std::vector<std::string> chapters;
    for (const std::string& id : spine)
        if (const auto found = manifest.find(id); found != manifest.end()) chapters.push_back(found->second);
    return MembersInOrder(document, chapters, XmlKind::Xhtml, "");
}

bool ReadText(Document& document) {
    switch (document.kind) {
    case Kind::Docx: return OneMemberText(document, document.mainMember, XmlKind::DocxBody);
    case Kind::Xlsx: return WorkbookText(document);
    case Kind::Pptx: return PresentationText(document);
    case Kind::Odt: return OneMemberText(document, "content.xml", XmlKind::OpenText);
    case Kind::Ods: return OneMemberText(document, "content.xml", XmlKind::OpenSpreadsheet);
    case Kind::Odp: return OneMemberText(document, "content.xml", XmlKind::OpenPresentation);
    case Kind::Epub: return BookText(document);
    }
    return false;
}

}  // namespace

std::optional<DocumentText> ZipDocumentText(const std::string* path, const std::string* bytes,
                                            Clock::time_point deadline) {
    if (!path == !bytes) return std::nullopt;
    const Zip zip{path, bytes};
    const std::optional<Recognised> recognised = Recognise(zip, deadline);
    if (!recognised) return std::nullopt;
    Document document(zip, *recognised, deadline);
    DocumentText result;
    result.ok = ReadText(document) && document.failure.empty();
    if (result.ok) result.text = std::move(document.text);
    else result.failure = document.failure.empty() ? "the " + std::string(KindName(document.kind)) + " is damaged"
                                                   : document.failure;
    return result;
}

}  // namespace quarvel
