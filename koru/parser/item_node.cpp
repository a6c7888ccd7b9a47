// CKORU_ItemNode: one start statement with its tag name and attribute table.
#include "scan/word_cursor.h"

#include <algorithm>

using namespace koru::detail;

namespace {

char UpperAscii(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

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

// Tag name, word count and attribute pairs, in one walk of the statement:
// the first word is the tag name, then words pair up positionally as name and
// value, as many pairs as half the word count. `<B ID N=x` pairs ID with N.
void CKORU_ItemNode::InitNode() {
    std::string_view text = m_Statement.View();
    int equals = 0;
    int words = CountWords(text, equals);
    long long count = static_cast<long long>(words) - 2LL * equals;
    m_WordCount = static_cast<unsigned short>(std::clamp(count, 0LL, 65535LL));

    // One block for the table: the tag and the pairs (a statement that repeats
    // one name many times gets the rest by doubling, not by its word count).
    const size_t pairs = static_cast<size_t>(words / 2);
    m_AttrTable.Reserve(static_cast<size_t>(m_AttrTable.GetCount()) + 1 + std::min<size_t>(pairs, 64));

    size_t origin = 0;
    CString nameScratch, valueScratch;
    CString tag(CutFirstWordView(text, origin, nameScratch));
    tag.MakeUpper();
    m_AttrTable.SetView(tag.View(), std::string_view());
    m_TagName = std::move(tag);

    // Names are upper-cased into a buffer on the stack; pairs are built in the table.
    char upper[32];
    for (int pair = words / 2; pair > 0; --pair) {
        std::string_view name = CutFirstWordView(text, origin, nameScratch);
        std::string_view value = CutFirstWordView(text, origin, valueScratch);
        std::string_view key;
        if (name.size() <= sizeof upper) {
            for (size_t i = 0; i < name.size(); ++i) upper[i] = UpperAscii(name[i]);
            key = std::string_view(upper, name.size());
        } else {
            if (name.data() != nameScratch.GetString()) nameScratch.Str().assign(name.data(), name.size());
            nameScratch.MakeUpper();
            key = nameScratch.View();
        }
        m_AttrTable.SetView(key, value);
    }
}

void CKORU_ItemNode::ReleaseMainList() { m_AttrTable.RemoveAll(); }

void CKORU_ItemNode::ReleaseNewList() { m_NewValueTable.RemoveAll(); }
