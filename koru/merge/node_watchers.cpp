// Child matching and rebuilt-node lists that let go of deleted nodes.
#include "merge/node_watchers.h"
#include "query/node_view.h"

#include <utility>

namespace koru { namespace detail {

namespace {

// Children lists at most this long are matched by a walk.
constexpr size_t kChildWalkLimit = 16;
// Rebuilt lists at most this long are searched for a forgotten node.
constexpr size_t kListSearchLimit = 16;

}  // namespace

ChildMatcher::ChildMatcher(MainList& main, std::vector<CKORU_ItemNode*>& children)
    : m_Main(main), m_Children(children) {
    m_Main.Watch(this);
    if (m_Children.size() <= kChildWalkLimit) return;
    m_Indexed = true;
    m_IndexOf.Reserve(m_Children.size());
    for (size_t i = 0; i < m_Children.size(); ++i) {
        CKORU_ItemNode* node = m_Children[i];
        m_IndexOf[node] = i + 1;
        if (TagIs(node, "A")) m_ByName[std::string(ValueOf(node, "N"))].children.push_back(i);
    }
}

ChildMatcher::~ChildMatcher() { m_Main.Unwatch(this); }

CKORU_ItemNode* ChildMatcher::FindA(std::string_view name) {
    if (m_Indexed) {
        auto it = m_ByName.find(std::string(name));
        if (it == m_ByName.end()) return nullptr;
        Named& named = it->second;
        while (named.head < named.children.size() && !m_Children[named.children[named.head]]) ++named.head;
        return named.head < named.children.size() ? m_Children[named.children[named.head]] : nullptr;
    }
    for (CKORU_ItemNode* node : m_Children)
        if (node && TagIs(node, "A") && ValueOf(node, "N") == name) return node;
    return nullptr;
}

void ChildMatcher::Forget(const CKORU_ItemNode* node) {
    if (m_Indexed) {
        if (size_t* index = m_IndexOf.Find(node)) {
            m_Children[*index - 1] = nullptr;
            m_IndexOf.Erase(node);
        }
        return;
    }
    for (CKORU_ItemNode*& child : m_Children)
        if (child == node) child = nullptr;
}

RebuiltList::RebuiltList(MainList* main, CKORU_Parser::NodeList* list) : m_Main(main), m_List(list) {
    if (m_Main) m_Main->Watch(this);
}

RebuiltList::~RebuiltList() {
    if (m_Main) m_Main->Unwatch(this);
}

void RebuiltList::Add(CKORU_ItemNode* node) {
    POSITION at = m_List->AddTail(node);
    if (!m_Main) return;
    m_Places.push_back(Place{node, at, 0});
    if (m_Indexed) Link(m_Places.size() - 1);
}

// Chains the place with index `i` to its node's earlier places.
void RebuiltList::Link(size_t i) {
    size_t& last = m_LastPlace[m_Places[i].node];
    m_Places[i].next = last;
    last = i + 1;
}

void RebuiltList::Forget(const CKORU_ItemNode* node) {
    // Most updates free no listed node: the places are indexed only when the
    // first one is freed from a list too long to search.
    if (!m_Indexed && m_Places.size() > kListSearchLimit) {
        m_Indexed = true;
        for (size_t i = 0; i < m_Places.size(); ++i)
            if (m_Places[i].node) Link(i);
    }
    if (!m_Indexed) {
        for (Place& place : m_Places) {
            if (place.node != node) continue;
            m_List->RemoveAt(place.at);
            place.node = nullptr;
        }
        return;
    }
    size_t* last = m_LastPlace.Find(node);
    if (!last) return;
    for (size_t place = *last; place; place = m_Places[place - 1].next) m_List->RemoveAt(m_Places[place - 1].at);
    m_LastPlace.Erase(node);
}

}}  // namespace koru::detail
