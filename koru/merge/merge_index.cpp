// Merge index: positions, controls by name, bodies and the insert position.
#include "merge/merge_index.h"
#include "query/node_view.h"

#include <algorithm>

namespace koru { namespace detail {

namespace {

// Children lists at most this long are matched by a walk.
constexpr int kChildWalkLimit = 16;

bool IsControl(CKORU_ItemNode* node) { return TagIs(node, "C"); }
bool IsBody(CKORU_ItemNode* node) { return TagIs(node, "B"); }
bool IsInsertTarget(CKORU_ItemNode* node) {
    return node->m_Level == 2 && IsBody(node) && node->m_AttrTable.PLookup("B");
}

}  // namespace

ChildMatcher::ChildMatcher(CKORU_Parser::NodeList* children) : m_Children(children) {
    if (!children || children->GetCount() <= kChildWalkLimit) return;
    m_Indexed = true;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        POSITION at = pos;
        CKORU_ItemNode* node = children->GetNext(pos);
        m_PosOf.emplace(node, at);
        if (TagIs(node, "A")) m_ByName[std::string(ValueOf(node, "N"))].nodes.push_back(node);
    }
}

CKORU_ItemNode* ChildMatcher::FindA(std::string_view name) {
    if (!m_Children) return nullptr;
    if (m_Indexed) {
        auto it = m_ByName.find(std::string(name));
        if (it == m_ByName.end()) return nullptr;
        Named& named = it->second;
        while (named.head < named.nodes.size() && m_Gone.count(named.nodes[named.head])) ++named.head;
        return named.head < named.nodes.size() ? named.nodes[named.head] : nullptr;
    }
    for (CKORU_ItemNode* node : *m_Children)
        if (TagIs(node, "A") && ValueOf(node, "N") == name) return node;
    return nullptr;
}

void ChildMatcher::Forget(const CKORU_ItemNode* node) {
    if (!m_Children) return;
    POSITION pos = nullptr;
    if (m_Indexed) {
        auto at = m_PosOf.find(node);
        if (at == m_PosOf.end()) return;
        pos = at->second;
        m_PosOf.erase(at);
    } else {
        pos = m_Children->Find(const_cast<CKORU_ItemNode*>(node));
    }
    if (!pos) return;
    m_Children->RemoveAt(pos);
    // Skipped by FindA from now on; the address may be reused, but never by a child.
    if (m_Indexed) m_Gone.insert(node);
}

RebuiltList::RebuiltList(MergeIndex* index, CKORU_Parser::NodeList* list) : m_Index(index), m_List(list) {
    if (m_Index) m_Index->Watch(this);
}

RebuiltList::~RebuiltList() {
    if (m_Index) m_Index->Unwatch(this);
}

void RebuiltList::Add(CKORU_ItemNode* node) {
    POSITION at = m_List->AddTail(node);
    if (m_Index) m_Positions[node].push_back(at);
}

void RebuiltList::Forget(const CKORU_ItemNode* node) {
    auto it = m_Positions.find(node);
    if (it == m_Positions.end()) return;
    for (POSITION at : it->second) m_List->RemoveAt(at);
    m_Positions.erase(it);
}

namespace {

// Order labels lie in [1, kLabelSpace); 0 stands for "before the head".
constexpr int kLabelBits = 62;
constexpr uint64_t kLabelSpace = uint64_t(1) << kLabelBits;

}  // namespace

MergeIndex::MergeIndex(CKORU_Parser& parser) : m_Parser(parser) {
    parser.m_pNodeIndex = this;
    CKORU_Parser::NodeList* main = parser.m_pMainList;
    if (!main) return;
    const uint64_t gap = kLabelSpace / (static_cast<uint64_t>(main->GetCount()) + 1);
    uint64_t label = 0;
    m_Main.reserve(static_cast<size_t>(main->GetCount()) * 2);
    for (POSITION pos = main->GetHeadPosition(); pos;) {
        POSITION at = pos;
        CKORU_ItemNode* node = main->GetNext(pos);
        label += gap;
        m_Main.emplace(node, Entry{at, label});
        if (IsControl(node)) AddControl(node);
        if (IsBody(node)) m_Bodies.insert(node);
    }
}

MergeIndex::~MergeIndex() {
    if (m_Parser.m_pNodeIndex == this) m_Parser.m_pNodeIndex = nullptr;
}

POSITION MergeIndex::Find(CKORU_Parser::NodeList* list, const CKORU_ItemNode* node) {
    if (list == m_Parser.m_pMainList) {
        auto it = m_Main.find(node);
        return it == m_Main.end() ? nullptr : it->second.pos;
    }
    if (list == &m_Parser.m_SubList) {
        if (!m_SubValid) {
            m_SubPos.clear();
            for (POSITION pos = list->GetHeadPosition(); pos;) {
                POSITION at = pos;
                m_SubPos.emplace(list->GetNext(pos), at);
            }
            m_SubValid = true;
        }
        auto it = m_SubPos.find(node);
        return it == m_SubPos.end() ? nullptr : it->second;
    }
    return list->Find(const_cast<CKORU_ItemNode*>(node));
}

CKORU_ItemNode* MergeIndex::FindControl(std::string_view name) {
    auto it = m_Controls.find(std::string(name));
    return it == m_Controls.end() || it->second.empty() ? nullptr : *it->second.begin();
}

// The smallest aligned label range around the insertion point that stays
// sparse enough (at most 2^i / 1.5^i nodes in a range of 2^i labels) after
// taking the new node is spread out evenly; the whole list as a last resort.
void MergeIndex::Label(CKORU_ItemNode* node, POSITION pos) {
    CKORU_Parser::NodeList* main = m_Parser.m_pMainList;
    POSITION prevPos = pos, nextPos = pos;
    main->GetPrev(prevPos);
    main->GetNext(nextPos);
    const uint64_t low = prevPos ? LabelOf(main->GetAt(prevPos)) : 0;
    const uint64_t high = nextPos ? LabelOf(main->GetAt(nextPos)) : kLabelSpace;
    Entry& entry = m_Main[node];
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
            main->GetPrev(p);
            if (!p || LabelOf(main->GetAt(p)) < base) break;
            first = p;
            ++count;
        }
        for (POSITION p = last;;) {
            main->GetNext(p);
            if (!p || LabelOf(main->GetAt(p)) >= base + size) break;
            last = p;
            ++count;
        }
        if (static_cast<double>(count) > limit || count >= size) continue;
        const uint64_t step = size / (count + 1);
        uint64_t label = base;
        for (POSITION p = first; p;) {
            POSITION at = p;
            label += step;
            m_Main[main->GetNext(p)].label = label;
            if (at == last) break;
        }
        return;
    }
    // No range is sparse enough: spread the labels of the whole list.
    const uint64_t gap = kLabelSpace / (static_cast<uint64_t>(main->GetCount()) + 1);
    uint64_t label = 0;
    for (CKORU_ItemNode* n : *main) m_Main[n].label = (label += gap);
}

POSITION MergeIndex::InsertTarget() {
    if (m_InsertValid) return m_InsertTarget;
    m_InsertTarget = nullptr;
    CKORU_Parser::NodeList* main = m_Parser.m_pMainList;
    for (POSITION pos = main->GetTailPosition(); pos;) {
        POSITION at = pos;
        if (IsInsertTarget(main->GetPrev(pos))) {
            m_InsertTarget = at;
            break;
        }
    }
    m_InsertValid = true;
    return m_InsertTarget;
}

void MergeIndex::Inserted(CKORU_ItemNode* node, POSITION pos) {
    Label(node, pos);
    if (IsControl(node)) AddControl(node);
    if (IsBody(node)) m_Bodies.insert(node);
    if (IsInsertTarget(node)) m_InsertValid = false;
}

void MergeIndex::Erased(CKORU_ItemNode* node) {
    for (NodeWatcher* watcher : m_Watchers) watcher->Forget(node);
    RemoveControl(node);
    m_Bodies.erase(node);
    auto it = m_Main.find(node);
    if (it != m_Main.end()) {
        if (m_InsertValid && it->second.pos == m_InsertTarget) m_InsertValid = false;
        m_Main.erase(it);
    }
}

void MergeIndex::TableChanged(CKORU_ItemNode* node) {
    // A body that gains its B key becomes the insert position (a host may have
    // emptied its table before an update whose first batch restores it).
    if (m_InsertValid && IsBody(node)) m_InsertValid = false;
    auto it = m_ControlKey.find(node);
    if (it == m_ControlKey.end() || it->second == ValueOf(node, "N")) return;
    RemoveControl(node);
    AddControl(node);
}

void MergeIndex::Unwatch(NodeWatcher* watcher) {
    m_Watchers.erase(std::remove(m_Watchers.begin(), m_Watchers.end(), watcher), m_Watchers.end());
}

void MergeIndex::AddControl(CKORU_ItemNode* node) {
    std::string key(ValueOf(node, "N"));
    m_Controls.try_emplace(key, ByPlace{this}).first->second.insert(node);
    m_ControlKey[node] = std::move(key);
}

void MergeIndex::RemoveControl(CKORU_ItemNode* node) {
    auto it = m_ControlKey.find(node);
    if (it == m_ControlKey.end()) return;
    auto c = m_Controls.find(it->second);
    if (c != m_Controls.end()) {
        c->second.erase(node);
        if (c->second.empty()) m_Controls.erase(c);
    }
    m_ControlKey.erase(it);
}

MergeScope::MergeScope(CKORU_Parser& parser) : m_Index(MergeIndex::Of(parser)) {
    if (!m_Index && parser.GetMainList()) m_Index = m_Owned = new MergeIndex(parser);
}

}}  // namespace koru::detail
