// Control rebuilding: a restated body or control brings the document's node up
// to date. Its attributes are merged; A children are matched by N value and
// updated, or copied in; removal instructions (IA, IE, IEN, IM) delete the
// children tagged A, E, EN or M with the same T value; every other child is an
// event node, copied in with its nested nodes. New children are inserted
// directly before the document parent, so they become its last children.
#include "merge/fragment_outline.h"
#include "merge/main_list.h"
#include "merge/node_watchers.h"
#include "parser/node_store.h"
#include "query/node_runs.h"
#include "query/node_view.h"

#include <algorithm>
#include <vector>

using namespace koru::detail;

namespace {

// Sets `children` to the positions of the nodes of `level` in the run nested
// in the node at `parent`, in list order.
void ChildPositions(const CKORU_Parser::NodeList& list, POSITION parent, short level,
                    std::vector<POSITION>& children) {
    children.clear();
    WalkRun(list, parent, list.GetAt(parent)->m_Level, [&](CKORU_ItemNode* node, POSITION at) {
        if (node->m_Level == level) children.push_back(at);
    });
    std::reverse(children.begin(), children.end());
}

}  // namespace

CKORU_ItemNode* CKORU_Parser::ReMakeBodyControl() { return ReMakeBodyControl(FragmentOutline(m_SubList)); }

CKORU_ItemNode* CKORU_Parser::ReMakeBodyControl(const FragmentOutline& outline) {
    MergeScope scope(*this);
    MainList* main = scope.Main();
    // The fragment's single body.
    if (!main || outline.bodies != 1) return nullptr;
    size_t body = 0;
    while (outline.entries[body].kind != FragmentOutline::Kind::Body) ++body;
    const PlacedNode documentBody = main->BodyAt();
    if (!documentBody.node) return nullptr;
    CKORU_ItemNode* fragmentBody = m_SubList.GetAt(outline.entries[body].pos);
    AddOrUpdateLValue(fragmentBody, documentBody.node);
    // The fragment's children come first: when it has none but controls, the
    // document body's children (a walk over the whole body) are not needed.
    // Controls are rebuilt one by one by the caller, not as body children.
    const short level = outline.entries[body].level;
    std::vector<POSITION> fragmentChildren;
    for (size_t i = body; i-- > 0;) {
        const FragmentOutline::Entry& entry = outline.entries[i];
        if (entry.level <= level) break;
        if (entry.level == level + 1 && entry.kind != FragmentOutline::Kind::Control)
            fragmentChildren.push_back(entry.pos);
    }
    std::reverse(fragmentChildren.begin(), fragmentChildren.end());
    if (fragmentChildren.empty()) return documentBody.node;
    return RemakeNode(documentBody.node, documentBody.pos, static_cast<short>(documentBody.node->m_Level + 1),
                      fragmentChildren);
}

CKORU_ItemNode* CKORU_Parser::RemakeControl(POSITION fragmentPos) {
    if (!fragmentPos || !m_pMainList) return nullptr;
    MergeScope scope(*this);
    MainList& main = *scope.Main();
    CKORU_ItemNode* fragmentControl = m_SubList.GetAt(fragmentPos);
    const PlacedNode documentControl = main.FindControlAt(ValueOf(fragmentControl, "N"));
    if (!documentControl.node) return nullptr;
    AddOrUpdateLValue(fragmentControl, documentControl.node);
    std::vector<POSITION>& fragmentChildren = main.ChildPositionScratch();
    ChildPositions(m_SubList, fragmentPos, 4, fragmentChildren);
    if (fragmentChildren.empty()) return documentControl.node;
    return RemakeNode(documentControl.node, documentControl.pos, 4, fragmentChildren);
}

// The document parent's children of `level` are matched as they stand when
// the rebuild begins.
CKORU_ItemNode* CKORU_Parser::RemakeNode(CKORU_ItemNode* documentParent, POSITION parentPos, short level,
                                         const std::vector<POSITION>& fragmentChildren) {
    MergeScope scope(*this);
    MainList& main = *scope.Main();
    ChildMatcher matcher(main, documentParent, parentPos, level);
    for (POSITION childPos : fragmentChildren) {
        CKORU_ItemNode* child = m_SubList.GetAt(childPos);
        if (TagIs(child, "A")) {
            std::string_view name = ValueOf(child, "N");
            CKORU_ItemNode* match = name.empty() ? nullptr : matcher.FindA(name);
            if (match) {
                AddOrUpdateLValue(child, match);
            } else {
                main.InsertBefore(parentPos, CopyNode(*this, child));
            }
        } else if (TagIs(child, "IA")) {
            DeleteNode(CString(ValueOf(child, "T")), documentParent, CString("A"));
        } else if (TagIs(child, "IE")) {
            DeleteNode(CString(ValueOf(child, "T")), documentParent, CString("E"));
        } else if (TagIs(child, "IEN")) {
            DeleteNode(CString(ValueOf(child, "T")), documentParent, CString("EN"));
        } else if (TagIs(child, "IM")) {
            DeleteNode(CString(ValueOf(child, "T")), documentParent, CString("M"));
        } else {
            AddNewEventNode(parentPos, childPos);
        }
    }
    return documentParent;
}

// Copies an event node together with its nested run, keeping their order.
void CKORU_Parser::AddNewEventNode(POSITION parentPos, POSITION childPos) {
    MainList* main = MainList::Of(*this);
    if (!main || !parentPos || !childPos) return;
    CKORU_ItemNode* fragmentChild = m_SubList.GetAt(childPos);
    POSITION last = main->InsertBefore(parentPos, CopyNode(*this, fragmentChild));
    WalkRun(m_SubList, childPos, fragmentChild->m_Level, [&](CKORU_ItemNode* nested, POSITION) {
        last = main->InsertBefore(last, CopyNode(*this, nested));
    });
}
