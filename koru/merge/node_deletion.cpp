// Node deletion: a node with its nested run, or the children a removal
// instruction selects. Deleted nodes are freed at once.
#include "merge/merge_index.h"
#include "query/node_view.h"

using namespace koru::detail;

POSITION CKORU_Parser::InsertMainBefore(POSITION pos, CKORU_ItemNode* node) {
    POSITION at = m_pMainList->InsertBefore(pos, node);
    if (MergeIndex* index = MergeIndex::Of(*this)) index->Inserted(node, at);
    return at;
}

POSITION CKORU_Parser::AppendMain(CKORU_ItemNode* node) {
    POSITION at = m_pMainList->AddTail(node);
    if (MergeIndex* index = MergeIndex::Of(*this)) index->Inserted(node, at);
    return at;
}

// Removes the main-list node at `pos` and frees it, telling the merge index first.
void CKORU_Parser::FreeMainNode(POSITION pos) {
    CKORU_ItemNode* node = m_pMainList->GetAt(pos);
    if (MergeIndex* index = MergeIndex::Of(*this)) index->Erased(node);
    m_pMainList->RemoveAt(pos);
    FreeNode(*this, node);
}

void CKORU_Parser::DeleteNode(CKORU_ItemNode* node) {
    if (!node || !m_pMainList) return;
    const short level = node->m_Level;
    POSITION pos = FindIn(m_pMainList, node);
    bool first = true;
    while (pos) {
        POSITION at = pos;
        CKORU_ItemNode* current = m_pMainList->GetPrev(pos);
        if (!first && current->m_Level <= level) break;
        first = false;
        FreeMainNode(at);
    }
}

void CKORU_Parser::DeleteNode(CString tValue, CKORU_ItemNode* parent, CString tag) {
    if (!parent || !m_pMainList) return;
    const short level = TagIs(parent, "B") ? 3 : 4;
    NodeList* children = GetNodeList(m_pMainList, level, parent);
    if (!children) return;
    POSITION pos = children->GetHeadPosition();
    while (pos) {
        POSITION at = pos;
        CKORU_ItemNode* child = children->GetNext(pos);
        if (ValueOf(child, "T") != tValue.View() || !TagIs(child, tag.View())) continue;
        children->RemoveAt(at);
        DeleteNode(child);
    }
    ReleaseNodeList(children);
}

void CKORU_Parser::DeleteOneNodeFromMainList(CKORU_ItemNode* node) {
    if (!node || !m_pMainList) return;
    if (POSITION pos = FindIn(m_pMainList, node)) FreeMainNode(pos);
}
