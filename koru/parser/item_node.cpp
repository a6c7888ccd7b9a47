// CKORU_ItemNode: one start statement with its tag name and attribute table.
#include "parser/node_store.h"
#include "scan/word_cursor.h"
#include "support/ascii.h"
#include "support/core_access.h"

#include <algorithm>

using namespace koru::detail;

CKORU_ItemNode::CKORU_ItemNode(CKORU_ItemNode* source)
    : m_Statement(source ? source->m_Statement : CString()),
      m_Level(source ? source->m_Level : static_cast<short>(-1)),
      m_WordCount(0) {
    if (source) InitNode();
}

CKORU_ItemNode::CKORU_ItemNode(int level, CString text)
    : m_Statement(std::move(text)), m_Level(static_cast<short>(level)), m_WordCount(0) {
    InitNode();
}

CKORU_ItemNode::CKORU_ItemNode(const CString& statement)
    : m_Statement(statement.View().substr(0, statement.IsEmpty() ? 0 : statement.View().size() - 1)),
      m_Level(-1),
      m_WordCount(0) {
    InitNode();
}

CKORU_ItemNode::~CKORU_ItemNode() {
    ReleaseMainList();
    ReleaseNewList();
}

void CKORU_ItemNode::InitNode() {
    StatementWords cut;
    const bool plain = CutPlainWords(m_Statement.View(), cut);
    int equals = cut.equals;
    const int words = plain ? cut.count : CountWords(m_Statement.View(), equals);
    const WordPlaces places = cut.Places();
    // One block for the table: the tag and the pairs (a statement that repeats
    // one name many times gets the rest by doubling, not by its word count).
    if (m_AttrTable.IsEmpty()) CoreAccess::ReserveTable(nullptr, m_AttrTable, TableRoom(words));
    BuildTables(nullptr, *this, words, equals, plain ? &places : nullptr);
}

void CKORU_ItemNode::ReleaseMainList() { m_AttrTable.RemoveAll(); }

void CKORU_ItemNode::ReleaseNewList() { m_NewValueTable.RemoveAll(); }

namespace koru { namespace detail {

// Tag name, word count and attribute pairs, in one walk of the statement:
// the first word is the tag name, then words pair up positionally as name and
// value, as many pairs as half the word count. `<B ID N=x` pairs ID with N.
void BuildTables(Arena* arena, CKORU_ItemNode& node, int words, int equals, const WordPlaces* cut) {
    std::string_view text = node.m_Statement.View();
    const long long count = static_cast<long long>(words) - 2LL * equals;
    node.m_WordCount = static_cast<unsigned short>(std::clamp(count, 0LL, 65535LL));
    CMapStringToString& table = node.m_AttrTable;

    size_t origin = 0;
    CString nameScratch, valueScratch;
    // Names are upper-cased into a buffer on the stack.
    char upper[32];
    auto upperKey = [&](std::string_view name) {
        if (name.size() <= sizeof upper) {
            for (size_t i = 0; i < name.size(); ++i) upper[i] = UpperAscii(name[i]);
            return std::string_view(upper, name.size());
        }
        if (name.data() != nameScratch.GetString()) nameScratch = CString(name);
        nameScratch.MakeUpper();
        return nameScratch.View();
    };
    const std::string_view tag = upperKey(cut ? cut->At(0) : CutFirstWordView(text, origin, nameScratch));
    if (!CoreAccess::SetShortPair(arena, table, tag, std::string_view(), false))
        CoreAccess::SetPair(arena, table, tag, std::string_view());
    CoreAccess::SetText(arena, node.m_TagName, tag);

    if (cut) {
        for (int pair = 0; pair < words / 2; ++pair) {
            const std::string_view name = cut->At(1 + 2 * pair), value = cut->At(2 + 2 * pair);
            if (CoreAccess::SetShortPair(arena, table, name, value, true)) continue;
            const std::string_view key = upperKey(name);
            if (!CoreAccess::SetLongPair(arena, table, key, value)) CoreAccess::SetPair(arena, table, key, value);
        }
        return;
    }
    for (int pair = words / 2; pair > 0; --pair) {
        const std::string_view key = upperKey(CutFirstWordView(text, origin, nameScratch));
        const std::string_view value = CutFirstWordView(text, origin, valueScratch);
        CoreAccess::SetPair(arena, table, key, value);
    }
}

}}  // namespace koru::detail
