// What the parser needs of the collection types' insides to build nodes in
// its own memory: texts and tables cut from an arena.
#ifndef KORU_SUPPORT_CORE_ACCESS_H
#define KORU_SUPPORT_CORE_ACCESS_H

#include "koru.h"
#include "support/arena.h"

#include <string_view>

namespace koru { namespace detail {

struct CoreAccess {
    // Sets `out` to `bytes`: inline when short, else in `arena` when it is
    // given and has room, else in a block of the string's own.
    static void SetText(Arena* arena, CString& out, std::string_view bytes) {
        if (bytes.size() <= CString::kInlineMax) {
            // Short texts live in the word itself.
            out.Empty();
            out.m_Word = CString::InlineWord(bytes);
            return;
        }
        SetLongText(arena, out, bytes);
    }
    static void SetLongText(Arena* arena, CString& out, std::string_view bytes);
    // Gives the empty `map` room for `capacity` pairs, in `arena` when given and it has room.
    static void ReserveTable(Arena* arena, CMapStringToString& map, size_t capacity);
    // Sets `key` to `value` in `map`. Texts go to `arena` only while the map's
    // pairs lie there too, so a table of its own never holds the arena's texts.
    static void SetPair(Arena* arena, CMapStringToString& map, std::string_view key, std::string_view value);

    // Bytes of a table block of room for `capacity` pairs.
    static size_t TableBytes(size_t capacity) noexcept { return CMapStringToString::BlockBytes(capacity); }
    // A node with level -1 and no tables, made in `arena` (which must have room) or on the heap.
    static CKORU_ItemNode* NewNode(Arena* arena);
    static uint32_t SourceOffset(const CKORU_ItemNode& node) noexcept { return node.m_SourceOffset; }
    static void SetSourceOffset(CKORU_ItemNode& node, uint32_t offset) noexcept { node.m_SourceOffset = offset; }
};

}}  // namespace koru::detail

#endif
