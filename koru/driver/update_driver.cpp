// The text update: an update text split, checked and applied batch by batch,
// each batch ending with a statement whose first word is exactly /B or /C and
// merged as the merge's update entry merges one batch.
#include "driver/parse_transaction.h"
#include "merge/main_list.h"
#include "merge/node_watchers.h"
#include "parser/node_store.h"
#include "parser/statement_list.h"
#include "parser/statement_splitter.h"
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
    SourceStatements statements;
    statements.cutWords = true;
    if (!PrepareSource(text) || !SplitStatements(text, statements)) {
        if (mayChange) RelocateRefusal(m_LastRefusal, original.View(), text.View());
        return nullptr;
    }
    const std::string_view source = text.View();
    if (!CheckUpdateNesting(source, statements)) {
        Refuse(KoruRefusalCode::NestingLimit, -1, std::string_view());
        return nullptr;
    }
    transaction.Commit();

    // Each batch is stacked from the statements where they lie in the text
    // and merged before the next is built; statements after the last batch
    // are never stacked.
    MergeScope scope(*this);
    auto* result = new NodeList(10);
    RebuiltList rebuiltNodes(scope.Main(), result);
    auto batch = statements.spans.begin();
    const auto end = statements.spans.end();
    for (auto at = batch; at != end;) {
        // Only an end statement can end a batch.
        const bool last = at->closes && EndsBatch(statements.Text(source, *at));
        ++at;
        if (!last) continue;
        StackSpans(source, statements, SpanRange{batch, at}, false);
        EndBuilding(*this);
        batch = at;
        MergeStacked(rebuiltNodes);
    }
    m_LastRefusal = KoruRefusal();
    return result;
}
