// The document's main list as a merge reads and edits it.
#ifndef KORU_MERGE_MAIN_LIST_H
#define KORU_MERGE_MAIN_LIST_H

#include "koru.h"
#include "merge/child_tables.h"
#include "query/node_index.h"
#include "support/arena.h"
#include "support/key_index.h"
#include "support/pointer_map.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace koru { namespace detail {

// Something that holds main-list nodes while a merge runs and must let go of
// a node before it is freed.
class NodeWatcher {
public:
    // Forgets `node`, which is about to be freed.
    virtual void Forget(const CKORU_ItemNode* node) = 0;

protected:
    ~NodeWatcher() = default;
};

// The main list while a merge or an edit runs. Every insertion, removal and
// attribute-table edit of the list goes through here, so the lookups it keeps
// stay exact without anyone telling it what changed: controls by N value, the
// body, the insert position and node positions each take constant time instead
// of a walk from the head. Results are exactly those of the walks: among
// several controls with one N value the one nearest the head wins.
//
// Nothing is indexed before a lookup asks for it. The first control or body
// lookup indexes controls and bodies in one walk; positions of other nodes are
// indexed only when a merge asks for them, which restating controls never does.
//
// To tell which of several nodes is nearest the head, the position index gives
// every node an order label that grows from head to tail. A node inserted
// between two others takes a label between theirs; when there is no room, the
// labels of the smallest sparse enough stretch around it are spread out again,
// which keeps the amortised cost of an insertion logarithmic.
class MainList final : public NodeIndex {
public:
    // Serves `parser`'s main list, and its queries, until destroyed.
    explicit MainList(CKORU_Parser& parser);
    ~MainList();
    MainList(const MainList&) = delete;
    MainList& operator=(const MainList&) = delete;
    // The main list of the merge running on `parser`, or null.
    static MainList* Of(const CKORU_Parser& parser) { return static_cast<MainList*>(parser.m_pNodeIndex); }
    // Sets the host's hook for freed nodes (KoruWatchFreedNodes).
    static void SetFreedHook(CKORU_Parser& parser, KoruFreedNodeHook hook, void* context) noexcept {
        parser.m_pFreedHook = hook;
        parser.m_pFreedContext = hook ? context : nullptr;
    }

    // The list, for reading.
    const CKORU_Parser::NodeList& Nodes() const { return *m_List; }

    // Position of `node` in `list`, or null (main-list positions are indexed).
    POSITION Find(CKORU_Parser::NodeList* list, const CKORU_ItemNode* node) override;
    // Position of `node` in the main list, or null.
    POSITION Find(const CKORU_ItemNode* node);
    // First node tagged C whose N value is `name`, or null.
    CKORU_ItemNode* FindControl(std::string_view name) override { return FindControlAt(name).node; }
    // The same control with its position; a null node if none.
    PlacedNode FindControlAt(std::string_view name);
    // Asks for the first control named `name`, the nodes made after it and
    // the list places before it (its nested run, in a document as parsed) to
    // be brought into the cache; a hint that changes nothing.
    void ReadAheadControl(std::string_view name);
    // The single node tagged B, or null.
    CKORU_ItemNode* Body() override { return BodyAt().node; }
    // The single node tagged B with its position; a null node if none or several.
    PlacedNode BodyAt();
    // The last level-2 body with a B key, as the position to insert new controls before; null if none.
    POSITION InsertTarget();
    // Level of the first node of level 3 or less with an F key (a form); -1 if none.
    short FormLevel();

    // Inserts `node` before `pos` and returns its position.
    POSITION InsertBefore(POSITION pos, CKORU_ItemNode* node);
    // Adds `node` at the tail and returns its position.
    POSITION Append(CKORU_ItemNode* node);
    // Removes the node at `pos` and frees it, after every watcher has let go of it.
    void Free(POSITION pos);
    // Removes and frees the node at `pos` with the run nested in it (the
    // nodes directly before it with greater levels).
    void FreeRun(POSITION pos);
    // Runs `edit`, which may add to or overwrite `node`'s attribute table: the
    // node's N value, tag test and insert-position test are read again after it.
    template <class Edit>
    void EditTable(CKORU_ItemNode* node, Edit&& edit) {
        const Standing before = StandingOf(node);
        edit();
        Restand(node, before);
    }

    // The children of `parent`, at `pos`, of `level` (the nodes of that level
    // in its run): their table when one is kept or the run is long enough to be
    // worth filing, else null with the children in `walked`, in list order.
    ChildTable* Children(CKORU_ItemNode* parent, POSITION pos, short level, std::vector<PlacedNode>& walked);
    // Sets `walked` to the children of `parent`, at `pos`, of `level`, in list
    // order, by a walk over its run; `run` (if given) receives the run's length.
    // Returns the node that ends the run, or null at the head.
    CKORU_ItemNode* WalkChildren(CKORU_ItemNode* parent, POSITION pos, short level, std::vector<PlacedNode>& walked,
                                 size_t* run = nullptr) const;
    // The tables Children made; null before the first.
    ChildTables* Tables() { return m_Children.get(); }
    // The order label of a main-list node, once positions are indexed.
    uint64_t OrderOf(const CKORU_ItemNode* node) const { return m_Positions.Find(node)->label; }
    // True when `node` is in the list, once positions are indexed.
    bool Labelled(const CKORU_ItemNode* node) const { return m_Positions.Find(node) != nullptr; }

    // Lists a control's rebuild reuses for its children, so that rebuilding
    // many controls does not allocate two lists for each.
    std::vector<POSITION>& ChildPositionScratch() { return m_ChildPositions; }
    std::vector<PlacedNode>& ChildScratch() { return m_ChildNodes; }

    // Tells `watcher` of every node freed from now on, until Unwatch.
    void Watch(NodeWatcher* watcher) { m_Watchers.push_back(watcher); }
    void Unwatch(NodeWatcher* watcher);

private:
    static constexpr size_t kNone = KeyIndex::kNone;

    // A node's order label and position.
    struct Entry {
        POSITION pos;
        uint64_t label;
    };
    // Orders nodes of the main list by their order labels, read when compared:
    // spreading labels out again keeps their order, so a set stays sorted.
    // Every filed namesake has a label: Free unfiles a node before it drops
    // the node's position.
    struct ByLabel {
        const PointerMap<Entry>* positions;
        bool operator()(const PlacedNode& a, const PlacedNode& b) const {
            return positions->Find(a.node)->label < positions->Find(b.node)->label;
        }
    };
    using Namesakes = std::set<PlacedNode, ByLabel>;
    // The controls of one N value: `first` nearest the head, the others (when
    // there are any; positions are then indexed) in list order, so that filing,
    // unfiling and finding one of many namesakes takes logarithmic time.
    struct Controls {
        PlacedNode first;
        std::unique_ptr<Namesakes> rest;
    };
    // What the indexes know of a node before its table is edited.
    struct Standing {
        bool control = false;
        bool body = false;
        bool child = false;  // `keys` holds the node's keys, for the child tables
        ChildKeys keys;
    };

    // Indexes controls and bodies when first asked; finds the form level on
    // the way when `formLevel` is given.
    void Scan(short* formLevel = nullptr);
    // Indexes positions and order labels when first asked.
    void IndexPositions();
    uint64_t LabelOf(const CKORU_ItemNode* node) { return m_Positions.Find(node)->label; }
    // Gives the node just inserted at `pos` a label between its neighbours'.
    void Label(CKORU_ItemNode* node, POSITION pos);

    // Number of the controls named `name` (their index into m_Controls), or
    // kNone; made when `make`.
    size_t ControlsNamed(std::string_view name, bool make);
    // The same, trying the name last found and the one filed after it first;
    // FoundNamed remembers the name found.
    size_t FoundNamed(std::string_view name);
    size_t PeekNamed(std::string_view name);
    // Makes the table of names hold `count` names without growing.
    void ReserveControls(size_t count);
    // Files a control under its N value `name`.
    void AddControl(PlacedNode control, std::string_view name);
    // Unfiles a control from under `name`; its position, or null when it was not there.
    POSITION RemoveControl(const CKORU_ItemNode* node, std::string_view name);
    // The same wherever the control is filed: a search of every name.
    POSITION RemoveControlAnywhere(const CKORU_ItemNode* node);
    // True when `node` is filed under `name`.
    bool FiledUnder(const CKORU_ItemNode* node, std::string_view name);
    // True when `node` is filed in `controls` after the first; `where` then
    // receives its place, for erasing it.
    bool Holds(const Controls& controls, const CKORU_ItemNode* node,
               Namesakes::const_iterator* where = nullptr) const;
    void RemoveBody(const CKORU_ItemNode* node);
    // The indexes' view of `node` before an edit, and their update after it.
    Standing StandingOf(CKORU_ItemNode* node);
    void Restand(CKORU_ItemNode* node, const Standing& before);
    void Added(CKORU_ItemNode* node, POSITION pos);

    CKORU_Parser& m_Parser;
    CKORU_Parser::NodeList* m_List;
    bool m_Scanned = false;
    KeyIndex m_Names;                // N values of controls
    KeptVector<Controls> m_Controls;  // by the number of their N value
    size_t m_LastFound = kNone;      // number of the N value last found
    std::vector<PlacedNode> m_Bodies;
    bool m_Positioned = false;
    int m_WalkedFinds = 0;
    PointerMap<Entry> m_Positions;
    POSITION m_InsertTarget = nullptr;
    bool m_InsertValid = false;
    std::vector<NodeWatcher*> m_Watchers;
    std::unique_ptr<ChildTables> m_Children;
    std::vector<POSITION> m_ChildPositions;
    std::vector<PlacedNode> m_ChildNodes;
};

// Gives the parser a main list for the scope of one merge, update or deletion
// (none before the first parse); nested scopes reuse the outer one.
class MergeScope {
public:
    explicit MergeScope(CKORU_Parser& parser);
    ~MergeScope() { delete m_Owned; }
    MergeScope(const MergeScope&) = delete;
    MergeScope& operator=(const MergeScope&) = delete;
    // The running main list; null when the parser has none.
    MainList* Main() const { return m_Main; }

private:
    MainList* m_Owned = nullptr;
    MainList* m_Main;
};

}}  // namespace koru::detail

#endif
