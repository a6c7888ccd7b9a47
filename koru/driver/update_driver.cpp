// The text update: an update text split, checked and applied batch by batch,
// each batch ending with a statement whose first word is exactly /B or /C and
// merged as the merge's update entry merges one batch.
#include "driver/parse_transaction.h"
#include "merge/main_list.h"
#include "merge/node_watchers.h"
#include "parser/statement_list.h"
#include "refusal/refusal.h"

using namespace koru::detail;

CKORU_Parser::NodeList* CKORU_Parser::UpdateParser(CKORU_ItemNode* /*node*/, CString text, int newValueFlag) {
    m_nNewValue = newValueFlag;
    if (!m_pMainList) {
        Refuse(KoruRefusalCode::NoMainList, -1, std::string_view());
        return nullptr;
    }
    // Splitting changes the text only when it holds a macro block or a reference;
    // the original is kept then, so that a refusal can be placed in it.
    const bool mayChange = text.Find("MACRO") >= 0 || text.Find('&') >= 0;
    CString original;
    if (mayChange) original = text;
    ParseTransaction transaction(*this, ParseTransaction::kUpdate);
    transaction.Hold(PreProcess(text));
    if (!transaction.Statements()) {
        if (mayChange) RelocateRefusal(m_LastRefusal, original.View(), text.View());
        return nullptr;
    }
    if (!CheckUpdateNesting(transaction.Statements(), true)) {
        Refuse(KoruRefusalCode::NestingLimit, -1, std::string_view());
        return nullptr;
    }
    StatementList* statements = transaction.Commit();

    MergeScope scope(*this);
    auto* result = new NodeList(10);
    RebuiltList rebuiltNodes(scope.Main(), result);
    auto* batch = new StatementList(10);
    while (!statements->IsEmpty()) {
        CString* statement = statements->RemoveHead();
        batch->AddTail(statement);
        if (!statement || !EndsBatch(*statement)) continue;
        NodeList* rebuilt = MergeBatch(batch);
        batch = new StatementList(10);
        if (rebuilt) {
            for (CKORU_ItemNode* node : *rebuilt) rebuiltNodes.Add(node);
            ReleaseNodeList(rebuilt);
        }
    }
    FreeStatements(batch);
    FreeStatements(statements);
    m_LastRefusal = KoruRefusal();
    return result;
}
