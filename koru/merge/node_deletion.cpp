// Node deletion: a node with its nested run, or the children a removal
// instruction selects. Deleted nodes are freed at once.
#include "merge/main_list.h"
#include "query/node_view.h"

#include <vector>

using namespace koru::detail;

void CKORU_Parser::DeleteNode(CKORU_ItemNode* node) {
    if (!node || !m_pMainList) return;
    MergeScope scope(*this);
    if (POSITION pos = scope.Main()->Find(node)) scope.Main()->FreeRun(pos);
}

// The children are those of the removal level (3 under a body, else 4) in the
// parent's run, collected before any is deleted: a child's run never holds
// another child of the same level.
void CKORU_Parser::DeleteNode(CString tValue, CKORU_ItemNode* parent, CString tag) {
    if (!parent || !m_pMainList) return;
    MergeScope scope(*this);
    MainList& main = *scope.Main();
    POSITION pos = main.Find(parent);
    if (!pos) return;
    const short level = TagIs(parent, "B") ? 3 : 4;
    std::vector<POSITION> doomed;
    main.Nodes().GetPrev(pos);
    while (pos) {
        POSITION at = pos;
        CKORU_ItemNode* node = main.Nodes().GetPrev(pos);
        if (node->m_Level <= parent->m_Level) break;
        if (node->m_Level == level && ValueOf(node, "T") == tValue.View() && TagIs(node, tag.View()))
            doomed.push_back(at);
    }
    for (auto at = doomed.rbegin(); at != doomed.rend(); ++at) main.FreeRun(*at);
}

void CKORU_Parser::DeleteOneNodeFromMainList(CKORU_ItemNode* node) {
    if (!node || !m_pMainList) return;
    MergeScope scope(*this);
    if (POSITION pos = scope.Main()->Find(node)) scope.Main()->Free(pos);
}
