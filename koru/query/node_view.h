// Allocation-free reads of a node's tag name and attribute values.
#ifndef KORU_QUERY_NODE_VIEW_H
#define KORU_QUERY_NODE_VIEW_H

#include "koru.h"
#include "support/ascii.h"

#include <string_view>

namespace koru { namespace detail {

// A value with one pair of surrounding quotes removed, as GetValue gives it.
inline std::string_view Unquoted(std::string_view value) noexcept {
    if (value.empty() || value[0] != '"') return value;
    value.remove_prefix(1);
    size_t last = value.rfind('"');
    return last == std::string_view::npos ? value : value.substr(0, last);
}

// GetValue of an upper-case attribute name, as a view into the node ("" when absent).
inline std::string_view ValueOf(const CKORU_ItemNode* node, std::string_view upperName) noexcept {
    const CString* value = node->m_AttrTable.PLookup(upperName);
    return value ? Unquoted(value->View()) : std::string_view();
}

// True when `a` and `b` are equal ignoring the case of ASCII letters.
inline bool EqualsNoCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

// True when the tag name of a node with an empty attribute table is `tag`.
bool FirstWordIs(CKORU_ItemNode* node, std::string_view tag);

// True when the node's tag name (GetFirstWord(node)) equals `tag` ignoring case.
// A node with attributes has it in m_TagName, so the test costs no copy.
inline bool TagIs(CKORU_ItemNode* node, std::string_view tag) {
    if (node->m_AttrTable.GetCount() != 0) return EqualsNoCase(node->m_TagName.View(), tag);
    return FirstWordIs(node, tag);
}

}}  // namespace koru::detail

#endif
