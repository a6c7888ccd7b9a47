// Making and freeing the nodes a parser owns. Every node that enters one of
// the parser's lists is made here, in the parser's arena, and freed here,
// never with new or delete.
#ifndef KORU_PARSER_NODE_STORE_H
#define KORU_PARSER_NODE_STORE_H

#include "koru.h"
#include "scan/word_cursor.h"
#include "support/arena.h"

#include <string_view>

namespace koru { namespace detail {

struct ParserAccess {
    // The document's memory.
    static Arena& ArenaOf(CKORU_Parser& parser) { return *parser.m_pArena; }
    // Where a parse or update builds its nodes: the document's memory for the
    // first document, else memory of their own, so that the nodes of a fragment
    // or update batch, freed once merged, leave no holes among the document's.
    static Arena& BuildArenaOf(CKORU_Parser& parser) {
        return parser.m_pMainList ? *parser.m_pScratchArena : *parser.m_pArena;
    }
    static Arena& ScratchOf(CKORU_Parser& parser) { return *parser.m_pScratchArena; }
};

// A node for the statement text `text` (without its closing '>') at `level`;
// `offset` is where the statement began in the text parsed, if known.
CKORU_ItemNode* BuildNode(CKORU_Parser& parser, int level, std::string_view text, long long offset = -1);
// The same with the words and equals signs of `text` already cut as
// CutPlainWords cuts them (the words may lie in another copy of the text).
CKORU_ItemNode* BuildCutNode(CKORU_Parser& parser, int level, std::string_view text, long long offset,
                             const WordPlaces& cut, int equals);
// A node copied as the copy constructor copies: statement text and level,
// tables built again from the text. `source` must be a node the parser built
// and nothing changed since (a node of a fragment or an update batch): its
// tables are copied as they are, which is what building them again gives.
CKORU_ItemNode* CopyNode(CKORU_Parser& parser, const CKORU_ItemNode* source);
// Brackets the building of one text's nodes: the arena sizes its chunks for
// `textBytes`, and afterwards forgets which short texts it shared.
void BeginBuilding(CKORU_Parser& parser, size_t textBytes) noexcept;
void EndBuilding(CKORU_Parser& parser) noexcept;
// Destroys a node the parser made; null does nothing.
void FreeNode(CKORU_Parser& parser, CKORU_ItemNode* node) noexcept;
// The same while the parser itself goes: its memory is not given back node by node.
void DestroyNode(CKORU_Parser& parser, CKORU_ItemNode* node) noexcept;

// Derives word count, tag name and attribute table from the node's statement
// text, adding to what its table holds; texts go to `arena` when given. The
// caller gives an empty table its room first (TableRoom).
// `words` and `equals` are the statement's counts as CountWords gives them;
// `cut` its words when CutPlainWords could cut them (they may lie in another
// copy of the statement text).
void BuildTables(Arena* arena, CKORU_ItemNode& node, int words, int equals, const WordPlaces* cut);

// Pairs a new table makes room for at once, for a statement of `words` words.
inline size_t TableRoom(int words) noexcept {
    const size_t pairs = static_cast<size_t>(words / 2);
    return 1 + (pairs < 64 ? pairs : 64);
}

}}  // namespace koru::detail

#endif
