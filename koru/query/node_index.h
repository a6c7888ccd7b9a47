// The lookups a running merge keeps exact over the main list. Queries asked
// while a merge runs use them instead of walking the list from its head; the
// merge provides them, so queries never depend on the merge itself.
#ifndef KORU_QUERY_NODE_INDEX_H
#define KORU_QUERY_NODE_INDEX_H

#include "koru.h"

#include <string_view>

namespace koru { namespace detail {

class NodeIndex {
public:
    // Position of `node` in `list`, or null.
    virtual POSITION Find(CKORU_Parser::NodeList* list, const CKORU_ItemNode* node) = 0;
    // First main-list node tagged C whose N value is `name`, or null.
    virtual CKORU_ItemNode* FindControl(std::string_view name) = 0;
    // The single main-list node tagged B, or null.
    virtual CKORU_ItemNode* Body() = 0;

protected:
    ~NodeIndex() = default;
};

}}  // namespace koru::detail

#endif
