// Lists of main-list nodes that a merge holds while it deletes nodes.
#ifndef KORU_MERGE_NODE_WATCHERS_H
#define KORU_MERGE_NODE_WATCHERS_H

#include "merge/main_list.h"

#include <string_view>
#include <vector>

namespace koru { namespace detail {

// The children of a document parent that a rebuild matches A statements
// against: those it had when the rebuild began, less those deleted since, so a
// freed node is never reached and nodes inserted meanwhile are never matched.
class ChildMatcher : public NodeWatcher {
public:
    // Matches the children of `level` of `parent`, at `pos` in `main`, until destroyed.
    ChildMatcher(MainList& main, CKORU_ItemNode* parent, POSITION pos, short level);
    ~ChildMatcher();
    ChildMatcher(const ChildMatcher&) = delete;
    ChildMatcher& operator=(const ChildMatcher&) = delete;
    // First child tagged A whose N value is `name`; null if none.
    CKORU_ItemNode* FindA(std::string_view name);
    void Forget(const CKORU_ItemNode* node) override;

private:
    MainList& m_Main;
    ChildTable* m_Table;  // the parent's filed children; null when few enough to walk
    std::vector<PlacedNode>& m_Children;  // else those walked, a freed one nulled
};

// The rebuilt nodes an update hands back. A later step of the same update may
// delete a node already listed (a body's removal instruction can delete an
// event node with a control nested in it); such a node drops out, so the
// caller never receives a freed node.
class RebuiltList : public NodeWatcher {
public:
    // Collects into `list`, watched on `main` (if any) until destroyed.
    RebuiltList(MainList* main, CKORU_Parser::NodeList* list);
    ~RebuiltList();
    RebuiltList(const RebuiltList&) = delete;
    RebuiltList& operator=(const RebuiltList&) = delete;
    // Appends `node` at the tail of the list.
    void Add(CKORU_ItemNode* node);
    void Forget(const CKORU_ItemNode* node) override;

private:
    // One place of a node in the list, chained to its other places.
    struct Place {
        const CKORU_ItemNode* node;  // null once forgotten
        POSITION at;
        size_t next;  // index + 1 of the node's previous place, 0 at the end
    };

    void Link(size_t i);

    MainList* m_Main;
    CKORU_Parser::NodeList* m_List;
    std::vector<Place> m_Places;
    // node -> index + 1 of its latest place; kept once a node is freed from a
    // list too long to search.
    bool m_Indexed = false;
    PointerMap<size_t> m_LastPlace;
};

}}  // namespace koru::detail

#endif
