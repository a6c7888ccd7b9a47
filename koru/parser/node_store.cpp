// Node store: nodes, their texts and their tables are cut from the parser's
// arena, each node with all that was made for it in one chunk, so freeing the
// last node of a chunk frees the chunk.
#include "parser/node_store.h"
#include "scan/word_cursor.h"
#include "support/core_access.h"

#include <cstdint>
#include <initializer_list>

namespace koru { namespace detail {

namespace {

// Room for a node of `text` with `words` words: the node, its text, its table
// and the texts of its pairs and tag name (each at most the statement's length
// in all, plus a header and alignment each).
size_t NodeBytes(std::string_view text, int words) {
    const size_t capacity = TableRoom(words);
    return sizeof(CKORU_ItemNode) + 8 + (text.size() + 8) + CoreAccess::TableBytes(capacity) + 8 +
           2 * text.size() + 8 * (2 * capacity + 2);
}

}  // namespace

// Builds a node in `arena` from its words, cut or not (null).
static CKORU_ItemNode* BuildNodeFrom(CKORU_Parser& parser, Arena& arena, int level, std::string_view text,
                                     long long offset, int words, int equals, const WordPlaces* cut) {
    arena.Reserve(NodeBytes(text, words));
    CKORU_ItemNode* node = CoreAccess::NewNode(&arena);
    try {
        node->m_Level = static_cast<short>(level);
        if (offset >= 0 && offset < UINT32_MAX) CoreAccess::SetSourceOffset(*node, static_cast<uint32_t>(offset + 1));
        // The table first: it needs eight-byte alignment, texts only two.
        CoreAccess::ReserveTable(&arena, node->m_AttrTable, TableRoom(words));
        CoreAccess::SetText(&arena, node->m_Statement, text);
        BuildTables(&arena, *node, words, equals, cut);
    } catch (...) {
        FreeNode(parser, node);
        throw;
    }
    return node;
}

// Builds a node in `arena`, cutting its words.
static CKORU_ItemNode* BuildNodeIn(CKORU_Parser& parser, Arena& arena, int level, std::string_view text, long long offset) {
    StatementWords cut;
    const bool plain = CutPlainWords(text, cut);
    int equals = cut.equals;
    const int words = plain ? cut.count : CountWords(text, equals);
    const WordPlaces places = cut.Places();
    return BuildNodeFrom(parser, arena, level, text, offset, words, equals, plain ? &places : nullptr);
}

CKORU_ItemNode* BuildNode(CKORU_Parser& parser, int level, std::string_view text, long long offset) {
    return BuildNodeIn(parser, ParserAccess::BuildArenaOf(parser), level, text, offset);
}

CKORU_ItemNode* BuildCutNode(CKORU_Parser& parser, int level, std::string_view text, long long offset,
                             const WordPlaces& cut, int equals) {
    return BuildNodeFrom(parser, ParserAccess::BuildArenaOf(parser), level, text, offset, cut.count, equals, &cut);
}

CKORU_ItemNode* CopyNode(CKORU_Parser& parser, const CKORU_ItemNode* source) {
    if (!source) {
        Arena& arena = ParserAccess::ArenaOf(parser);
        arena.Reserve(sizeof(CKORU_ItemNode) + 8);
        return CoreAccess::NewNode(&arena);
    }
    // Copies join the document: they are made in its memory. The source's
    // tables are what its text builds, so they are copied pair by pair
    // instead of being built again.
    Arena& arena = ParserAccess::ArenaOf(parser);
    const CMapStringToString& table = source->m_AttrTable;
    const size_t pairs = static_cast<size_t>(table.GetCount());
    size_t texts = source->m_Statement.View().size() + source->m_TagName.View().size();
    for (int i = 0; i < table.GetCount(); ++i) texts += table.KeyAt(i).View().size() + table.ValueAt(i).View().size();
    arena.Reserve(sizeof(CKORU_ItemNode) + 8 + CoreAccess::TableBytes(pairs) + 8 + texts + 8 * (2 * pairs + 2));
    CKORU_ItemNode* copy = CoreAccess::NewNode(&arena);
    try {
        copy->m_Level = source->m_Level;
        copy->m_WordCount = source->m_WordCount;
        CoreAccess::SetSourceOffset(*copy, CoreAccess::SourceOffset(*source));
        CoreAccess::ReserveTable(&arena, copy->m_AttrTable, pairs);
        CoreAccess::SetText(&arena, copy->m_Statement, source->m_Statement.View());
        CoreAccess::SetText(&arena, copy->m_TagName, source->m_TagName.View());
        for (int i = 0; i < table.GetCount(); ++i)
            CoreAccess::SetPair(&arena, copy->m_AttrTable, table.KeyAt(i).View(), table.ValueAt(i).View());
    } catch (...) {
        FreeNode(parser, copy);
        throw;
    }
    return copy;
}

void BeginBuilding(CKORU_Parser& parser, size_t textBytes) noexcept {
    ParserAccess::BuildArenaOf(parser).Expect(textBytes);
}

void EndBuilding(CKORU_Parser& parser) noexcept {
    ParserAccess::ArenaOf(parser).ForgetPool();
    ParserAccess::ScratchOf(parser).ForgetPool();
}

void DestroyNode(CKORU_Parser& parser, CKORU_ItemNode* node) noexcept {
    if (!node) return;
    if (ParserAccess::ScratchOf(parser).Contains(node) || ParserAccess::ArenaOf(parser).Contains(node))
        node->~CKORU_ItemNode();
    else
        delete node;
}

// The scratch memory is asked first: it holds the few chunks of a fragment or
// batch, whose nodes are the ones freed most, while the document's may hold
// many chunks.
void FreeNode(CKORU_Parser& parser, CKORU_ItemNode* node) noexcept {
    if (!node) return;
    for (Arena* arena : {&ParserAccess::ScratchOf(parser), &ParserAccess::ArenaOf(parser)}) {
        if (arena->Contains(node)) {
            node->~CKORU_ItemNode();
            arena->Drop(node);
            return;
        }
    }
    delete node;
}

}}  // namespace koru::detail
