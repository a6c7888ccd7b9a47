// Node store: where the parser's nodes come from and go back to.
#include "parser/node_store.h"

namespace koru { namespace detail {

CKORU_ItemNode* CopyNode(CKORU_Parser& /*parser*/, const CKORU_ItemNode* source) {
    return new CKORU_ItemNode(const_cast<CKORU_ItemNode*>(source));
}

void FreeNode(CKORU_Parser& /*parser*/, CKORU_ItemNode* node) noexcept { delete node; }

}}  // namespace koru::detail
