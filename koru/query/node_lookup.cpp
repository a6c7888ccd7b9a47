// Node lookup over lists in closing order: a node's nested nodes are the run
// directly before it with greater levels, and its parent is the first later
// node whose level is one less.
#include "query/node_index.h"
#include "query/node_runs.h"
#include "query/node_view.h"
#include "support/list_positions.h"

#include <new>

using namespace koru::detail;

namespace koru { namespace detail {

bool FirstWordIs(CKORU_ItemNode* node, std::string_view tag) {
    return CKORU_Parser::GetFirstWord(node).CompareNoCase(tag) == 0;
}

}}  // namespace koru::detail

CKORU_ItemNode* CKORU_Parser::GetNode(NodeList* list, short level, CString name) {
    if (!list) list = m_pMainList;
    if (!list) return nullptr;
    for (CKORU_ItemNode* node : *list)
        if (node->m_Level == level && ValueOf(node, "N") == name.View()) return node;
    return nullptr;
}

// Position of `node` in `list`: from the running merge's index, else, in the
// main list, from positions kept between queries (walking a tree node by node
// would otherwise take quadratic time), else by a walk.
POSITION CKORU_Parser::FindIn(NodeList* list, CKORU_ItemNode* node) {
    if (!list || !node) return nullptr;
    if (m_pNodeIndex) return m_pNodeIndex->Find(list, node);
    if (list != m_pMainList) return list->Find(node);
    if (!m_pPositions) m_pPositions = new (std::nothrow) ListPositions(*m_pMainList);
    return m_pPositions ? m_pPositions->Find(node) : list->Find(node);
}

CKORU_ItemNode* CKORU_Parser::GetNode(NodeList* list, CString tag, CString name) {
    if (!list) list = m_pMainList;
    if (!list) return nullptr;
    if (m_pNodeIndex && list == m_pMainList && tag.CompareNoCase("C") == 0)
        return m_pNodeIndex->FindControl(name.View());
    for (CKORU_ItemNode* node : *list)
        if (TagIs(node, tag.View()) && ValueOf(node, "N") == name.View()) return node;
    return nullptr;
}

CKORU_Parser::NodeList* CKORU_Parser::GetNodeList(NodeList* list, CString tag, CKORU_ItemNode* parent) {
    if (!list) list = m_pMainList;
    if (!m_pMainList) return nullptr;
    NodeList* result = nullptr;
    if (!parent) {
        for (CKORU_ItemNode* node : *list) {
            if (!TagIs(node, tag.View())) continue;
            if (!result) result = new NodeList(10);
            result->AddTail(node);
        }
        return result;
    }
    POSITION pos = FindIn(list, parent);
    if (!pos) return nullptr;
    const int childLevel = parent->m_Level + 1;
    WalkRun(*list, pos, parent->m_Level, [&](CKORU_ItemNode* node, POSITION) {
        if (node->m_Level != childLevel || !TagIs(node, tag.View())) return;
        if (!result) result = new NodeList(10);
        result->AddHead(node);
    });
    return result;
}

CKORU_Parser::NodeList* CKORU_Parser::GetNodeList(NodeList* list, short level, CKORU_ItemNode* parent) {
    if (!list) list = m_pMainList;
    if (!list) return nullptr;
    NodeList* result = nullptr;
    if (!parent) {
        for (CKORU_ItemNode* node : *list) {
            if (node->m_Level != level) continue;
            if (!result) result = new NodeList(10);
            result->AddTail(node);
        }
        return result;
    }
    POSITION pos = FindIn(list, parent);
    if (!pos) return nullptr;
    WalkRun(*list, pos, parent->m_Level, [&](CKORU_ItemNode* node, POSITION) {
        if (node->m_Level != level) return;
        if (!result) result = new NodeList(10);
        result->AddHead(node);
    });
    return result;
}

CKORU_ItemNode* CKORU_Parser::GetParent(CKORU_ItemNode* node) {
    if (!node || !m_pMainList) return nullptr;
    POSITION pos = FindIn(m_pMainList, node);
    if (!pos) return nullptr;
    const int parentLevel = node->m_Level - 1;
    m_pMainList->GetNext(pos);
    while (pos) {
        CKORU_ItemNode* next = m_pMainList->GetNext(pos);
        if (next->m_Level == parentLevel) return next;
    }
    return nullptr;
}

CString CKORU_Parser::GetValue(CString name, CKORU_ItemNode* node) {
    if (!node) return CString();
    name.MakeUpper();
    return CString(ValueOf(node, name.View()));
}

int CKORU_Parser::IsInWord(CString& word, CKORU_ItemNode* node) {
    word.MakeUpper();
    if (!node) return 0;
    return node->m_AttrTable.PLookup(word.View()) ? 1 : 0;
}
