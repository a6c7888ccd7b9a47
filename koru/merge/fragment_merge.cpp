// Fragment merge: a later document folded into the main list. Forms are
// appended at the document's form level, the body is rebuilt, and each control
// is inserted before the body when the document lacks it, then rebuilt.
#include "merge/merge_index.h"
#include "query/node_view.h"

using namespace koru::detail;

void CKORU_Parser::ConcateNode() {
    if (!m_pMainList) {
        ReleaseSubList();
        return;
    }
    MergeScope scope(*this, m_pMainList, m_pMergeIndex);
    AddNewFormStatement();
    ReMakeBodyControl();
    if (NodeList* controls = GetNodeList(&m_SubList, CString("C"), nullptr)) {
        for (CKORU_ItemNode* control : *controls) {
            if (!m_pMergeIndex->FindControl(ValueOf(control, "N"))) AddNewControl(control);
            RemakeControl(control);
        }
        ReleaseNodeList(controls);
    }
    ReleaseSubList();
}

CKORU_ItemNode* CKORU_Parser::AddNewControl(CKORU_ItemNode* control) {
    if (!control || !m_pMainList) return nullptr;
    POSITION target = GetInsertTargetPositionOfMainList();
    if (!target) return nullptr;
    auto* copy = new CKORU_ItemNode(control);
    InsertMainBefore(target, copy);
    return copy;
}

POSITION CKORU_Parser::GetInsertTargetPositionOfMainList() {
    if (!m_pMainList) return nullptr;
    if (m_pMergeIndex) return m_pMergeIndex->InsertTarget();
    for (POSITION pos = m_pMainList->GetTailPosition(); pos;) {
        POSITION at = pos;
        CKORU_ItemNode* node = m_pMainList->GetPrev(pos);
        if (node->m_Level == 2 && TagIs(node, "B") && node->m_AttrTable.PLookup("B")) return at;
    }
    return nullptr;
}

// Appends the fragment's forms at the document's form level. The nodes nested
// in a moved form leave the fragment with it (and are freed): left behind they
// would lose the form that closes their run and be taken for body content.
void CKORU_Parser::AddNewFormStatement() {
    const short level = GetFORMLevelOfMainList();
    if (level < 0) return;
    POSITION pos = m_SubList.GetHeadPosition();
    while (pos) {
        POSITION at = pos;
        CKORU_ItemNode* form = m_SubList.GetNext(pos);
        if (form->m_Level > 3 || !TagIs(form, "F") || !form->m_AttrTable.PLookup("F")) continue;
        const short formLevel = form->m_Level;
        POSITION nested = at;
        m_SubList.GetPrev(nested);
        while (nested) {
            POSITION here = nested;
            CKORU_ItemNode* inner = m_SubList.GetPrev(nested);
            if (inner->m_Level <= formLevel) break;
            m_SubList.RemoveAt(here);
            delete inner;
        }
        m_SubList.RemoveAt(at);
        auto* copy = new CKORU_ItemNode(form);
        copy->m_Level = level;
        AppendMain(copy);
        delete form;
    }
    if (m_pMergeIndex) m_pMergeIndex->SubListChanged();
}

short CKORU_Parser::GetFORMLevelOfMainList() {
    if (!m_pMainList) return -1;
    for (CKORU_ItemNode* node : *m_pMainList)
        if (node->m_Level <= 3 && node->m_AttrTable.PLookup("F")) return node->m_Level;
    return -1;
}

int CKORU_Parser::CheckFormID_InMainList() {
    for (CKORU_ItemNode* node : m_SubList) {
        if (node->m_Level > 3 || !node->m_AttrTable.PLookup("FD")) continue;
        if (DoYouHaveFormID(CString(ValueOf(node, "ID")))) return 1;
    }
    return 0;
}

int CKORU_Parser::DoYouHaveFormID(CString id) {
    if (!m_pMainList) return 0;
    for (CKORU_ItemNode* node : *m_pMainList)
        if (ValueOf(node, "ID") == id.View()) return 1;
    return 0;
}
