// Node lists as an indented tree or as JSON.
#include "cli.h"

#include <nlohmann/json.hpp>

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

// Closing order to preorder: a node's nested nodes are the run before it with
// greater levels; each is printed under it, indented one step deeper.
void PrintTree(std::ostream& out, const NodeList* list) {
    if (!list) return;
    std::vector<const CKORU_ItemNode*> nodes(list->begin(), list->end());
    std::vector<std::vector<size_t>> children(nodes.size());
    std::vector<size_t> roots;
    for (size_t i = 0; i < nodes.size(); ++i) {
        size_t first = roots.size();
        while (first > 0 && nodes[roots[first - 1]]->m_Level > nodes[i]->m_Level) --first;
        children[i].assign(roots.begin() + static_cast<std::ptrdiff_t>(first), roots.end());
        roots.resize(first);
        roots.push_back(i);
    }
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

void PrintJson(std::ostream& out, CKORU_Parser& parser, const NodeList* list) {
    using Json = nlohmann::ordered_json;
    std::vector<CKORU_ItemNode*> nodes;
    if (list) nodes.assign(list->begin(), list->end());

    // A node's parent is the first later node one level up (as GetParent finds it).
    std::vector<long> parent(nodes.size(), -1);
    std::vector<long> nearest(65536, -1);  // by level + 32768: the nearest later node of that level
    for (size_t i = nodes.size(); i > 0; --i) {
        const int level = nodes[i - 1]->m_Level;
        if (level > -32768) parent[i - 1] = nearest[static_cast<size_t>(level - 1 + 32768)];
        nearest[static_cast<size_t>(level + 32768)] = static_cast<long>(i - 1);
    }

    Json array = Json::array();
    for (size_t i = 0; i < nodes.size(); ++i) {
        CKORU_ItemNode* node = nodes[i];
        Json attributes = Json::object();
        const CMapStringToString& table = node->m_AttrTable;
        for (int k = 0; k < table.GetCount(); ++k) {
            if (!Shown(node, k)) continue;
            attributes[table.KeyAt(k).Str()] = parser.GetValue(table.KeyAt(k), node).Str();
        }
        Json entry;
        entry["index"] = i;
        entry["tag"] = node->m_TagName.Str();
        entry["level"] = node->m_Level;
        entry["words"] = node->m_WordCount;
        entry["parent"] = parent[i] < 0 ? Json(nullptr) : Json(parent[i]);
        entry["attributes"] = std::move(attributes);
        array.push_back(std::move(entry));
    }
    Json document;
    document["nodes"] = std::move(array);
    // Bytes that are not UTF-8 come out as U+FFFD.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace koru_cli
