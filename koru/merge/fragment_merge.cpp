// Fragment merge: a later document folded into the main list. Forms are
// appended with their contents at the document's form level, the body is
// rebuilt, and each control is inserted before the body when the document
// lacks it, then rebuilt.
#include "merge/fragment_outline.h"
#include "merge/main_list.h"
#include "parser/node_store.h"
#include "query/node_view.h"

#include <algorithm>
#include <utility>
#include <vector>

using namespace koru::detail;

namespace {

// Index of the first control entry of `outline` at or after `from`; the entry count when none.
size_t NextControl(const FragmentOutline& outline, size_t from) {
    while (from < outline.entries.size() && outline.entries[from].kind != FragmentOutline::Kind::Control) ++from;
    return from;
}

// True when every control of `outline` stands at one level, so none nests in another.
bool ControlsAtOneLevel(const FragmentOutline& outline) {
    const FragmentOutline::Entry* first = nullptr;
    for (const FragmentOutline::Entry& entry : outline.entries) {
        if (entry.kind != FragmentOutline::Kind::Control) continue;
        if (first && entry.level != first->level) return false;
        if (!first) first = &entry;
    }
    return true;
}

// Frees the nodes of `list` from its head through the one at `last`.
void FreeThrough(CKORU_Parser& parser, CKORU_Parser::NodeList& list, POSITION last) {
    while (!list.IsEmpty()) {
        const POSITION head = list.GetHeadPosition();
        FreeNode(parser, list.RemoveHead());
        if (head == last) return;
    }
}

}  // namespace

void CKORU_Parser::ConcateNode(const SourceStatements& statements) {
    if (!m_pMainList) {
        ReleaseSubList();
        return;
    }
    MergeScope scope(*this);
    FragmentOutline outline(m_SubList, statements.closed);
    if (outline.forms) {
        AddNewFormStatement();
        outline = FragmentOutline(m_SubList);
    }
    ReMakeBodyControl(outline);
    // The sub list keeps its order from here on: controls are visited in place.
    // While one is rebuilt, the document's run of the next one is asked into
    // the cache, which a document larger than the cache would otherwise wait
    // for node by node. When no control nests in another, a rebuilt control's
    // run and every node before it are done with: they are freed at once,
    // while they are in the cache (an outer control still reads the runs of
    // the controls nested in it).
    const bool freeAsRebuilt = ControlsAtOneLevel(outline);
    const size_t entries = outline.entries.size();
    for (size_t e = NextControl(outline, 0); e < entries;) {
        const POSITION pos = outline.entries[e].pos;
        e = NextControl(outline, e + 1);
        CKORU_ItemNode* control = m_SubList.GetAt(pos);
        if (!scope.Main()->FindControl(ValueOf(control, "N"))) AddNewControl(control);
        if (e < entries) scope.Main()->ReadAheadControl(ValueOf(m_SubList.GetAt(outline.entries[e].pos), "N"));
        RemakeControl(pos);
        if (freeAsRebuilt) FreeThrough(*this, m_SubList, pos);
    }
    ReleaseSubList();
}

CKORU_ItemNode* CKORU_Parser::AddNewControl(CKORU_ItemNode* control) {
    if (!control || !m_pMainList) return nullptr;
    MergeScope scope(*this);
    POSITION target = GetInsertTargetPositionOfMainList();
    if (!target) return nullptr;
    auto* copy = CopyNode(*this, control);
    scope.Main()->InsertBefore(target, copy);
    return copy;
}

POSITION CKORU_Parser::GetInsertTargetPositionOfMainList() {
    if (!m_pMainList) return nullptr;
    MergeScope scope(*this);
    return scope.Main()->InsertTarget();
}

namespace {

short ShiftedLevel(short level, int shift) {
    return static_cast<short>(std::clamp(level + shift, -32768, 32767));
}

}  // namespace

// Takes the fragment's forms out of the sub list, each with the run of nodes
// nested in it (a form inside another form travels in the outer one's run).
// When the document has a form, each run is appended at the tail of the main
// list in fragment order, every level shifted as much as the form's to reach
// the document's form level: document <F N=f></F>, fragment <B><F N=g><A></A>
// </F></B> gives ... F:2(f) A:3 F:2(g). Otherwise the runs are freed. Either
// way no form and nothing nested in one is left to be taken for body content.
void CKORU_Parser::AddNewFormStatement() {
    MergeScope scope(*this);
    // Runs as (first node, form), found from the tail so outer forms come first.
    std::vector<std::pair<POSITION, POSITION>> runs;
    for (POSITION pos = m_SubList.GetTailPosition(); pos;) {
        POSITION formPos = pos;
        CKORU_ItemNode* form = m_SubList.GetPrev(pos);
        if (!IsFragmentForm(form)) continue;
        POSITION first = formPos;
        while (pos && m_SubList.GetAt(pos)->m_Level > form->m_Level) {
            first = pos;
            m_SubList.GetPrev(pos);
        }
        runs.emplace_back(first, formPos);
    }
    if (runs.empty()) return;
    const short formLevel = GetFORMLevelOfMainList();
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const int shift = formLevel - m_SubList.GetAt(run->second)->m_Level;
        for (POSITION pos = run->first; pos;) {
            POSITION at = pos;
            CKORU_ItemNode* node = m_SubList.GetNext(pos);
            m_SubList.RemoveAt(at);
            if (formLevel >= 0) {
                auto* copy = CopyNode(*this, node);
                copy->m_Level = ShiftedLevel(node->m_Level, shift);
                scope.Main()->Append(copy);
            }
            FreeNode(*this, node);
            if (at == run->second) break;
        }
    }
}

short CKORU_Parser::GetFORMLevelOfMainList() {
    if (!m_pMainList) return -1;
    MergeScope scope(*this);
    return scope.Main()->FormLevel();
}

int CKORU_Parser::CheckFormID_InMainList() {
    for (CKORU_ItemNode* node : m_SubList) {
        if (node->m_Level > 3 || !node->m_AttrTable.PLookup("FD")) continue;
        if (DoYouHaveFormID(CString(ValueOf(node, "ID")))) return 1;
    }
    return 0;
}

int CKORU_Parser::DoYouHaveFormID(CString id) {
    if (!m_pMainList) return 0;
    for (CKORU_ItemNode* node : *m_pMainList)
        if (ValueOf(node, "ID") == id.View()) return 1;
    return 0;
}
