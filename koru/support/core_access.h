// What the library needs of the collection types' insides: texts and tables
// cut from an arena to build nodes in the parser's memory, and a list's change count.
#ifndef KORU_SUPPORT_CORE_ACCESS_H
#define KORU_SUPPORT_CORE_ACCESS_H

#include "koru.h"
#include "support/arena.h"

#include <new>
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

    // The usual pair of a node being built: a name of at most six bytes
    // (upper-cased first when `upper`), compared and stored as one word, into a
    // table in `arena` with room for it. False, with nothing done, for any other case.
    static bool SetShortPair(Arena* arena, CMapStringToString& map, std::string_view name, std::string_view value,
                             bool upper) {
        return SetLinearPair<true>(arena, map, name, value, upper);
    }

    // The same for a name of more than six bytes, already upper-cased. Such a
    // name is never kept inline, so only keys in blocks are compared with it.
    static bool SetLongPair(Arena* arena, CMapStringToString& map, std::string_view name, std::string_view value) {
        return SetLinearPair<false>(arena, map, name, value, false);
    }

    // Bytes of a table block of room for `capacity` pairs.
    static size_t TableBytes(size_t capacity) noexcept { return CMapStringToString::BlockBytes(capacity); }
    // A node with level -1 and no tables, made in `arena` (which must have room) or on the heap.
    static CKORU_ItemNode* NewNode(Arena* arena);
    // A count that moves whenever `list` gains, loses or replaces an element.
    static uint64_t ChangesOf(const CPtrList& list) noexcept { return list.m_Changes; }
    static uint32_t SourceOffset(const CKORU_ItemNode& node) noexcept { return node.m_SourceOffset; }
    static void SetSourceOffset(CKORU_ItemNode& node, uint32_t offset) noexcept { node.m_SourceOffset = offset; }

private:
    // SetShortPair (`kInlineKey`) and SetLongPair: the pair whose key is `name`
    // gets `value`, or a new pair is added, in a table whose pairs lie in an
    // arena block few enough to search in order. One body for both, so that
    // the node-building loop keeps them inline.
    template <bool kInlineKey>
    static bool SetLinearPair(Arena* arena, CMapStringToString& map, std::string_view name, std::string_view value,
                              bool upper) {
        CMapStringToString::Block* block = map.m_Block;
        if (!block || !block->Shared() || (name.size() <= CString::kInlineMax) != kInlineKey ||
            block->Capacity() > CMapStringToString::kLinearLimit)
            return false;
        const std::uintptr_t word = kInlineKey ? CString::InlineWord(name, upper) : 0;
        CMapStringToString::Pair* pairs = block->Pairs();
        for (uint32_t i = 0; i < block->count; ++i) {
            const CString& key = pairs[i].key;
            if (kInlineKey ? key.m_Word == word : key.m_Word && !key.IsInline() && key.View() == name) {
                SetText(arena, pairs[i].value, value);
                return true;
            }
        }
        if (block->count == block->Capacity()) return false;
        CMapStringToString::Pair* pair = &pairs[block->count];
        new (&pair->key) CString();
        new (&pair->value) CString();
        if constexpr (kInlineKey) {
            // Should this throw, nothing needs freeing: the key is inline, the value unset.
            pair->key.m_Word = word;
            SetText(arena, pair->value, value);
        } else {
            try {
                SetText(arena, pair->key, name);
                SetText(arena, pair->value, value);
            } catch (...) {
                pair->key.~CString();
                pair->value.~CString();
                throw;
            }
        }
        ++block->count;
        return true;
    }
};

}}  // namespace koru::detail

#endif
