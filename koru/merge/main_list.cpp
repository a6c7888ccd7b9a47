// The main list with its lookups: controls by name, bodies, the insert
// position and node positions.
#include "merge/main_list.h"
#include "parser/node_store.h"
#include "query/node_runs.h"
#include "query/node_view.h"
#include "support/prefetch.h"

#include <algorithm>
#include <functional>

namespace koru { namespace detail {

namespace {

bool IsControl(CKORU_ItemNode* node) { return TagIs(node, "C"); }
bool IsBody(CKORU_ItemNode* node) { return TagIs(node, "B"); }

bool IsForm(CKORU_ItemNode* node) { return node->m_Level <= 3 && node->m_AttrTable.PLookup("F"); }

bool IsInsertTarget(CKORU_ItemNode* node) {
    return node->m_Level == 2 && IsBody(node) && node->m_AttrTable.PLookup("B");
}

// Order labels lie in [1, kLabelSpace); 0 stands for "before the head".
constexpr int kLabelBits = 62;
constexpr uint64_t kLabelSpace = uint64_t(1) << kLabelBits;
// A parent with more children than this, or a longer run, has them filed.
constexpr size_t kChildWalkLimit = 16;
constexpr size_t kRunWalkLimit = 64;

}  // namespace

MainList::MainList(CKORU_Parser& parser) : m_Parser(parser), m_List(parser.m_pMainList) {
    parser.m_pNodeIndex = this;
}

MainList::~MainList() {
    if (m_Parser.m_pNodeIndex == this) m_Parser.m_pNodeIndex = nullptr;
}

// One walk finds the controls with their N values while their tables are at
// hand; the table of names is then made at its final size.
void MainList::Scan(short* formLevel) {
    if (m_Scanned) return;
    m_Scanned = true;
    // Names are copied while the walk has them in the cache: filing them after
    // the walk would read every control's table again.
    struct Found {
        PlacedNode control;
        std::string name;
    };
    KeptVector<Found> found;
    ReadAhead ahead(*m_List, m_List->GetHeadPosition(), ReadAhead::kForward, 3);
    for (POSITION pos = m_List->GetHeadPosition(); pos; ahead.Step()) {
        POSITION at = pos;
        CKORU_ItemNode* node = m_List->GetNext(pos);
        if (formLevel && IsForm(node)) {
            *formLevel = node->m_Level;
            formLevel = nullptr;
        }
        if (IsControl(node)) found.push_back({{node, at}, std::string(ValueOf(node, "N"))});
        if (IsBody(node)) m_Bodies.push_back({node, at});
    }
    ReserveControls(found.size());
    for (const Found& f : found) AddControl(f.control, f.name);
}

void MainList::IndexPositions() {
    if (m_Positioned) return;
    m_Positioned = true;
    const uint64_t gap = kLabelSpace / (static_cast<uint64_t>(m_List->GetCount()) + 1);
    uint64_t label = 0;
    m_Positions.Reserve(static_cast<size_t>(m_List->GetCount()));
    for (POSITION pos = m_List->GetHeadPosition(); pos;) {
        POSITION at = pos;
        m_Positions[m_List->GetNext(pos)] = Entry{at, label += gap};
    }
}

POSITION MainList::Find(CKORU_Parser::NodeList* list, const CKORU_ItemNode* node) {
    if (list == m_List) return Find(node);
    return list->Find(const_cast<CKORU_ItemNode*>(node));
}

POSITION MainList::Find(const CKORU_ItemNode* node) {
    if (!node) return nullptr;
    if (!m_Positioned && m_Scanned) {
        // Controls and bodies are found through their own indexes.
        auto* n = const_cast<CKORU_ItemNode*>(node);
        if (IsControl(n)) {
            const size_t i = ControlsNamed(ValueOf(n, "N"), false);
            if (i == kNone) return nullptr;
            const Controls& controls = m_Controls[i];
            if (controls.first.node == node) return controls.first.pos;
            if (controls.rest)
                for (const PlacedNode& control : *controls.rest)
                    if (control.node == node) return control.pos;
            return nullptr;
        }
        if (IsBody(n)) {
            for (const PlacedNode& body : m_Bodies)
                if (body.node == node) return body.pos;
            return nullptr;
        }
    }
    // One walk costs no more than indexing; a second lookup pays for the index.
    if (!m_Positioned && m_WalkedFinds++ == 0) return m_List->Find(const_cast<CKORU_ItemNode*>(node));
    IndexPositions();
    const Entry* entry = m_Positions.Find(node);
    return entry ? entry->pos : nullptr;
}

PlacedNode MainList::FindControlAt(std::string_view name) {
    Scan();
    const size_t i = FoundNamed(name);
    return i == kNone ? PlacedNode{} : m_Controls[i].first;
}

// A merge asks for one name several times in a row (is it there, rebuild it,
// is it still filed there after the edit), and a fragment usually restates
// controls in the document's order, in which they were filed: the name last
// found and the one filed after it are compared before the table is searched,
// which saves a document too large for the cache a miss per control.
size_t MainList::FoundNamed(std::string_view name) {
    const size_t i = PeekNamed(name);
    if (i != kNone) m_LastFound = i;
    return i;
}

size_t MainList::PeekNamed(std::string_view name) {
    if (m_LastFound != kNone) {
        if (m_Names.KeyAt(m_LastFound) == name) return m_LastFound;
        const size_t next = m_LastFound + 1;
        if (next < m_Names.Size() && m_Names.KeyAt(next) == name) return next;
    }
    return ControlsNamed(name, false);
}

void MainList::ReadAheadControl(std::string_view name) {
    if (!m_Scanned) return;
    const size_t i = PeekNamed(name);
    if (i == kNone || !m_Controls[i].first.node) return;
    // A control of a few children with their tables and texts takes about a
    // kilobyte; its children's list places lie just before its own.
    constexpr int kRunLines = 16;
    constexpr int kPlaceLines = 2;
    PrefetchLines(reinterpret_cast<std::uintptr_t>(m_Controls[i].first.node), kRunLines);
    PrefetchLines(reinterpret_cast<std::uintptr_t>(m_Controls[i].first.pos), kPlaceLines + 1, -64);
}

PlacedNode MainList::BodyAt() {
    Scan();
    return m_Bodies.size() == 1 ? m_Bodies.front() : PlacedNode{};
}

POSITION MainList::InsertTarget() {
    if (m_InsertValid) return m_InsertTarget;
    m_InsertTarget = nullptr;
    for (POSITION pos = m_List->GetTailPosition(); pos;) {
        POSITION at = pos;
        if (IsInsertTarget(m_List->GetPrev(pos))) {
            m_InsertTarget = at;
            break;
        }
    }
    m_InsertValid = true;
    return m_InsertTarget;
}

// A merge asks for the form level first, so the walk that finds it also indexes.
short MainList::FormLevel() {
    short level = -1;
    if (!m_Scanned) {
        Scan(&level);
        return level;
    }
    for (CKORU_ItemNode* node : *m_List)
        if (IsForm(node)) return node->m_Level;
    return -1;
}

POSITION MainList::InsertBefore(POSITION pos, CKORU_ItemNode* node) {
    POSITION at = m_List->InsertBefore(pos, node);
    Added(node, at);
    return at;
}

POSITION MainList::Append(CKORU_ItemNode* node) {
    POSITION at = m_List->AddTail(node);
    Added(node, at);
    return at;
}

void MainList::Added(CKORU_ItemNode* node, POSITION pos) {
    if (m_Positioned) Label(node, pos);
    if (m_Scanned) {
        if (IsControl(node)) AddControl({node, pos}, ValueOf(node, "N"));
        if (IsBody(node)) m_Bodies.push_back({node, pos});
    }
    if (m_Children) m_Children->Inserted(node, pos);
    if (IsInsertTarget(node)) m_InsertValid = false;
}

void MainList::Free(POSITION pos) {
    CKORU_ItemNode* node = m_List->GetAt(pos);
    for (NodeWatcher* watcher : m_Watchers) watcher->Forget(node);
    if (m_Parser.m_pFreedHook) m_Parser.m_pFreedHook(m_Parser.m_pFreedContext, node);
    if (m_Scanned) {
        if (IsControl(node)) RemoveControl(node, ValueOf(node, "N"));
        if (IsBody(node)) RemoveBody(node);
    }
    if (m_Children) m_Children->Freeing(node, pos);
    if (m_Positioned) m_Positions.Erase(node);
    if (m_InsertValid && pos == m_InsertTarget) m_InsertValid = false;
    m_List->RemoveAt(pos);
    FreeNode(m_Parser, node);
}

void MainList::FreeRun(POSITION pos) {
    const short level = m_List->GetAt(pos)->m_Level;
    bool first = true;
    while (pos) {
        POSITION at = pos;
        CKORU_ItemNode* current = m_List->GetPrev(pos);
        if (!first && current->m_Level <= level) break;
        first = false;
        Free(at);
    }
}

CKORU_ItemNode* MainList::WalkChildren(CKORU_ItemNode* parent, POSITION pos, short level,
                                       std::vector<PlacedNode>& walked, size_t* run) const {
    walked.clear();
    size_t nodes = 0;
    CKORU_ItemNode* end = WalkRun(*m_List, pos, parent->m_Level, [&](CKORU_ItemNode* node, POSITION at) {
        ++nodes;
        if (node->m_Level == level) walked.push_back({node, at});
    });
    std::reverse(walked.begin(), walked.end());
    if (run) *run = nodes;
    return end;
}

ChildTable* MainList::Children(CKORU_ItemNode* parent, POSITION pos, short level, std::vector<PlacedNode>& walked) {
    walked.clear();
    // A run holds no node of its parent's level or less.
    if (level <= parent->m_Level) return nullptr;
    if (m_Children)
        if (ChildTable* table = m_Children->Find(parent, level)) return table;
    size_t run = 0;
    CKORU_ItemNode* end = WalkChildren(parent, pos, level, walked, &run);
    if (walked.size() <= kChildWalkLimit && run <= kRunWalkLimit) return nullptr;
    IndexPositions();
    if (!m_Children) m_Children = std::make_unique<ChildTables>(*this);
    ChildTable& table = m_Children->Make(parent, level, end, walked);
    walked.clear();
    return &table;
}

void MainList::Unwatch(NodeWatcher* watcher) {
    m_Watchers.erase(std::remove(m_Watchers.begin(), m_Watchers.end(), watcher), m_Watchers.end());
}

size_t MainList::ControlsNamed(std::string_view name, bool make) {
    if (!make) return m_Names.Find(name);
    const size_t number = m_Names.Add(name);
    if (number == m_Controls.size()) m_Controls.emplace_back();
    return number;
}

void MainList::ReserveControls(size_t count) {
    m_Names.Reserve(count);
    m_Controls.reserve(count);
}

void MainList::AddControl(PlacedNode control, std::string_view name) {
    Controls& controls = m_Controls[ControlsNamed(name, true)];
    if (!controls.first.node) {
        controls.first = control;
        return;
    }
    // Namesakes are kept in order of their labels.
    IndexPositions();
    if (!controls.rest) controls.rest = std::make_unique<Namesakes>(ByLabel{&m_Positions});
    if (LabelOf(control.node) < LabelOf(controls.first.node)) std::swap(control, controls.first);
    controls.rest->insert(control);
}

POSITION MainList::RemoveControl(const CKORU_ItemNode* node, std::string_view name) {
    const size_t i = ControlsNamed(name, false);
    if (i == kNone) return nullptr;
    Controls& controls = m_Controls[i];
    POSITION pos = nullptr;
    if (controls.first.node == node) {
        pos = controls.first.pos;
        if (!controls.rest || controls.rest->empty()) {
            controls.first = PlacedNode{};
        } else {
            controls.first = *controls.rest->begin();
            controls.rest->erase(controls.rest->begin());
        }
        return pos;
    }
    Namesakes::const_iterator at;
    if (!Holds(controls, node, &at)) return nullptr;
    pos = at->pos;
    controls.rest->erase(at);
    return pos;
}

void MainList::RemoveBody(const CKORU_ItemNode* node) {
    auto at = std::find_if(m_Bodies.begin(), m_Bodies.end(), [&](const PlacedNode& body) { return body.node == node; });
    if (at != m_Bodies.end()) m_Bodies.erase(at);
}

MainList::Standing MainList::StandingOf(CKORU_ItemNode* node) {
    Standing standing;
    if (m_Children && m_Children->Files(node->m_Level)) {
        standing.child = true;
        standing.keys = ChildTables::KeysOf(node);
    }
    if (!m_Scanned) return standing;
    standing.control = IsControl(node);
    standing.body = IsBody(node);
    return standing;
}

// An edit only adds keys or overwrites values, and a control keeps its N value
// through the merges that edit it, so a control is almost always still filed
// under its N value; the tag tests change only for a node whose table was
// empty, which a host may leave behind.
void MainList::Restand(CKORU_ItemNode* node, const Standing& before) {
    if (before.child) m_Children->Edited(node, before.keys);
    const bool body = IsBody(node);
    // A body that gains its B key becomes the insert position (a host may have
    // emptied its table before an update whose first batch restores it).
    if (m_InsertValid && body) m_InsertValid = false;
    if (!m_Scanned) return;
    const bool control = IsControl(node);
    const std::string_view name = control ? ValueOf(node, "N") : std::string_view();
    const bool filed = control && before.control && FiledUnder(node, name);
    if (control == before.control && (!control || filed) && body == before.body) return;
    // Unfiled under the old standing, which also tells where the node is.
    POSITION pos = nullptr;
    if (before.control) pos = RemoveControlAnywhere(node);
    if (before.body) {
        for (const PlacedNode& other : m_Bodies)
            if (other.node == node) pos = other.pos;
        RemoveBody(node);
    }
    if (!before.control && !before.body) {
        IndexPositions();
        if (const Entry* entry = m_Positions.Find(node)) pos = entry->pos;
    }
    if (!pos) return;  // not a main-list node
    if (control) AddControl({node, pos}, name);
    if (body) m_Bodies.push_back({node, pos});
}

bool MainList::FiledUnder(const CKORU_ItemNode* node, std::string_view name) {
    const size_t i = FoundNamed(name);
    if (i == kNone) return false;
    const Controls& controls = m_Controls[i];
    return controls.first.node == node || Holds(controls, node);
}

// Namesakes exist only once positions are indexed; a node without a position
// is not in the list, so not among them.
bool MainList::Holds(const Controls& controls, const CKORU_ItemNode* node, Namesakes::const_iterator* where) const {
    if (!controls.rest || controls.rest->empty() || !m_Positions.Find(node)) return false;
    auto at = controls.rest->find(PlacedNode{const_cast<CKORU_ItemNode*>(node), nullptr});
    if (at == controls.rest->end() || at->node != node) return false;
    if (where) *where = at;
    return true;
}

POSITION MainList::RemoveControlAnywhere(const CKORU_ItemNode* node) {
    for (size_t i = 0; i < m_Controls.size(); ++i)
        if (m_Controls[i].first.node == node || Holds(m_Controls[i], node)) return RemoveControl(node, m_Names.KeyAt(i));
    return nullptr;
}

// The smallest aligned label range around the insertion point that stays
// sparse enough (at most 2^i / 1.5^i nodes in a range of 2^i labels) after
// taking the new node is spread out evenly; the whole list as a last resort.
void MainList::Label(CKORU_ItemNode* node, POSITION pos) {
    POSITION prevPos = pos, nextPos = pos;
    m_List->GetPrev(prevPos);
    m_List->GetNext(nextPos);
    const uint64_t low = prevPos ? LabelOf(m_List->GetAt(prevPos)) : 0;
    const uint64_t high = nextPos ? LabelOf(m_List->GetAt(nextPos)) : kLabelSpace;
    Entry& entry = m_Positions[node];
    entry.pos = pos;
    if (high - low >= 2) {
        entry.label = low + (high - low) / 2;
        return;
    }
    POSITION first = pos, last = pos;  // the stretch, the new node included
    size_t count = 1;
    double limit = 1.0;
    for (int bits = 1; bits <= kLabelBits; ++bits) {
        limit *= 2.0 / 1.5;
        const uint64_t size = uint64_t(1) << bits;
        const uint64_t base = bits == kLabelBits ? 0 : low & ~(size - 1);
        // Widen the stretch to every node whose label lies in [base, base + size).
        for (POSITION p = first;;) {
            m_List->GetPrev(p);
            if (!p || LabelOf(m_List->GetAt(p)) < base) break;
            first = p;
            ++count;
        }
        for (POSITION p = last;;) {
            m_List->GetNext(p);
            if (!p || LabelOf(m_List->GetAt(p)) >= base + size) break;
            last = p;
            ++count;
        }
        if (static_cast<double>(count) > limit || count >= size) continue;
        const uint64_t step = size / (count + 1);
        uint64_t label = base;
        for (POSITION p = first; p;) {
            POSITION at = p;
            label += step;
            m_Positions.Find(m_List->GetNext(p))->label = label;
            if (at == last) break;
        }
        return;
    }
    // No range is sparse enough: spread the labels of the whole list.
    const uint64_t gap = kLabelSpace / (static_cast<uint64_t>(m_List->GetCount()) + 1);
    uint64_t label = 0;
    for (CKORU_ItemNode* n : *m_List) m_Positions.Find(n)->label = (label += gap);
}

MergeScope::MergeScope(CKORU_Parser& parser) : m_Main(MainList::Of(parser)) {
    if (!m_Main && parser.GetMainList()) m_Main = m_Owned = new MainList(parser);
}

}}  // namespace koru::detail

void KoruWatchFreedNodes(CKORU_Parser& parser, KoruFreedNodeHook hook, void* context) noexcept {
    koru::detail::MainList::SetFreedHook(parser, hook, context);
}
