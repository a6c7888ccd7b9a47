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

CKORU_Parser::NodeList* CKORU_Parser::MergeBatch(StatementList* statements) {
    StackOperation(statements);
    return MergeStacked();
}

// Merges the batch just stacked: controls first (inserted when new, then
// rebuilt), then the body.
CKORU_Parser::NodeList* CKORU_Parser::MergeStacked() {
    m_nOverwrite = 1;
    ReleaseSubList();
    int shift = 2;
    while (!m_ClosedList.IsEmpty()) {
        CKORU_ItemNode* node = m_ClosedList.RemoveHead();
        if (TagIs(node, "B")) --shift;
        m_SubList.AddTail(node);
    }
    for (CKORU_ItemNode* node : m_SubList) node->m_Level = static_cast<short>(node->m_Level + shift);

    // The result is null when the batch held no control and no body was
    // rebuilt; a control rebuilt here and deleted by a later step drops out.
    MainList* main = MainList::Of(*this);
    auto* result = new NodeList(10);
    bool made = false;
    {
        RebuiltList rebuiltNodes(main, result);
        // The sub list stays as it is from here on: controls are visited in place.
        for (POSITION pos = main ? m_SubList.GetHeadPosition() : nullptr; pos;) {
            POSITION at = pos;
            CKORU_ItemNode* control = m_SubList.GetNext(pos);
            if (!TagIs(control, "C")) continue;
            if (!main->FindControl(ValueOf(control, "N"))) AddNewControl(control);
            CKORU_ItemNode* rebuilt = RemakeControl(at);
            made = true;
            if (rebuilt) rebuiltNodes.Add(rebuilt);
        }
        if (CKORU_ItemNode* body = ReMakeBodyControl()) {
            made = true;
            rebuiltNodes.Add(body);
        }
    }
    ReleaseSubList();
    if (!made) {
        delete result;
        return nullptr;
    }
    return result;
}
