// Test helpers: parse a document and render node lists as strings, so that a
// whole list (tag, level, N value, in order) is compared in one assertion.
#ifndef KORU_TESTS_QUERY_DOC_HELPERS_H
#define KORU_TESTS_QUERY_DOC_HELPERS_H

#include <koru/koru.h>

#include <memory>
#include <string>
#include <vector>

namespace koru_test {

using NodeList = CTypedPtrList<CPtrList, CKORU_ItemNode*>;
using Lines = std::vector<std::string>;

// Parses `text` into `parser`; the DoParsingProc result.
inline int Parse(CKORU_Parser& parser, const std::string& text, int overwrite = 0) {
    CString source(text.c_str());
    return parser.DoParsingProc(source, overwrite);
}

// One node as "TAG LEVEL", followed by " N=value" when the node has an N
// attribute (the value as GetValue gives it, quotes removed).
inline std::string RenderNode(const CKORU_ItemNode* node) {
    if (!node) return "(null)";
    std::string line = node->m_TagName.GetString();
    line += ' ';
    line += std::to_string(node->m_Level);
    CString n;
    if (node->m_AttrTable.Lookup("N", n)) {
        std::string value(n.GetString());
        if (!value.empty() && value[0] == '"') {
            value.erase(0, 1);
            size_t last = value.rfind('"');
            if (last != std::string::npos) value.erase(last);
        }
        line += " N=" + value;
    }
    return line;
}

// Every node of `list`, head to tail; an empty vector for a null list.
inline Lines Render(const NodeList* list) {
    Lines lines;
    if (!list) return lines;
    for (CKORU_ItemNode* node : *list) lines.push_back(RenderNode(node));
    return lines;
}

// The parser's main list rendered; {"(no main list)"} before the first parse.
inline Lines MainLines(const CKORU_Parser& parser) {
    if (!parser.GetMainList()) return {"(no main list)"};
    return Render(parser.GetMainList());
}

// A map as "KEY=value" entries in iteration order.
inline Lines Table(const CMapStringToString& map) {
    Lines lines;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        CString key, value;
        map.GetNextAssoc(pos, key, value);
        lines.push_back(std::string(key.GetString()) + "=" + value.GetString());
    }
    return lines;
}

// The raw attribute-table value of `name` (upper case), or "(absent)".
inline std::string Attr(const CKORU_ItemNode* node, const char* name) {
    CString value;
    if (!node || !node->m_AttrTable.Lookup(name, value)) return "(absent)";
    return value.GetString();
}

// The position (0-based) of `node` in `list`, or -1.
inline int IndexOf(const NodeList* list, const CKORU_ItemNode* node) {
    if (!list) return -1;
    int i = 0;
    for (CKORU_ItemNode* n : *list) {
        if (n == node) return i;
        ++i;
    }
    return -1;
}

// The node at `index` of `list` (null out of range).
inline CKORU_ItemNode* At(const NodeList* list, int index) {
    if (!list || index < 0) return nullptr;
    int i = 0;
    for (CKORU_ItemNode* n : *list) {
        if (i == index) return n;
        ++i;
    }
    return nullptr;
}

// Frees a list returned by a query or an update through its parser.
struct ListReleaser {
    CKORU_Parser* parser;
    void operator()(NodeList* list) const { parser->ReleaseNodeList(list); }
};
using OwnedList = std::unique_ptr<NodeList, ListReleaser>;

inline OwnedList Own(CKORU_Parser& parser, NodeList* list) { return OwnedList(list, ListReleaser{&parser}); }

// The nodes of a returned list as pointers, in order (to compare identity).
inline std::vector<CKORU_ItemNode*> Nodes(const NodeList* list) {
    std::vector<CKORU_ItemNode*> nodes;
    if (list)
        for (CKORU_ItemNode* n : *list) nodes.push_back(n);
    return nodes;
}

}  // namespace koru_test

#endif
