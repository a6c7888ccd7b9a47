// Statement list helpers.
#include "parser/statement_list.h"
#include "scan/word_cursor.h"

namespace koru { namespace detail {

void FreeStatements(CKORU_Parser::StatementList* list) {
    if (!list) return;
    while (!list->IsEmpty()) delete list->RemoveHead();
    delete list;
}

bool EndsBatch(const CString& statement) {
    size_t origin = 0;
    CString word = CutFirstWord(statement.View(), origin);
    return word == "/B" || word == "/C";
}

bool IsBodyStatement(const CString& statement) {
    size_t origin = 0;
    CString tag = CutFirstWord(NodeText(statement), origin);
    return tag.CompareNoCase("B") == 0;
}

}}  // namespace koru::detail
