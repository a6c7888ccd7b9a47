// Helpers shared by the test suites: parse a text, render node lists and tables
// compactly, so that a table row states a whole expected list in one string.
#ifndef KORU_TESTS_COMMON_KORU_TEST_H
#define KORU_TESTS_COMMON_KORU_TEST_H

#include <koru/koru.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace koru_test {

using NodeList = CTypedPtrList<CPtrList, CKORU_ItemNode*>;

// Parses `text` with DoParsingProc; its result.
inline int Parse(CKORU_Parser& parser, const std::string& text, int overwrite = 0) {
    CString source{std::string(text)};
    return parser.DoParsingProc(source, overwrite);
}

// A node as "TAG:LEVEL", then "(n)" when it has an N attribute (quotes removed).
inline std::string Shape(const CKORU_ItemNode* node) {
    if (!node) return "null";
    std::string out = node->m_TagName.Str() + ":" + std::to_string(node->m_Level);
    CString n;
    if (node->m_AttrTable.Lookup("N", n)) {
        std::string value = n.Str();
        if (!value.empty() && value.front() == '"') {
            value.erase(0, 1);
            if (size_t last = value.rfind('"'); last != std::string::npos) value.erase(last);
        }
        out += "(" + value + ")";
    }
    return out;
}

// Every node of `list` as Shape, separated by blanks: "C:3(a) B:2"; "" for null or empty.
inline std::string Shape(const NodeList* list) {
    std::string out;
    if (list)
        for (CKORU_ItemNode* node : *list) out += (out.empty() ? "" : " ") + Shape(node);
    return out;
}

// The main list as Shape; "none" before the first successful parse.
inline std::string MainShape(const CKORU_Parser& parser) {
    return parser.GetMainList() ? Shape(parser.GetMainList()) : "none";
}

// A map as "KEY=value" entries in iteration order, separated by blanks.
inline std::string Table(const CMapStringToString& map) {
    std::string out;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        CString key, value;
        map.GetNextAssoc(pos, key, value);
        out += (out.empty() ? "" : " ") + key.Str() + "=" + value.Str();
    }
    return out;
}

// The node at `index` of `list` (null out of range).
inline CKORU_ItemNode* At(const NodeList* list, int index) {
    if (!list || index < 0) return nullptr;
    POSITION pos = list->FindIndex(index);
    return pos ? list->GetAt(pos) : nullptr;
}

// The raw attribute-table value of `name`, or "(absent)".
inline std::string Attr(const CKORU_ItemNode* node, const char* name) {
    CString value;
    if (!node || !node->m_AttrTable.Lookup(name, value)) return "(absent)";
    return value.Str();
}

// A list a query or an update returned, released through its parser.
struct ListReleaser {
    CKORU_Parser* parser;
    void operator()(NodeList* list) const { parser->ReleaseNodeList(list); }
};
using OwnedList = std::unique_ptr<NodeList, ListReleaser>;
inline OwnedList Own(CKORU_Parser& parser, NodeList* list) { return OwnedList(list, ListReleaser{&parser}); }

// `text` repeated `count` times.
inline std::string Repeat(const std::string& text, int count) {
    std::string out;
    while (count-- > 0) out += text;
    return out;
}

// A statement list as a host builds it: one heap string per statement.
inline CKORU_Parser::StatementList* Statements(std::initializer_list<const char*> texts) {
    auto* list = new CKORU_Parser::StatementList(10);
    for (const char* text : texts) list->AddTail(new CString(text));
    return list;
}

// Everything a host can observe of a parser's document: the main list with
// levels, statement texts and both tables of every node. Two images are equal
// exactly when nothing observable changed.
inline std::string Image(const CKORU_Parser& parser) {
    if (!parser.GetMainList()) return "none";
    std::string out;
    for (CKORU_ItemNode* node : *parser.GetMainList())
        out += std::to_string(node->m_Level) + "|" + node->m_Statement.Str() + "|" + Table(node->m_AttrTable) + "|" +
               Table(node->m_NewValueTable) + "\n";
    return out;
}

// The main list as KoruWriteDocument writes it, on one line (indentation dropped).
inline std::string Written(const CKORU_Parser& parser) {
    std::string text = KoruWriteDocument(parser.GetMainList()).Str(), out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        size_t first = text.find_first_not_of(' ', at);
        if (first < end) out += text.substr(first, end - first);
        at = end + 1;
    }
    return out;
}

}  // namespace koru_test

#endif
