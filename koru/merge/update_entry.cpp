// Update entry: loose control and body statements applied to the document in
// batches, each ending with a statement whose first word is exactly /B or /C.
//
// A batch's nodes are shifted to fit the document: by 2, less 1 for every body
// the batch closes. So <C N=x></C> opened at depth 0 yields the control at
// level 3, as in a body, and <B></B> yields the body at level 2.
#include "merge/main_list.h"
#include "merge/node_watchers.h"
#include "parser/statement_list.h"
#include "query/node_view.h"
#include "refusal/limits.h"
#include "refusal/refusal.h"
#include "scan/word_cursor.h"

using namespace koru::detail;

CKORU_Parser::NodeList* CKORU_Parser::UpdateParser(StatementList* statements) {
    if (!statements) return nullptr;
    if (!CheckUpdateNesting(statements, false)) {
        FreeStatements(statements);
        Refuse(KoruRefusalCode::NestingLimit, -1, std::string_view());
        return nullptr;
    }
    MergeScope scope(*this);
    return MergeBatch(statements);
}

// The result is null when the batch held no control and no body was rebuilt;
// a control rebuilt here and deleted by a later step drops out.
CKORU_Parser::NodeList* CKORU_Parser::MergeBatch(StatementList* statements) {
    StackOperation(statements);
    auto* result = new NodeList(10);
    bool made = false;
    {
        RebuiltList rebuilt(MainList::Of(*this), result);
        made = MergeStacked(rebuilt);
    }
    if (!made) {
        delete result;
        return nullptr;
    }
    return result;
}

// Merges the batch just stacked: controls first (inserted when new, then
// rebuilt), then the body. The nodes rebuilt go to `rebuilt`; true when the
// batch held a control or a body was rebuilt.
bool CKORU_Parser::MergeStacked(RebuiltList& rebuilt) {
    m_nOverwrite = 1;
    ReleaseSubList();
    // Each body in the batch moves its nodes one level less deep.
    int bodies = 0;
    while (!m_ClosedList.IsEmpty()) {
        CKORU_ItemNode* node = m_ClosedList.RemoveHead();
        if (TagIs(node, "B")) ++bodies;
        m_SubList.AddTail(node);
    }
    const int shift = 2 - bodies;
    for (CKORU_ItemNode* node : m_SubList) node->m_Level = static_cast<short>(node->m_Level + shift);

    MainList* main = MainList::Of(*this);
    bool made = false;
    // The sub list stays as it is from here on: controls are visited in place.
    for (POSITION pos = main ? m_SubList.GetHeadPosition() : nullptr; pos;) {
        POSITION at = pos;
        CKORU_ItemNode* control = m_SubList.GetNext(pos);
        if (!TagIs(control, "C")) continue;
        if (!main->FindControl(ValueOf(control, "N"))) AddNewControl(control);
        CKORU_ItemNode* node = RemakeControl(at);
        made = true;
        if (node) rebuilt.Add(node);
    }
    // Only a batch with a single body can rebuild one.
    if (CKORU_ItemNode* body = bodies == 1 ? ReMakeBodyControl() : nullptr) {
        made = true;
        rebuilt.Add(body);
    }
    ReleaseSubList();
    return made;
}
