// Child matching and rebuilt-node lists that let go of deleted nodes.
#include "merge/node_watchers.h"
#include "query/node_view.h"

#include <utility>

namespace koru { namespace detail {

namespace {

// Rebuilt lists at most this long are searched for a forgotten node.
constexpr size_t kListSearchLimit = 16;

}  // namespace

ChildMatcher::ChildMatcher(MainList& main, CKORU_ItemNode* parent, POSITION pos, short level)
    : m_Main(main), m_Table(main.Children(parent, pos, level, main.ChildScratch())), m_Children(main.ChildScratch()) {
    if (m_Table) m_Main.Tables()->Open(*m_Table);
    else m_Main.Watch(this);
}

ChildMatcher::~ChildMatcher() {
    if (m_Table) m_Main.Tables()->Close(*m_Table);
    else m_Main.Unwatch(this);
}

CKORU_ItemNode* ChildMatcher::FindA(std::string_view name) {
    if (m_Table) return m_Main.Tables()->FirstNamed(*m_Table, name);
    for (const PlacedNode& child : m_Children)
        if (child.node && TagIs(child.node, "A") && ValueOf(child.node, "N") == name) return child.node;
    return nullptr;
}

void ChildMatcher::Forget(const CKORU_ItemNode* node) {
    for (PlacedNode& child : m_Children)
        if (child.node == node) child.node = nullptr;
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
