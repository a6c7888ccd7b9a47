// The main list with its lookups: controls by name, bodies, the insert
// position and node positions.
#include "merge/main_list.h"
#include "parser/node_store.h"
#include "query/node_view.h"

#include <algorithm>
#include <functional>

namespace koru { namespace detail {

bool IsControl(CKORU_ItemNode* node) { return TagIs(node, "C"); }
bool IsBody(CKORU_ItemNode* node) { return TagIs(node, "B"); }

namespace {

bool IsInsertTarget(CKORU_ItemNode* node) {
    return node->m_Level == 2 && IsBody(node) && node->m_AttrTable.PLookup("B");
}

// Order labels lie in [1, kLabelSpace); 0 stands for "before the head".
constexpr int kLabelBits = 62;
constexpr uint64_t kLabelSpace = uint64_t(1) << kLabelBits;

}  // namespace

MainList::MainList(CKORU_Parser& parser) : m_Parser(parser), m_List(parser.m_pMainList) {
    parser.m_pNodeIndex = this;
}

MainList::~MainList() {
    if (m_Parser.m_pNodeIndex == this) m_Parser.m_pNodeIndex = nullptr;
}

void MainList::Scan() {
    if (m_Scanned) return;
    m_Scanned = true;
    for (POSITION pos = m_List->GetHeadPosition(); pos;) {
        POSITION at = pos;
        CKORU_ItemNode* node = m_List->GetNext(pos);
        if (IsControl(node)) AddControl({node, at}, true);
        if (IsBody(node)) m_Bodies.push_back({node, at});
    }
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
            for (const PlacedNode& control : controls.rest)
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
    const size_t i = ControlsNamed(name, false);
    return i == kNone ? PlacedNode{} : m_Controls[i].first;
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

POSITION MainList::InsertBefore(POSITION pos, CKORU_ItemNode* node) {
    POSITION at = m_List->InsertBefore(pos, node);
    Added(node, at, false);
    return at;
}

POSITION MainList::Append(CKORU_ItemNode* node) {
    POSITION at = m_List->AddTail(node);
    Added(node, at, true);
    return at;
}

void MainList::Added(CKORU_ItemNode* node, POSITION pos, bool atTail) {
    if (m_Positioned) Label(node, pos);
    if (m_Scanned) {
        if (IsControl(node)) AddControl({node, pos}, atTail);
        if (IsBody(node)) m_Bodies.push_back({node, pos});
    }
    if (IsInsertTarget(node)) m_InsertValid = false;
}

void MainList::Free(POSITION pos) {
    CKORU_ItemNode* node = m_List->GetAt(pos);
    for (NodeWatcher* watcher : m_Watchers) watcher->Forget(node);
    if (m_Scanned) {
        RemoveControl(node);
        RemoveBody(node);
    }
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

void MainList::Unwatch(NodeWatcher* watcher) {
    m_Watchers.erase(std::remove(m_Watchers.begin(), m_Watchers.end(), watcher), m_Watchers.end());
}

size_t MainList::ControlsNamed(std::string_view name, bool make) {
    if (m_ControlSlots.empty()) {
        if (!make) return kNone;
        m_ControlSlots.assign(64, 0);
    }
    size_t mask = m_ControlSlots.size() - 1;
    for (size_t i = std::hash<std::string_view>{}(name) & mask;; i = (i + 1) & mask) {
        const uint32_t slot = m_ControlSlots[i];
        if (slot && m_Controls[slot - 1].name == name) return slot - 1;
        if (slot) continue;
        if (!make) return kNone;
        m_Controls.push_back(Controls{std::string(name), PlacedNode{}, {}});
        m_ControlSlots[i] = static_cast<uint32_t>(m_Controls.size());
        if (m_Controls.size() * 2 > m_ControlSlots.size()) {
            // Grow at half full: every name goes to its slot in a table twice as large.
            m_ControlSlots.assign(m_ControlSlots.size() * 2, 0);
            mask = m_ControlSlots.size() - 1;
            for (size_t c = 0; c < m_Controls.size(); ++c) {
                size_t j = std::hash<std::string_view>{}(m_Controls[c].name) & mask;
                while (m_ControlSlots[j]) j = (j + 1) & mask;
                m_ControlSlots[j] = static_cast<uint32_t>(c + 1);
            }
        }
        return m_Controls.size() - 1;
    }
}

void MainList::AddControl(PlacedNode control, bool atTail) {
    Controls& controls = m_Controls[ControlsNamed(ValueOf(control.node, "N"), true)];
    if (!controls.first.node) {
        controls.first = control;
        return;
    }
    if (atTail) {
        controls.rest.push_back(control);
        return;
    }
    // Somewhere in the middle: order labels tell where it goes among its namesakes.
    IndexPositions();
    const uint64_t label = LabelOf(control.node);
    if (label < LabelOf(controls.first.node)) {
        controls.rest.insert(controls.rest.begin(), controls.first);
        controls.first = control;
        return;
    }
    auto at = std::find_if(controls.rest.begin(), controls.rest.end(),
                           [&](const PlacedNode& other) { return label < LabelOf(other.node); });
    controls.rest.insert(at, control);
}

void MainList::RemoveControl(const CKORU_ItemNode* node) {
    auto* n = const_cast<CKORU_ItemNode*>(node);
    if (!IsControl(n)) return;
    const size_t i = ControlsNamed(ValueOf(n, "N"), false);
    if (i == kNone) return;
    Controls& controls = m_Controls[i];
    if (controls.first.node == node) {
        if (controls.rest.empty()) {
            controls.first = PlacedNode{};
        } else {
            controls.first = controls.rest.front();
            controls.rest.erase(controls.rest.begin());
        }
        return;
    }
    auto at = std::find_if(controls.rest.begin(), controls.rest.end(),
                           [&](const PlacedNode& other) { return other.node == node; });
    if (at != controls.rest.end()) controls.rest.erase(at);
}

void MainList::RemoveBody(const CKORU_ItemNode* node) {
    auto at = std::find_if(m_Bodies.begin(), m_Bodies.end(), [&](const PlacedNode& body) { return body.node == node; });
    if (at != m_Bodies.end()) m_Bodies.erase(at);
}

MainList::Standing MainList::StandingOf(CKORU_ItemNode* node) {
    Standing standing;
    if (!m_Scanned) return standing;
    if (IsControl(node)) standing.controls = ControlsNamed(ValueOf(node, "N"), false);
    standing.body = IsBody(node);
    return standing;
}

// An edit only adds keys or overwrites values, and a control keeps its N value
// through the merges that edit it; the tag tests change only for a node whose
// table was empty, which a host may leave behind.
void MainList::Restand(CKORU_ItemNode* node, const Standing& before) {
    const bool body = IsBody(node);
    // A body that gains its B key becomes the insert position (a host may have
    // emptied its table before an update whose first batch restores it).
    if (m_InsertValid && body) m_InsertValid = false;
    if (!m_Scanned) return;
    const bool control = IsControl(node);
    const bool sameControls = before.controls == kNone
                                  ? !control
                                  : control && m_Controls[before.controls].name == ValueOf(node, "N");
    if (sameControls && body == before.body) return;
    // Where the node is, from the indexes that still hold it under its old standing.
    POSITION pos = nullptr;
    if (before.controls != kNone) {
        const Controls& controls = m_Controls[before.controls];
        if (controls.first.node == node) pos = controls.first.pos;
        for (const PlacedNode& other : controls.rest)
            if (other.node == node) pos = other.pos;
    } else if (before.body) {
        for (const PlacedNode& other : m_Bodies)
            if (other.node == node) pos = other.pos;
    } else {
        IndexPositions();
        if (const Entry* entry = m_Positions.Find(node)) pos = entry->pos;
    }
    if (!pos) return;
    if (!sameControls) {
        if (before.controls != kNone) {
            Controls& controls = m_Controls[before.controls];
            if (controls.first.node == node) {
                if (controls.rest.empty()) {
                    controls.first = PlacedNode{};
                } else {
                    controls.first = controls.rest.front();
                    controls.rest.erase(controls.rest.begin());
                }
            } else {
                controls.rest.erase(std::find_if(controls.rest.begin(), controls.rest.end(),
                                                 [&](const PlacedNode& other) { return other.node == node; }));
            }
        }
        if (control) AddControl({node, pos}, m_List->GetTailPosition() == pos);
    }
    if (body != before.body) {
        if (body) m_Bodies.push_back({node, pos});
        else RemoveBody(node);
    }
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
