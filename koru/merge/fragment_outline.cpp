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
    for (const ClosedMark& mark : marks) Add(list, mark.pos, mark.level, mark.tag);
}

FragmentOutline::FragmentOutline(const CKORU_Parser::NodeList& list) {
    entries.reserve(static_cast<size_t>(list.GetCount()));
    ReadAhead ahead(list, list.GetHeadPosition(), ReadAhead::kForward);
    for (POSITION pos = list.GetHeadPosition(); pos; ahead.Step()) {
        const POSITION at = pos;
        CKORU_ItemNode* node = list.GetNext(pos);
        char tag = '\0';
        for (char letter : {'C', 'B', 'F'}) {
            if (TagIs(node, std::string_view(&letter, 1))) {
                tag = letter;
                break;
            }
        }
        Add(list, at, node->m_Level, tag);
    }
}

void FragmentOutline::Add(const CKORU_Parser::NodeList& list, POSITION pos, short level, char tag) {
    Kind kind = Kind::Other;
    if (tag == 'C') {
        kind = Kind::Control;
    } else if (tag == 'B') {
        kind = Kind::Body;
        ++bodies;
    } else if (tag == 'F' && IsFragmentForm(list.GetAt(pos))) {
        kind = Kind::Form;
        ++forms;
    }
    entries.push_back({pos, level, kind});
}

}}  // namespace koru::detail
