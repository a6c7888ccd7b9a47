// A list kept in blocks: appending never moves what is kept, and the blocks
// already read can be freed while the rest is read, so a parse's statement
// records give their memory back to the nodes being built from them.
#ifndef KORU_PARSER_BLOCK_LIST_H
#define KORU_PARSER_BLOCK_LIST_H

#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "support/arena.h"

namespace koru { namespace detail {

template <typename T>
class BlockList {
    // Blocks come from the thread's kept chunks: records are plain data.
    static_assert(std::is_trivially_destructible<T>::value, "block items are never destroyed");
    struct Block {
        std::unique_ptr<T[], GiveBack> items;
        size_t room;
    };

public:
    class const_iterator {
    public:
        const T& operator*() const noexcept { return *m_Item; }
        const T* operator->() const noexcept { return m_Item; }
        const_iterator& operator++() noexcept {
            if (++m_Item == m_Stop && m_Block + 1 < m_List->m_Blocks.size()) {
                ++m_Block;
                m_Item = m_List->m_Blocks[m_Block].items.get();
                m_Stop = m_Item + m_List->Filled(m_Block);
            }
            return *this;
        }
        bool operator==(const const_iterator& other) const noexcept { return m_Item == other.m_Item; }
        bool operator!=(const const_iterator& other) const noexcept { return m_Item != other.m_Item; }

    private:
        friend class BlockList;
        const_iterator(const BlockList* list, size_t block) noexcept : m_List(list), m_Block(block) {}
        const BlockList* m_List;
        size_t m_Block;
        const T* m_Item = nullptr;
        const T* m_Stop = nullptr;  // past the last item of the block
    };

    // The first block holds `first` items; blocks double up to kMaxRoom.
    void reserve(size_t first) { m_FirstRoom = std::clamp<size_t>(first, 16, kMaxRoom); }
    void push_back(const T& item) {
        if (m_Used == m_Room) NewBlock();
        m_Last[m_Used++] = item;
    }
    bool empty() const noexcept { return m_Blocks.empty(); }
    const_iterator begin() const noexcept {
        const_iterator at(this, 0);
        if (!m_Blocks.empty()) {
            at.m_Item = m_Blocks[0].items.get();
            at.m_Stop = at.m_Item + Filled(0);
        }
        return at;
    }
    const_iterator end() const noexcept {
        const_iterator at(this, m_Blocks.empty() ? 0 : m_Blocks.size() - 1);
        at.m_Item = at.m_Stop = m_Last + m_Used;
        return at;
    }
    // Frees the blocks before the one `at` is in; iterators into them are then invalid.
    void DropBefore(const const_iterator& at) noexcept {
        for (; m_Dropped < at.m_Block; ++m_Dropped) m_Blocks[m_Dropped].items.reset();
    }

private:
    static constexpr size_t kMaxRoom = 4096;
    size_t Filled(size_t block) const noexcept { return block + 1 == m_Blocks.size() ? m_Used : m_Blocks[block].room; }
    void NewBlock() {
        const size_t room = m_Blocks.empty() ? m_FirstRoom : std::min(2 * m_Room, kMaxRoom);
        T* items = static_cast<T*>(TakeBlock(room * sizeof(T)));
        std::uninitialized_default_construct_n(items, room);
        m_Blocks.push_back(Block{std::unique_ptr<T[], GiveBack>(items, GiveBack{room * sizeof(T)}), room});
        m_Last = m_Blocks.back().items.get();
        m_Room = room;
        m_Used = 0;
    }

    std::vector<Block> m_Blocks;
    T* m_Last = nullptr;  // the last block's items
    size_t m_FirstRoom = 16;
    size_t m_Room = 0;  // items the last block holds
    size_t m_Used = 0;  // items kept in it
    size_t m_Dropped = 0;
};

}}  // namespace koru::detail

#endif
