// ListPositions: an index of a list's positions, read again after the list changed.
#include "support/list_positions.h"
#include "support/core_access.h"

#include <new>

namespace koru { namespace detail {

POSITION ListPositions::Find(const void* element) {
    if (!element) return nullptr;
    const uint64_t changes = CoreAccess::ChangesOf(m_List);
    if (changes != m_Changes) {
        m_Changes = changes;
        m_Walked = m_Indexed = false;
    }
    if (!m_Indexed) {
        if (!m_Walked) {
            m_Walked = true;
            return m_List.Find(element);
        }
        try {
            Index();
        } catch (const std::bad_alloc&) {
            return m_List.Find(element);  // no room for an index: the walk still answers
        }
    }
    const POSITION* pos = m_Positions.Find(element);
    return pos ? *pos : nullptr;
}

void ListPositions::Index() {
    m_Positions = PointerMap<POSITION>();
    m_Positions.Reserve(static_cast<size_t>(m_List.GetCount()));
    for (POSITION pos = m_List.GetHeadPosition(); pos;) {
        POSITION at = pos;
        const void* element = m_List.GetNext(pos);
        if (!element) continue;  // never asked for
        POSITION& slot = m_Positions[element];
        if (!slot) slot = at;
    }
    m_Indexed = true;
}

}}  // namespace koru::detail
