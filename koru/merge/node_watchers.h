// Lists of main-list nodes that a merge holds while it deletes nodes.
#ifndef KORU_MERGE_NODE_WATCHERS_H
#define KORU_MERGE_NODE_WATCHERS_H

#include "merge/main_list.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace koru { namespace detail {

// The children of a document parent that a rebuild matches A statements
// against. Children deleted during the rebuild drop out, so a freed node is
// never reached, and nodes inserted during the rebuild are never in it.
class ChildMatcher : public NodeWatcher {
public:
    // `children` in list order (the matcher nulls those freed while it
    // lives); watched on `main` until destroyed.
    ChildMatcher(MainList& main, std::vector<CKORU_ItemNode*>& children);
    ~ChildMatcher();
    ChildMatcher(const ChildMatcher&) = delete;
    ChildMatcher& operator=(const ChildMatcher&) = delete;
    // First child tagged A whose N value is `name`; null if none.
    CKORU_ItemNode* FindA(std::string_view name);
    void Forget(const CKORU_ItemNode* node) override;

private:
    // The A children of one name as indexes into m_Children, in list order;
    // those before `head` are gone.
    struct Named {
        std::vector<size_t> children;
        size_t head = 0;
    };

    MainList& m_Main;
    std::vector<CKORU_ItemNode*>& m_Children;  // a deleted child's entry is null
    bool m_Indexed = false;
    std::unordered_map<std::string, Named> m_ByName;
    PointerMap<size_t> m_IndexOf;  // child -> index + 1
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
