// Statement list helpers.
#include "parser/statement_list.h"
#include "scan/word_cursor.h"

namespace koru { namespace detail {

void FreeStatements(CKORU_Parser::StatementList* list) {
    if (!list) return;
    while (!list->IsEmpty()) delete list->RemoveHead();
    delete list;
}

bool EndsBatch(std::string_view statement) {
    size_t origin = 0;
    CString scratch;
    const std::string_view word = CutFirstWordView(statement, origin, scratch);
    return word == "/B" || word == "/C";
}

bool IsBodyStatement(std::string_view statement) {
    size_t origin = 0;
    CString scratch;
    const std::string_view tag = CutFirstWordView(NodeText(statement), origin, scratch);
    return tag.size() == 1 && (tag[0] == 'B' || tag[0] == 'b');
}

}}  // namespace koru::detail
