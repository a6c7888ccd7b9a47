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

namespace {

// The removal tag that `tag` names; none for any other tag.
ChildKeys::Tag RemovalTag(std::string_view tag) {
    if (EqualsNoCase(tag, "A")) return ChildKeys::kA;
    if (EqualsNoCase(tag, "E")) return ChildKeys::kE;
    if (EqualsNoCase(tag, "EN")) return ChildKeys::kEN;
    if (EqualsNoCase(tag, "M")) return ChildKeys::kM;
    return ChildKeys::kNone;
}

}  // namespace

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
    auto selected = [&](CKORU_ItemNode* node) {
        return ValueOf(node, "T") == tValue.View() && TagIs(node, tag.View());
    };
    std::vector<PlacedNode> walked;
    std::vector<POSITION> doomed;
    if (ChildTable* table = main.Children(parent, pos, level, walked)) {
        const ChildKeys::Tag removal = RemovalTag(tag.View());
        std::vector<CKORU_ItemNode*> children;
        if (removal != ChildKeys::kNone) main.Tables()->Tagged(*table, removal, tValue.View(), children);
        else children.assign(table->all.begin(), table->all.end());
        for (CKORU_ItemNode* child : children)
            if (selected(child)) doomed.push_back(main.Find(child));
    } else {
        for (const PlacedNode& child : walked)
            if (selected(child.node)) doomed.push_back(child.pos);
    }
    for (POSITION at : doomed) main.FreeRun(at);
}

void CKORU_Parser::DeleteOneNodeFromMainList(CKORU_ItemNode* node) {
    if (!node || !m_pMainList) return;
    MergeScope scope(*this);
    if (POSITION pos = scope.Main()->Find(node)) scope.Main()->Free(pos);
}
