// The run nested in a node: the nodes directly before it in its list whose
// levels are greater than its own.
#ifndef KORU_QUERY_NODE_RUNS_H
#define KORU_QUERY_NODE_RUNS_H

#include "koru.h"

namespace koru { namespace detail {

// Calls `visit(node, pos)` for each node of the run nested in the node at
// `pos` in `list`, whose level is `level`, nearest first. Returns the node that
// ends the run (the nearest before it of `level` or less), or null at the head.
// `visit` may not change the list.
template <class Visit>
CKORU_ItemNode* WalkRun(const CKORU_Parser::NodeList& list, POSITION pos, short level, Visit&& visit) {
    list.GetPrev(pos);
    while (pos) {
        POSITION at = pos;
        CKORU_ItemNode* node = list.GetPrev(pos);
        if (node->m_Level <= level) return node;
        visit(node, at);
    }
    return nullptr;
}

}}  // namespace koru::detail

#endif
