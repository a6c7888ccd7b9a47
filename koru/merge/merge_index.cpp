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
        if (TagIs(node, "A")) m_ByName[std::string(ValueOf(node, "N"))].push_back(node);
    }
}

CKORU_ItemNode* ChildMatcher::FindA(std::string_view name) {
    if (!m_Children) return nullptr;
    if (m_Indexed) {
        auto it = m_ByName.find(std::string(name));
        return it == m_ByName.end() || it->second.empty() ? nullptr : it->second.front();
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
    if (!m_Indexed) return;
    auto it = m_ByName.find(std::string(ValueOf(node, "N")));
    if (it == m_ByName.end()) return;
    auto& v = it->second;
    v.erase(std::remove(v.begin(), v.end(), node), v.end());
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

MergeIndex::MergeIndex(CKORU_Parser& parser) : m_Parser(parser) {
    CKORU_Parser::NodeList* main = parser.m_pMainList;
    if (!main) return;
    m_MainPos.reserve(static_cast<size_t>(main->GetCount()) * 2);
    for (POSITION pos = main->GetHeadPosition(); pos;) {
        POSITION at = pos;
        CKORU_ItemNode* node = main->GetNext(pos);
        m_MainPos.emplace(node, at);
        if (IsControl(node)) AddControl(node);
        if (IsBody(node)) m_Bodies.insert(node);
    }
}

POSITION MergeIndex::Find(CKORU_Parser::NodeList* list, const CKORU_ItemNode* node) {
    if (list == m_Parser.m_pMainList) {
        auto it = m_MainPos.find(node);
        return it == m_MainPos.end() ? nullptr : it->second;
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
    if (it == m_Controls.end() || it->second.empty()) return nullptr;
    const auto& candidates = it->second;
    if (candidates.size() == 1) return candidates.front();
    // Several controls share the name: the one nearest the head wins.
    std::unordered_set<const CKORU_ItemNode*> wanted(candidates.begin(), candidates.end());
    for (CKORU_ItemNode* node : *m_Parser.m_pMainList)
        if (wanted.count(node)) return node;
    return nullptr;
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
    m_MainPos[node] = pos;
    if (IsControl(node)) AddControl(node);
    if (IsBody(node)) m_Bodies.insert(node);
    if (IsInsertTarget(node)) m_InsertValid = false;
}

void MergeIndex::Erased(CKORU_ItemNode* node) {
    for (NodeWatcher* watcher : m_Watchers) watcher->Forget(node);
    auto it = m_MainPos.find(node);
    if (it != m_MainPos.end()) {
        if (m_InsertValid && it->second == m_InsertTarget) m_InsertValid = false;
        m_MainPos.erase(it);
    }
    RemoveControl(node);
    m_Bodies.erase(node);
}

void MergeIndex::Rekey(CKORU_ItemNode* node) {
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
    m_Controls[key].push_back(node);
    m_ControlKey[node] = std::move(key);
}

void MergeIndex::RemoveControl(CKORU_ItemNode* node) {
    auto it = m_ControlKey.find(node);
    if (it == m_ControlKey.end()) return;
    auto c = m_Controls.find(it->second);
    if (c != m_Controls.end()) {
        auto& v = c->second;
        v.erase(std::remove(v.begin(), v.end(), node), v.end());
        if (v.empty()) m_Controls.erase(c);
    }
    m_ControlKey.erase(it);
}

MergeScope::MergeScope(CKORU_Parser& parser, CKORU_Parser::NodeList* main, MergeIndex*& slot) : m_Slot(slot) {
    if (!slot && main) {
        m_Owned = new MergeIndex(parser);
        slot = m_Owned;
    }
}

MergeScope::~MergeScope() {
    if (m_Owned) {
        m_Slot = nullptr;
        delete m_Owned;
    }
}

}}  // namespace koru::detail
