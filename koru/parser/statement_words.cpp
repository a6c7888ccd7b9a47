// Reading a statement and cutting its words in the same walk: the usual start
// statement is read once, not once by the splitter and again by node building.
#include "parser/plain_reader.h"
#include "parser/statement_splitter.h"

#include <algorithm>

namespace koru { namespace detail {

void SourceStatements::NewWordBlock() {
    // Blocks grow to the most a place can index, so a short text takes little.
    const size_t room = std::min<size_t>(size_t(1024) << std::min<size_t>(m_Blocks.size(), 6), 0x10000);
    // Room first: the block would be lost if adding it threw.
    if (m_Blocks.size() == m_Blocks.capacity()) m_Blocks.reserve(2 * m_Blocks.size() + 4);
    m_Blocks.emplace_back(static_cast<uint32_t*>(TakeBlock(room * sizeof(uint32_t))), GiveBack{room * sizeof(uint32_t)});
    m_BlockRoom = room;
    m_BlockUsed = 0;
}

StatementRead ReadStatementWords(std::string_view text, size_t& pos, StatementSpan& span, SourceStatements& out) {
    if (ReadPlainInline(text, pos, span, out) != PlainRead::Odd) return StatementRead::Statement;
    span.wordCount = -1;
    return ReadStatement(text, pos, span, out);
}

}}  // namespace koru::detail
