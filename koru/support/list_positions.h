// Positions of one list's elements, kept between lookups so that finding an
// element costs constant time instead of a walk from the head.
#ifndef KORU_SUPPORT_LIST_POSITIONS_H
#define KORU_SUPPORT_LIST_POSITIONS_H

#include "koru.h"
#include "support/pointer_map.h"

#include <cstdint>

namespace koru { namespace detail {

// The list counts its insertions, removals and replacements, so positions read
// at one count are exact as long as the count has not moved, whoever changed
// the list in between. After a change, the first lookup walks the list (a walk
// costs no more than indexing) and a second one pays for the index; a list
// that nobody searches costs nothing.
class ListPositions {
public:
    // Serves `list`, which must outlive this.
    explicit ListPositions(const CPtrList& list) : m_List(list) {}

    // First position of `element` in the list (as CPtrList::Find gives it), or null.
    POSITION Find(const void* element);

private:
    // Reads the position of every element, the first one where an element repeats.
    void Index();

    const CPtrList& m_List;
    uint64_t m_Changes = 0;  // the list's change count the state below belongs to
    bool m_Walked = false;   // a lookup walked the list at that count
    bool m_Indexed = false;  // m_Positions holds every element at that count
    PointerMap<POSITION> m_Positions;
};

}}  // namespace koru::detail

#endif
