// Small helpers over statement lists shared by the splitter, the tag stack and updates.
#ifndef KORU_PARSER_STATEMENT_LIST_H
#define KORU_PARSER_STATEMENT_LIST_H

#include "koru.h"

#include <string_view>

namespace koru { namespace detail {

// Frees a statement list and every string in it; null does nothing.
void FreeStatements(CKORU_Parser::StatementList* list);

// The node text of a statement: the statement without its closing '>'.
inline std::string_view NodeText(std::string_view statement) noexcept {
    return statement.empty() ? statement : statement.substr(0, statement.size() - 1);
}
inline std::string_view NodeText(const CString& statement) noexcept { return NodeText(statement.View()); }

// True when the statement ends an update batch: its first word is exactly /B or /C.
bool EndsBatch(std::string_view statement);
inline bool EndsBatch(const CString& statement) { return EndsBatch(statement.View()); }

// True when the statement's tag name is B (case ignored).
bool IsBodyStatement(std::string_view statement);

}}  // namespace koru::detail

#endif
