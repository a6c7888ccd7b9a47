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
// another child of the same level. A removal tag's children are filed when the
// parent is wide; other tags are found by a walk.
void CKORU_Parser::DeleteNode(CString tValue, CKORU_ItemNode* parent, CString tag) {
    if (!parent || !m_pMainList) return;
    MergeScope scope(*this);
    MainList& main = *scope.Main();
    POSITION pos = main.Find(parent);
    if (!pos) return;
    const short level = TagIs(parent, "B") ? 3 : 4;
    const ChildKeys::Tag removal = ChildTables::RemovalTag(tag.View());
    std::vector<PlacedNode> walked;
    std::vector<POSITION> doomed;
    ChildTable* table = nullptr;
    if (removal != ChildKeys::kNone) table = main.Children(parent, pos, level, walked);
    else main.WalkChildren(parent, pos, level, walked);
    if (table) {
        std::vector<CKORU_ItemNode*> children;
        main.Tables()->Tagged(*table, removal, tValue.View(), children);
        for (CKORU_ItemNode* child : children) doomed.push_back(main.Find(child));
    } else {
        for (const PlacedNode& child : walked)
            if (ValueOf(child.node, "T") == tValue.View() && TagIs(child.node, tag.View())) doomed.push_back(child.pos);
    }
    for (POSITION at : doomed) main.FreeRun(at);
}

void CKORU_Parser::DeleteOneNodeFromMainList(CKORU_ItemNode* node) {
    if (!node || !m_pMainList) return;
    MergeScope scope(*this);
    if (POSITION pos = scope.Main()->Find(node)) scope.Main()->Free(pos);
}
