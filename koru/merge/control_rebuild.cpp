// Control rebuilding: a restated body or control brings the document's node up
// to date. Its attributes are merged; A children are matched by N value and
// updated, or copied in; removal instructions (IA, IE, IEN, IM) delete the
// children tagged A, E, EN or M with the same T value; every other child is an
// event node, copied in with its nested nodes. New children are inserted
// directly before the document parent, so they become its last children.
#include "merge/merge_index.h"
#include "query/node_view.h"

using namespace koru::detail;

CKORU_ItemNode* CKORU_Parser::ReMakeBodyControl() {
    MergeScope scope(*this);
    CKORU_ItemNode* fragmentBody = GetBodyNode(&m_SubList);
    CKORU_ItemNode* documentBody = GetBodyNode(m_pMainList);
    if (!fragmentBody || !documentBody) return nullptr;
    AddOrUpdateLValue(fragmentBody, documentBody);
    // The fragment's children come first: when it has none but controls, the
    // document body's children (a walk over the whole body) are not needed.
    NodeList* fragmentChildren =
        GetNodeList(&m_SubList, static_cast<short>(fragmentBody->m_Level + 1), fragmentBody);
    if (!fragmentChildren) return documentBody;
    // Controls are rebuilt one by one by the caller, not as body children.
    for (POSITION pos = fragmentChildren->GetHeadPosition(); pos;) {
        POSITION at = pos;
        if (TagIs(fragmentChildren->GetNext(pos), "C")) fragmentChildren->RemoveAt(at);
    }
    if (fragmentChildren->IsEmpty()) {
        ReleaseNodeList(fragmentChildren);
        return documentBody;
    }
    NodeList* documentChildren =
        GetNodeList(m_pMainList, static_cast<short>(documentBody->m_Level + 1), documentBody);
    return RemakeNode(fragmentBody, documentBody, fragmentChildren, documentChildren);
}

CKORU_ItemNode* CKORU_Parser::RemakeControl(CKORU_ItemNode* fragmentControl) {
    if (!fragmentControl || !m_pMainList) return nullptr;
    MergeScope scope(*this);
    CKORU_ItemNode* documentControl = GetNode(m_pMainList, CString("C"), CString(ValueOf(fragmentControl, "N")));
    if (!documentControl) return nullptr;
    AddOrUpdateLValue(fragmentControl, documentControl);
    NodeList* fragmentChildren = GetNodeList(&m_SubList, static_cast<short>(4), fragmentControl);
    if (!fragmentChildren) return documentControl;
    NodeList* documentChildren = GetNodeList(m_pMainList, static_cast<short>(4), documentControl);
    return RemakeNode(fragmentControl, documentControl, fragmentChildren, documentChildren);
}

CKORU_ItemNode* CKORU_Parser::RemakeNode(CKORU_ItemNode* /*fragmentParent*/, CKORU_ItemNode* documentParent,
                                         NodeList* fragmentChildren, NodeList* documentChildren) {
    if (!fragmentChildren || !m_pMainList) {
        ReleaseNodeList(fragmentChildren);
        ReleaseNodeList(documentChildren);
        return documentParent;
    }
    MergeScope scope(*this);
    ChildMatcher matcher(documentChildren);
    scope.Index()->Watch(&matcher);
    for (CKORU_ItemNode* child : *fragmentChildren) {
        if (TagIs(child, "A")) {
            std::string_view name = ValueOf(child, "N");
            CKORU_ItemNode* match = name.empty() ? nullptr : matcher.FindA(name);
            if (match) {
                AddOrUpdateLValue(child, match);
            } else if (POSITION at = FindIn(m_pMainList, documentParent)) {
                InsertMainBefore(at, CopyNode(*this, child));
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
            AddNewEventNode(documentParent, child);
        }
    }
    scope.Index()->Unwatch(&matcher);
    ReleaseNodeList(fragmentChildren);
    ReleaseNodeList(documentChildren);
    return documentParent;
}

// Copies an event node together with its nested run, keeping their order.
void CKORU_Parser::AddNewEventNode(CKORU_ItemNode* documentParent, CKORU_ItemNode* fragmentChild) {
    POSITION parentPos = FindIn(m_pMainList, documentParent);
    POSITION childPos = FindIn(&m_SubList, fragmentChild);
    if (!parentPos || !childPos) return;
    POSITION last = InsertMainBefore(parentPos, CopyNode(*this, fragmentChild));
    m_SubList.GetPrev(childPos);
    while (childPos) {
        CKORU_ItemNode* nested = m_SubList.GetPrev(childPos);
        if (nested->m_Level <= fragmentChild->m_Level) break;
        last = InsertMainBefore(last, CopyNode(*this, nested));
    }
}
