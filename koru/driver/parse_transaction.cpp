// The undo of a refused parse or text update.
#include "driver/parse_transaction.h"

namespace koru { namespace detail {

ParseTransaction::~ParseTransaction() {
    if (m_Committed) return;
    m_Parser.DiscardStagedMacros();
    if (m_Overwrite == kUpdate) return;
    m_Parser.m_nOverwrite = m_Overwrite;
    m_Parser.m_ReDefineSource.Empty();
}

void ParseTransaction::Commit() {
    m_Committed = true;
    m_Parser.CommitStagedMacros();
}

}}  // namespace koru::detail
