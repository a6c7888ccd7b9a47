// The one walk over a fragment's nodes.
#include "merge/fragment_outline.h"
#include "query/node_view.h"
#include "support/prefetch.h"

namespace koru { namespace detail {

bool IsFragmentForm(CKORU_ItemNode* node) {
    return node->m_Level <= 3 && TagIs(node, "F") && node->m_AttrTable.PLookup("F");
}

FragmentOutline::FragmentOutline(const CKORU_Parser::NodeList& list, const KeptVector<ClosedMark>& marks) {
    if (marks.size() != static_cast<size_t>(list.GetCount())) {
        *this = FragmentOutline(list);
        return;
    }
    entries.reserve(marks.size());
    for (const ClosedMark& mark : marks) {
        Kind kind = Kind::Other;
        if (mark.tag == 'C') {
            kind = Kind::Control;
        } else if (mark.tag == 'B') {
            kind = Kind::Body;
            ++bodies;
        } else if (mark.tag == 'F' && IsFragmentForm(list.GetAt(mark.pos))) {
            kind = Kind::Form;
            ++forms;
        }
        entries.push_back({mark.pos, mark.level, kind});
    }
}

FragmentOutline::FragmentOutline(const CKORU_Parser::NodeList& list) {
    entries.reserve(static_cast<size_t>(list.GetCount()));
    ReadAhead ahead(list, list.GetHeadPosition(), ReadAhead::kForward);
    for (POSITION pos = list.GetHeadPosition(); pos; ahead.Step()) {
        const POSITION at = pos;
        CKORU_ItemNode* node = list.GetNext(pos);
        Kind kind = Kind::Other;
        if (TagIs(node, "C")) {
            kind = Kind::Control;
        } else if (TagIs(node, "B")) {
            kind = Kind::Body;
            ++bodies;
        } else if (IsFragmentForm(node)) {
            kind = Kind::Form;
            ++forms;
        }
        entries.push_back({at, node->m_Level, kind});
    }
}

}}  // namespace koru::detail
