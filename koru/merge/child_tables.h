// Children of the parents a merge rebuilds, filed so that restating a parent
// costs the restatement's own children, not a walk over the parent's run.
#ifndef KORU_MERGE_CHILD_TABLES_H
#define KORU_MERGE_CHILD_TABLES_H

#include "koru.h"
#include "merge/nodes_by_key.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace koru { namespace detail {

class MainList;

// A main-list node with its position.
struct PlacedNode {
    CKORU_ItemNode* node = nullptr;
    POSITION pos = nullptr;
};

// What a child is filed under: its removal tag (A, E, EN or M; none else), its
// N value when tagged A, and its T value.
struct ChildKeys {
    enum Tag : char { kNone = 0, kA, kE, kEN, kM };
    Tag tag = kNone;
    std::string name;
    std::string type;
    bool operator==(const ChildKeys& other) const {
        return tag == other.tag && name == other.name && type == other.type;
    }
};

// The children of one parent at one level: the nodes of that level in the run
// nested in the parent, between the node that ends the run and the parent.
struct ChildTable {
    ChildTable(CKORU_ItemNode* parent, short level, CKORU_ItemNode* end, const MainList& main);

    CKORU_ItemNode* parent;
    short level;
    CKORU_ItemNode* end;  // the nearest node before the parent of its level or less; null at the head
    NodesByKey named;     // A children by N value
    // Children by removal tag and T value, filed when a removal first asks.
    bool tagsFiled = false;
    NodesByKey tagged;
    // While the parent is rebuilt, its matches are the children it had when
    // the rebuild began: A children that join meanwhile are held back from
    // `named`, and those that leave the run without being freed stay there.
    bool rebuilding = false;
    std::unordered_set<const CKORU_ItemNode*> held;
    std::unordered_map<const CKORU_ItemNode*, std::string> leftUnder;
};

// The tables of one main list, kept exact through every insertion, removal
// and table edit the list reports: an insertion inside a run joins the
// children or, at the parent's level or less, cuts the run short; freeing the
// node that ends a run extends the run back to the next such node.
class ChildTables {
public:
    explicit ChildTables(MainList& main) : m_Main(main) {}
    ChildTables(const ChildTables&) = delete;
    ChildTables& operator=(const ChildTables&) = delete;

    // The keys `node` is filed under as a child.
    static ChildKeys KeysOf(CKORU_ItemNode* node);
    // The removal tag a tag name stands for (ignoring case); none for any other.
    static ChildKeys::Tag RemovalTag(std::string_view tagName);

    // True when some table files children of `level`.
    bool Files(short level) const { return m_ChildLevels.count(level) != 0; }
    // The table of `parent`'s children at `level`, or null.
    ChildTable* Find(const CKORU_ItemNode* parent, short level);
    // Files `children` (in list order) of `parent`, whose run ends at `end`.
    ChildTable& Make(CKORU_ItemNode* parent, short level, CKORU_ItemNode* end, const std::vector<PlacedNode>& children);

    // A rebuild of `table`'s parent begins or ends.
    void Open(ChildTable& table);
    void Close(ChildTable& table);
    // The first child tagged A with N value `name` that the rebuild matches; null if none.
    CKORU_ItemNode* FirstNamed(ChildTable& table, std::string_view name);
    // The children whose removal tag is `tag` and T value `type`, in list order.
    void Tagged(ChildTable& table, ChildKeys::Tag tag, std::string_view type, std::vector<CKORU_ItemNode*>& out);

    // The list's reports: a node just inserted at `pos` and labelled; a node
    // at `pos` about to be freed, still labelled; a node whose table was
    // edited, with its keys from before the edit.
    void Inserted(CKORU_ItemNode* node, POSITION pos);
    void Freeing(CKORU_ItemNode* node, POSITION pos);
    void Edited(CKORU_ItemNode* node, const ChildKeys& before);

private:
    // Orders tables by their parents' labels (then levels), and finds the
    // first whose parent lies at or after a label.
    struct TableOrder {
        const MainList* main;
        using is_transparent = void;
        bool operator()(const ChildTable* a, const ChildTable* b) const;
        bool operator()(const ChildTable* a, uint64_t label) const;
        bool operator()(uint64_t label, const ChildTable* b) const;
    };
    using TableSet = std::set<ChildTable*, TableOrder>;

    // The tables whose parent is `node` or whose run holds it, the node that
    // ends the run included. Runs of parents of one level never overlap, so
    // each level holds at most one parent to test, and one more when the node
    // is itself a parent of that level.
    void Containing(const CKORU_ItemNode* node, std::vector<ChildTable*>& out);
    // Files `child` under `keys`; `joining` when it was not a child before.
    void File(ChildTable& table, CKORU_ItemNode* child, const ChildKeys& keys, bool joining);
    // Unfiles `child`; `leaving` when it stays in the list outside the run.
    void Unfile(ChildTable& table, CKORU_ItemNode* child, const ChildKeys& keys, bool leaving);
    // The run now ends at `node`, inserted inside it at `pos`: the children
    // before it leave.
    void Cut(ChildTable& table, CKORU_ItemNode* node, POSITION pos);
    // The node ending the run, at `pos`, is about to be freed: the run takes
    // in the nodes before it down to the next node of the parent's level or less.
    void Extend(ChildTable& table, POSITION pos);
    void Drop(ChildTable& table);

    MainList& m_Main;
    std::map<std::pair<const CKORU_ItemNode*, short>, std::unique_ptr<ChildTable>> m_Tables;
    std::map<short, TableSet> m_ByParentLevel;
    std::map<short, size_t> m_ChildLevels;  // tables per level of children
    ChildTable* m_Open = nullptr;      // the table whose parent is being rebuilt
    std::vector<ChildTable*> m_Found;  // scratch for Containing
};

}}  // namespace koru::detail

#endif
