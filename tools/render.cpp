// Node lists as an indented tree or as JSON.
#include "cli.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

namespace koru_cli {

namespace {

// Bytes below 32 and 127 as escapes, so that every node stays on one line.
std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c == '\\') out += "\\\\";
        else if (u < 32 || u == 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

// Attribute entries worth showing: all but the tag name's own empty entry.
bool Shown(const CKORU_ItemNode* node, int i) {
    const CMapStringToString& table = node->m_AttrTable;
    return !(table.KeyAt(i) == node->m_TagName && table.ValueAt(i).IsEmpty());
}

// Each node's parent as an index, or -1: the first later node one level up, the
// rule of CKORU_Parser::GetParent, found in one pass from the tail (GetParent
// walks the list from its head on every call). A node whose parent statement
// the parser dropped (one nested in an H) has none, whatever its level.
std::vector<long> ParentIndexes(const std::vector<CKORU_ItemNode*>& nodes) {
    std::vector<long> parent(nodes.size(), -1);
    std::vector<long> nearest(65536, -1);  // by level + 32768: the nearest later node of that level
    for (size_t i = nodes.size(); i > 0; --i) {
        const int level = nodes[i - 1]->m_Level;
        if (level > -32768) parent[i - 1] = nearest[static_cast<size_t>(level - 1 + 32768)];
        nearest[static_cast<size_t>(level + 32768)] = static_cast<long>(i - 1);
    }
    return parent;
}

// The list's nodes in order; none for a null list.
std::vector<CKORU_ItemNode*> Nodes(const NodeList* list) {
    std::vector<CKORU_ItemNode*> nodes;
    if (list) nodes.assign(list->begin(), list->end());
    return nodes;
}

}  // namespace

std::string NodeLine(const CKORU_ItemNode* node) {
    std::string line = Escaped(node->m_TagName.View()) + " (level " + std::to_string(node->m_Level) + ")";
    const CMapStringToString& table = node->m_AttrTable;
    for (int i = 0; i < table.GetCount(); ++i) {
        if (!Shown(node, i)) continue;
        line += " " + Escaped(table.KeyAt(i).View()) + "=" + Escaped(table.ValueAt(i).View());
    }
    return line;
}

// Each node under its parent (as the JSON's "parent" gives it), children in list
// order, so a parent comes before the nodes that close before it. A node without
// a parent is a root, at the left margin, even when its level is above 2.
void PrintTree(std::ostream& out, const NodeList* list) {
    const std::vector<CKORU_ItemNode*> nodes = Nodes(list);
    const std::vector<long> parent = ParentIndexes(nodes);
    std::vector<std::vector<size_t>> children(nodes.size());
    std::vector<size_t> roots;
    for (size_t i = 0; i < nodes.size(); ++i)
        (parent[i] < 0 ? roots : children[static_cast<size_t>(parent[i])]).push_back(i);
    struct Item {
        size_t index;
        size_t depth;
    };
    std::vector<Item> stack;
    for (size_t i = roots.size(); i > 0; --i) stack.push_back({roots[i - 1], 0});
    while (!stack.empty()) {
        Item item = stack.back();
        stack.pop_back();
        out << std::string(std::min<size_t>(item.depth, 32) * 2, ' ') << NodeLine(nodes[item.index]) << "\n";
        const std::vector<size_t>& kids = children[item.index];
        for (size_t k = kids.size(); k > 0; --k) stack.push_back({kids[k - 1], item.depth + 1});
    }
}

nlohmann::ordered_json AttributesJson(CKORU_Parser& parser, CKORU_ItemNode* node) {
    nlohmann::ordered_json attributes = nlohmann::ordered_json::object();
    const CMapStringToString& table = node->m_AttrTable;
    for (int k = 0; k < table.GetCount(); ++k)
        if (Shown(node, k)) attributes[table.KeyAt(k).Str()] = parser.GetValue(table.KeyAt(k), node).Str();
    return attributes;
}

void PrintJson(std::ostream& out, CKORU_Parser& parser, const NodeList* list) {
    using Json = nlohmann::ordered_json;
    const std::vector<CKORU_ItemNode*> nodes = Nodes(list);
    const std::vector<long> parent = ParentIndexes(nodes);

    Json array = Json::array();
    for (size_t i = 0; i < nodes.size(); ++i) {
        CKORU_ItemNode* node = nodes[i];
        Json entry;
        entry["index"] = i;
        entry["tag"] = node->m_TagName.Str();
        entry["level"] = node->m_Level;
        entry["words"] = node->m_WordCount;
        entry["parent"] = parent[i] < 0 ? Json(nullptr) : Json(parent[i]);
        entry["attributes"] = AttributesJson(parser, node);
        array.push_back(std::move(entry));
    }
    Json document;
    document["nodes"] = std::move(array);
    // Bytes that are not UTF-8 come out as U+FFFD.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace koru_cli
