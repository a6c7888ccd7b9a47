// Making and freeing the nodes a parser owns. Every node that enters one of
// the parser's lists is made here and freed here, never with new or delete.
#ifndef KORU_PARSER_NODE_STORE_H
#define KORU_PARSER_NODE_STORE_H

#include "koru.h"

namespace koru { namespace detail {

// A node copied as the copy constructor copies: statement text and level,
// tables built again from the text.
CKORU_ItemNode* CopyNode(CKORU_Parser& parser, const CKORU_ItemNode* source);
// Destroys a node the parser made; null does nothing.
void FreeNode(CKORU_Parser& parser, CKORU_ItemNode* node) noexcept;

}}  // namespace koru::detail

#endif
