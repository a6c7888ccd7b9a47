// Lookup index over the main list and the sub list while a merge runs.
#ifndef KORU_MERGE_MERGE_INDEX_H
#define KORU_MERGE_MERGE_INDEX_H

#include "koru.h"
#include "parser/node_store.h"
#include "query/node_index.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace koru { namespace detail {

struct MergeIndex;

// Something that holds main-list nodes while a merge runs and must let go of
// a node before it is freed.
class NodeWatcher {
public:
    // Forgets `node`, which is about to be freed.
    virtual void Forget(const CKORU_ItemNode* node) = 0;

protected:
    ~NodeWatcher() = default;
};

// The children of a document parent that a rebuild matches A statements
// against. Children deleted during the rebuild drop out, so a freed node is
// never reached, and nodes inserted during the rebuild are never in it.
class ChildMatcher : public NodeWatcher {
public:
    explicit ChildMatcher(CKORU_Parser::NodeList* children);
    // First child tagged A whose N value is `name`; null if none.
    CKORU_ItemNode* FindA(std::string_view name);
    void Forget(const CKORU_ItemNode* node) override;

private:
    // The A children of one name in list order; those before `head` are gone.
    struct Named {
        std::vector<CKORU_ItemNode*> nodes;
        size_t head = 0;
    };

    CKORU_Parser::NodeList* m_Children;
    bool m_Indexed = false;
    std::unordered_map<std::string, Named> m_ByName;
    std::unordered_map<const CKORU_ItemNode*, POSITION> m_PosOf;
    std::unordered_set<const CKORU_ItemNode*> m_Gone;
};

// The rebuilt nodes an update hands back. A later step of the same update may
// delete a node already listed (a body's removal instruction can delete an
// event node with a control nested in it); such a node drops out, so the
// caller never receives a freed node.
class RebuiltList : public NodeWatcher {
public:
    RebuiltList(MergeIndex* index, CKORU_Parser::NodeList* list);
    ~RebuiltList();
    RebuiltList(const RebuiltList&) = delete;
    RebuiltList& operator=(const RebuiltList&) = delete;
    // Appends `node` at the tail of the list.
    void Add(CKORU_ItemNode* node);
    void Forget(const CKORU_ItemNode* node) override;

private:
    MergeIndex* m_Index;
    CKORU_Parser::NodeList* m_List;
    std::unordered_map<const CKORU_ItemNode*, std::vector<POSITION>> m_Positions;
};

// Built from the main list when a merge starts and kept up to date by every
// insertion and deletion the merge makes, so that finding a node's position,
// a control by its N value, the body and the insert position take constant
// time instead of a walk from the head. Results are exactly those of the walks:
// among several controls with one N value the one nearest the head wins.
//
// To tell which of several nodes is nearest the head, every main-list node
// carries an order label that grows from head to tail. A node inserted between
// two others takes a label between theirs; when there is no room, the labels
// of the smallest sparse enough stretch around it are spread out again, which
// keeps the amortised cost of an insertion logarithmic.
struct MergeIndex final : NodeIndex {
    // Indexes the parser's main list and serves the parser's queries until destroyed.
    explicit MergeIndex(CKORU_Parser& parser);
    ~MergeIndex();
    // The index of the merge running on `parser`, or null.
    static MergeIndex* Of(const CKORU_Parser& parser) { return static_cast<MergeIndex*>(parser.m_pNodeIndex); }
    MergeIndex(const MergeIndex&) = delete;
    MergeIndex& operator=(const MergeIndex&) = delete;

    // Position of `node` in `list`, or null (the main and sub lists are indexed).
    POSITION Find(CKORU_Parser::NodeList* list, const CKORU_ItemNode* node) override;
    // First main-list node tagged C whose N value is `name`.
    CKORU_ItemNode* FindControl(std::string_view name) override;
    // The single main-list node tagged B, or null.
    CKORU_ItemNode* Body() const override { return m_Bodies.size() == 1 ? *m_Bodies.begin() : nullptr; }
    // The last level-2 body of the main list, or null.
    POSITION InsertTarget();

    void Inserted(CKORU_ItemNode* node, POSITION pos);
    void Erased(CKORU_ItemNode* node);
    // A node's attribute table gained keys or values through assignment: its N
    // value, or whether it is the insert position, may have changed.
    void TableChanged(CKORU_ItemNode* node);
    void SubListChanged() { m_SubValid = false; }

    void Watch(NodeWatcher* watcher) { m_Watchers.push_back(watcher); }
    void Unwatch(NodeWatcher* watcher);

private:
    struct Entry {
        POSITION pos;
        uint64_t label;
    };
    // Orders controls of one name by their place in the main list.
    struct ByPlace {
        const MergeIndex* index;
        bool operator()(const CKORU_ItemNode* a, const CKORU_ItemNode* b) const {
            return index->LabelOf(a) < index->LabelOf(b);
        }
    };
    using Controls = std::set<CKORU_ItemNode*, ByPlace>;

    uint64_t LabelOf(const CKORU_ItemNode* node) const { return m_Main.at(node).label; }
    // Gives the node just inserted at `pos` a label between its neighbours'.
    void Label(CKORU_ItemNode* node, POSITION pos);
    void AddControl(CKORU_ItemNode* node);
    void RemoveControl(CKORU_ItemNode* node);

    CKORU_Parser& m_Parser;
    std::unordered_map<const CKORU_ItemNode*, Entry> m_Main;
    std::unordered_map<const CKORU_ItemNode*, POSITION> m_SubPos;
    bool m_SubValid = false;
    std::unordered_map<std::string, Controls> m_Controls;
    std::unordered_map<const CKORU_ItemNode*, std::string> m_ControlKey;
    std::unordered_set<CKORU_ItemNode*> m_Bodies;
    POSITION m_InsertTarget = nullptr;
    bool m_InsertValid = false;
    std::vector<NodeWatcher*> m_Watchers;
};

// Gives the parser a merge index for the scope of one merge or update call
// (none before the first parse); nested scopes reuse the outer index.
class MergeScope {
public:
    explicit MergeScope(CKORU_Parser& parser);
    ~MergeScope() { delete m_Owned; }
    MergeScope(const MergeScope&) = delete;
    MergeScope& operator=(const MergeScope&) = delete;
    // The running index; null when the parser has no main list.
    MergeIndex* Index() const { return m_Index; }

private:
    MergeIndex* m_Owned = nullptr;
    MergeIndex* m_Index;
};

}}  // namespace koru::detail

#endif
