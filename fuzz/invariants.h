// Invariant checks shared by the fuzz targets.
//
// Each check returns "" when it holds and a short description otherwise, so a
// fuzz target can abort with the text and a test can EXPECT_EQ(check, "").
//
// Closing order. A node enters the closed list when its end statement pops it,
// and its level is the tag-stack height right after its push. Take two nodes
// closed one after the other, a then b. Popping a leaves height level(a) - 1;
// until b is popped there are only pushes, and b is the top then, so
//     level(b) >= level(a) - 1.
// Levels may rise by any amount from one node to the next but fall by at most
// one. This is exactly what makes "the nodes nested in X are the run directly
// before X with levels above X's" true: the run stops at the node closed just
// before X was pushed, whose level is at most X's.
//
// Where it holds: the main list built by the first successful parse of a
// fresh parser, provided that source closed no H statement and left no
// redefinition text that merges anything. Dropping the level-1 frame keeps it
// (the node after a level-1 node has level >= 1, and the one before it <= 2),
// but dropping an H node between levels h + 1 and h - 1 can make the level fall
// by two, and the H node's children then read as nested in the next sibling.
// Merges and updates break it legitimately: a new control keeps its fragment
// level and goes directly before the body, forms go to the tail at the form
// level, event and A copies keep their fragment levels, and updates shift whole
// batches (by 2 less one per body closed, so below 0 too). After those only the
// structural checks below hold.
#ifndef KORU_FUZZ_INVARIANTS_H
#define KORU_FUZZ_INVARIANTS_H

#include <koru/koru.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

// Read access to the parser's private state, for checks only.
namespace koru { namespace detail {
struct ParserAccess {
    static int Depth(const CKORU_Parser& p) { return p.m_nDepth; }
    static const CKORU_Parser::NodeList& TagStack(const CKORU_Parser& p) { return p.m_TagStack; }
    static const CKORU_Parser::NodeList& ClosedList(const CKORU_Parser& p) { return p.m_ClosedList; }
    static const CKORU_Parser::NodeList& SubList(const CKORU_Parser& p) { return p.m_SubList; }
    static const CMapStringToString* MacroTable(const CKORU_Parser& p) { return p.m_pMacroTable; }
    static const CMapStringToString* StagedMacroTable(const CKORU_Parser& p) { return p.m_pStagedMacroTable; }
    static const void* MergeIndex(const CKORU_Parser& p) { return p.m_pNodeIndex; }
};
}}  // namespace koru::detail

namespace koru_check {

using Access = koru::detail::ParserAccess;
using NodeList = CKORU_Parser::NodeList;

inline std::string Upper(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

inline std::vector<std::pair<std::string, std::string>> Pairs(const CMapStringToString& map) {
    std::vector<std::pair<std::string, std::string>> out;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        CString key, value;
        map.GetNextAssoc(pos, key, value);
        out.emplace_back(key.Str(), value.Str());
    }
    return out;
}

// Everything about one node that an operation could change.
struct NodeImage {
    const CKORU_ItemNode* node;
    short level;
    unsigned short wordCount;
    std::string statement;
    std::string tagName;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::pair<std::string, std::string>> newValues;
    bool operator==(const NodeImage& o) const {
        return node == o.node && level == o.level && wordCount == o.wordCount && statement == o.statement &&
               tagName == o.tagName && attributes == o.attributes && newValues == o.newValues;
    }
};

inline std::vector<NodeImage> ImageOf(const NodeList* list) {
    std::vector<NodeImage> out;
    if (!list) return out;
    for (CKORU_ItemNode* n : *list)
        out.push_back({n, n->m_Level, n->m_WordCount, n->m_Statement.Str(), n->m_TagName.Str(),
                       Pairs(n->m_AttrTable), Pairs(n->m_NewValueTable)});
    return out;
}

// What a refused call must leave exactly as it was.
struct ParserImage {
    const NodeList* mainList;
    std::vector<NodeImage> main;
    std::vector<NodeImage> tagStack;
    int depth;
    std::vector<std::pair<std::string, std::string>> macros;
    size_t subCount;
    size_t closedCount;
    bool operator==(const ParserImage& o) const {
        return mainList == o.mainList && main == o.main && tagStack == o.tagStack && depth == o.depth &&
               macros == o.macros && subCount == o.subCount && closedCount == o.closedCount;
    }
};

inline ParserImage ImageOf(const CKORU_Parser& p) {
    const CMapStringToString* macros = Access::MacroTable(p);
    return {p.GetMainList(),
            ImageOf(p.GetMainList()),
            ImageOf(&Access::TagStack(p)),
            Access::Depth(p),
            macros ? Pairs(*macros) : std::vector<std::pair<std::string, std::string>>(),
            static_cast<size_t>(Access::SubList(p).GetCount()),
            static_cast<size_t>(Access::ClosedList(p).GetCount())};
}

// Where two parser images differ first ("" when equal).
inline std::string Difference(const ParserImage& before, const ParserImage& after) {
    if (before.mainList != after.mainList) return "main list object changed";
    if (before.main.size() != after.main.size()) return "main list length changed";
    for (size_t i = 0; i < before.main.size(); ++i)
        if (!(before.main[i] == after.main[i])) return "main list node " + std::to_string(i) + " changed";
    if (!(before.tagStack == after.tagStack)) return "tag stack changed";
    if (before.depth != after.depth) return "depth changed";
    if (before.macros != after.macros) return "macro table changed";
    if (before.subCount != after.subCount) return "sub list changed";
    if (before.closedCount != after.closedCount) return "closed list changed";
    return "";
}

// Sound list structure: counts agree both ways, no null or repeated entry.
inline std::string CheckListShape(const NodeList& list, const char* what) {
    std::unordered_set<const void*> seen;
    int forward = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        CKORU_ItemNode* n = list.GetNext(pos);
        if (!n) return std::string(what) + ": null entry";
        if (!seen.insert(n).second) return std::string(what) + ": node listed twice";
        if (++forward > list.GetCount()) return std::string(what) + ": more entries than its count";
    }
    int backward = 0;
    for (POSITION pos = list.GetTailPosition(); pos; list.GetPrev(pos)) ++backward;
    if (forward != list.GetCount() || backward != list.GetCount())
        return std::string(what) + ": count disagrees with the links";
    return "";
}

// Each node's tag name is its statement's upper-cased first word, and the tag
// name is a key of its attribute table (merges only add and replace entries).
inline std::string CheckNodes(const NodeList& list, const char* what) {
    int index = 0;
    for (CKORU_ItemNode* n : list) {
        CString text = n->m_Statement;
        std::string first = Upper(CKORU_Parser::GetFirstWord(text, 0).View());
        if (n->m_TagName.Str() != first)
            return std::string(what) + ": node " + std::to_string(index) + " tag name is not its first word";
        if (!n->m_AttrTable.PLookup(n->m_TagName.View()))
            return std::string(what) + ": node " + std::to_string(index) + " lacks its tag name key";
        ++index;
    }
    return "";
}

// What holds after every public call, whatever came before.
inline std::string CheckStructure(const CKORU_Parser& p) {
    std::string r;
    if (const NodeList* main = p.GetMainList()) {
        if (!(r = CheckListShape(*main, "main list")).empty()) return r;
        if (!(r = CheckNodes(*main, "main list")).empty()) return r;
    }
    const NodeList& stack = Access::TagStack(p);
    if (!(r = CheckListShape(stack, "tag stack")).empty()) return r;
    if (stack.GetCount() != Access::Depth(p)) return "depth differs from the tag stack's size";
    int expected = 1;
    for (CKORU_ItemNode* n : stack)
        if (n->m_Level != static_cast<short>(expected++)) return "tag stack levels are not 1, 2, 3, ...";
    if (!Access::SubList(p).IsEmpty()) return "sub list left filled";
    if (!Access::ClosedList(p).IsEmpty()) return "closed list left filled";
    if (Access::StagedMacroTable(p)) return "staged macro table left behind";
    if (Access::MergeIndex(p)) return "merge index left behind";
    return "";
}

// Closing order as a first parse leaves it (see the comment at the top).
inline std::string CheckClosingOrder(const NodeList* list) {
    if (!list) return "";
    int index = 0;
    int previous = 0;
    for (CKORU_ItemNode* n : *list) {
        const int level = n->m_Level;
        if (level < 2 || level > 32767) return "node " + std::to_string(index) + " has level " + std::to_string(level);
        if (index > 0 && level < previous - 1)
            return "node " + std::to_string(index) + " falls from level " + std::to_string(previous) + " to " +
                   std::to_string(level);
        previous = level;
        ++index;
    }
    return "";
}

// Levels a sequence of parses (no update) can give: the driver drops levels
// below 2, and forms take a level of 2 or 3 that an earlier parse gave.
inline std::string CheckParsedLevels(const NodeList* list) {
    if (!list) return "";
    int index = 0;
    for (CKORU_ItemNode* n : *list) {
        if (n->m_Level < 2) return "node " + std::to_string(index) + " has level " + std::to_string(n->m_Level);
        ++index;
    }
    return "";
}

// True when some '<' of `text` may start a statement whose tag name is H: the
// first word (blanks, '=', '&' and ';' skipped or dropped) is "h" or "H".
// Errs on the side of yes; used to decide when the closing-order check applies.
inline bool MayHoldHStatement(std::string_view text) {
    auto skippable = [](char c) {
        short k = CKORU_Parser::IsWordDelimitation(c);
        return k == 1 || k == 3 || k == 4 || k == 5;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '<') continue;
        size_t j = i + 1;
        while (j < text.size() && skippable(text[j])) ++j;
        if (j >= text.size() || (text[j] != 'h' && text[j] != 'H')) continue;
        size_t k = j + 1;
        while (k < text.size() && (text[k] == '&' || text[k] == ';')) ++k;
        if (k >= text.size()) return true;
        short cls = CKORU_Parser::IsWordDelimitation(text[k]);
        if (cls == 1 || cls == 2 || cls == 5) return true;
    }
    return false;
}

// True when a source's redefinition text could merge anything: it lies after
// the first "</U>", and a batch needs an end tag (a '/') or a macro reference
// (an '&') that could make one. Errs on the side of yes.
inline bool MayCarryUpdate(std::string_view source) {
    size_t end = source.find("</U>");
    if (end == std::string_view::npos) return false;
    std::string_view rest = source.substr(end + 4);
    return rest.find('/') != std::string_view::npos || rest.find('&') != std::string_view::npos;
}

// Runs the read-only queries over (at most `limit` nodes of) the main list and
// checks what they must give. Leaves the parser unchanged.
inline std::string ExerciseQueries(CKORU_Parser& p, int limit = 16) {
    NodeList* main = p.GetMainList();
    if (!main) {
        if (p.GetNode(nullptr, CString("C"), CString("")) || p.GetNodeList(nullptr, static_cast<short>(3), nullptr))
            return "a query found nodes without a main list";
        if (!p.GetBodyHRef().IsEmpty()) return "GetBodyHRef without a main list";
        return "";
    }
    std::vector<CKORU_ItemNode*> nodes;
    for (CKORU_ItemNode* n : *main) nodes.push_back(n);
    (void)p.GetBodyHRef();
    int visited = 0;
    for (size_t i = 0; i < nodes.size() && visited < limit; ++i, ++visited) {
        CKORU_ItemNode* n = nodes[i];
        CString name = p.GetValue(CString("N"), n);
        // The node itself qualifies, so the search from the head finds it or an earlier one.
        CKORU_ItemNode* byTag = p.GetNode(nullptr, n->m_TagName, name);
        if (!byTag) return "GetNode by tag misses node " + std::to_string(i);
        if (byTag->m_TagName.CompareNoCase(n->m_TagName) != 0 || p.GetValue(CString("N"), byTag) != name)
            return "GetNode by tag gives a node that does not match";
        CKORU_ItemNode* byLevel = p.GetNode(nullptr, n->m_Level, name);
        if (!byLevel || byLevel->m_Level != n->m_Level) return "GetNode by level misses node " + std::to_string(i);
        if (CKORU_ItemNode* parent = p.GetParent(n)) {
            if (parent->m_Level != n->m_Level - 1) return "parent level is not one less";
            bool after = false;
            for (size_t j = i + 1; j < nodes.size() && !after; ++j) after = nodes[j] == parent;
            if (!after) return "parent does not stand after its child";
        }
        if (NodeList* nested = p.GetNodeList(nullptr, static_cast<short>(n->m_Level + 1), n)) {
            std::unordered_set<const void*> before(nodes.begin(), nodes.begin() + static_cast<long>(i));
            for (CKORU_ItemNode* c : *nested)
                if (!before.count(c) || c->m_Level != n->m_Level + 1) {
                    p.ReleaseNodeList(nested);
                    return "GetNodeList by parent gives a node outside the parent's run";
                }
            p.ReleaseNodeList(nested);
        }
        if (NodeList* tagged = p.GetNodeList(nullptr, n->m_TagName, nullptr)) {
            bool found = false;
            for (CKORU_ItemNode* c : *tagged) found = found || c == n;
            p.ReleaseNodeList(tagged);
            if (!found) return "GetNodeList by tag misses node " + std::to_string(i);
        } else {
            return "GetNodeList by tag finds nothing for node " + std::to_string(i);
        }
        p.ReleaseNodeList(p.GetNodeList(nullptr, n->m_TagName, n));
        CString word = n->m_TagName;
        if (!p.IsInWord(word, n)) return "IsInWord misses the tag name";
        (void)p.GetCtrlHRef(n);
        (void)CKORU_Parser::MakeStatement(n);
        if (CKORU_Parser::GetFirstWord(n) != n->m_TagName) return "GetFirstWord(node) is not the tag name";
    }
    return "";
}

}  // namespace koru_check

#endif
