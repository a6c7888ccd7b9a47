// Where a fragment's controls, bodies and forms stand in the sub list, found
// in one walk, so that the steps of a merge do not each walk the fragment's
// nodes again (a fragment too large for the cache costs a miss per node and walk).
#ifndef KORU_MERGE_FRAGMENT_OUTLINE_H
#define KORU_MERGE_FRAGMENT_OUTLINE_H

#include "koru.h"
#include "parser/statement_splitter.h"
#include "support/arena.h"

#include <cstdint>
#include <vector>

namespace koru { namespace detail {

struct FragmentOutline {
    enum class Kind : uint8_t { Other, Control, Body, Form };
    struct Entry {
        POSITION pos;
        short level;
        Kind kind;
    };

    // Outlines `list` as it stands; valid while the list is unchanged.
    explicit FragmentOutline(const CKORU_Parser::NodeList& list);
    // The same from the marks the parse recorded of the list's nodes (when
    // there is one for each node; else from the nodes).
    FragmentOutline(const CKORU_Parser::NodeList& list, const KeptVector<ClosedMark>& marks);

    KeptVector<Entry> entries;  // in list order
    size_t bodies = 0;
    size_t forms = 0;

private:
    // Files the node at `pos` by its one-letter tag (upper case; 0 for others).
    void Add(const CKORU_Parser::NodeList& list, POSITION pos, short level, char tag);
};

// A form a merge moves: a node of level 3 or less tagged F whose table has the key F.
bool IsFragmentForm(CKORU_ItemNode* node);

}}  // namespace koru::detail

#endif
