// The undo of a refused parse or text update.
#include "driver/parse_transaction.h"
#include "parser/statement_list.h"

namespace koru { namespace detail {

ParseTransaction::~ParseTransaction() {
    if (m_Committed) return;
    FreeStatements(m_Statements);
    m_Parser.DiscardStagedMacros();
    if (m_Overwrite == kUpdate) return;
    m_Parser.m_nOverwrite = m_Overwrite;
    m_Parser.m_ReDefineSource.Empty();
}

CKORU_Parser::StatementList* ParseTransaction::Commit() {
    m_Committed = true;
    m_Parser.CommitStagedMacros();
    return m_Statements;
}

}}  // namespace koru::detail
