// Texts, tables and nodes cut from a parser's arena.
#include "support/core_access.h"

#include <cstring>
#include <new>

namespace koru { namespace detail {

void CoreAccess::SetLongText(Arena* arena, CString& out, std::string_view bytes) {
    if (arena) {
        if (const char* pooled = arena->PooledText(bytes)) {
            out.Empty();
            out.m_Word = reinterpret_cast<std::uintptr_t>(pooled);
            return;
        }
        // Length * 2 with the shared flag, the bytes, a zero. The header is
        // read with memcpy, so two-byte alignment (a clear lowest bit) is enough.
        if (auto* block = static_cast<char*>(arena->TryAllocate(4 + bytes.size() + 1, 2))) {
            const auto bits = static_cast<uint32_t>(bytes.size() << 1 | 1u);
            std::memcpy(block, &bits, sizeof bits);
            CopySmall(block + 4, bytes.data(), bytes.size());
            block[4 + bytes.size()] = '\0';
            out.Empty();
            out.m_Word = reinterpret_cast<std::uintptr_t>(block);
            return;
        }
    }
    out.Assign(bytes);
}

void CoreAccess::ReserveTable(Arena* arena, CMapStringToString& map, size_t capacity) {
    if (map.m_Block || capacity == 0) return map.Reserve(capacity);
    using Block = CMapStringToString::Block;
    if (arena) {
        if (void* memory = arena->TryAllocate(CMapStringToString::BlockBytes(capacity), alignof(Block))) {
            auto* block = static_cast<Block*>(memory);
            block->count = 0;
            block->capacityBits = static_cast<uint32_t>(capacity << 1 | 1u);
            if (const size_t slots = CMapStringToString::SlotCount(capacity))
                std::memset(block->Slots(), 0xff, slots * sizeof(uint32_t));
            map.m_Block = block;
            return;
        }
    }
    map.Reserve(capacity);
}

void CoreAccess::SetPair(Arena* arena, CMapStringToString& map, std::string_view key, std::string_view value) {
    if (SetShortPair(arena, map, key, value, false)) return;
    const long at = map.FindIndex(key);
    if (at >= 0) {
        SetText(map.m_Block->Shared() ? arena : nullptr, map.m_Block->Pairs()[at].value, value);
        return;
    }
    auto* pair = new (map.NewSlot()) CMapStringToString::Pair();
    Arena* texts = map.m_Block->Shared() ? arena : nullptr;
    try {
        SetText(texts, pair->key, key);
        SetText(texts, pair->value, value);
    } catch (...) {
        pair->~Pair();
        throw;
    }
    map.Commit();
}

CKORU_ItemNode* CoreAccess::NewNode(Arena* arena) {
    if (arena) {
        if (void* memory = arena->TryAllocate(sizeof(CKORU_ItemNode), alignof(CKORU_ItemNode))) {
            arena->Hold();
            return new (memory) CKORU_ItemNode(CKORU_ItemNode::Blank{});
        }
    }
    return new CKORU_ItemNode(CKORU_ItemNode::Blank{});
}

}}  // namespace koru::detail
