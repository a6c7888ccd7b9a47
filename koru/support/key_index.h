// A flat table of text keys, each numbered in the order it was first added:
// one array of slots probed in order, each holding a key's number and 32 bits
// of its hash, so a lookup compares a stored key only when those bits agree.
// Keys are never removed; callers keep what a key stands for in a vector
// indexed by its number. Keys come from documents: their hashes are seeded.
#ifndef KORU_SUPPORT_KEY_INDEX_H
#define KORU_SUPPORT_KEY_INDEX_H

#include "support/arena.h"
#include "support/text_hash.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace koru { namespace detail {

class KeyIndex {
public:
    static constexpr size_t kNone = ~size_t(0);

    size_t Size() const noexcept { return m_Keys.size(); }
    std::string_view KeyAt(size_t index) const noexcept { return m_Keys[index]; }

    // The number of `key`, or kNone.
    size_t Find(std::string_view key) const noexcept { return Find(key, Hash(key)); }

    // The number of `key`, which is added when absent.
    size_t Add(std::string_view key) {
        const size_t hash = Hash(key);
        const size_t found = Find(key, hash);
        if (found != kNone) return found;
        if ((m_Keys.size() + 1) * 2 > m_Slots.size()) Reserve(m_Keys.size() * 2 + 1);
        m_Keys.emplace_back(key);
        Place(hash, m_Keys.size() - 1);
        return m_Keys.size() - 1;
    }

    // Makes room for `count` keys in all without growing again.
    void Reserve(size_t count) {
        size_t size = 16;
        while (size < count * 2) size *= 2;
        if (size <= m_Slots.size()) return;
        m_Keys.reserve(count);
        m_Slots.assign(size, Slot{});
        for (size_t k = 0; k < m_Keys.size(); ++k) Place(Hash(m_Keys[k]), k);
    }

private:
    struct Slot {
        uint32_t number = 0;  // the key's number + 1; 0 when empty
        uint32_t check = 0;   // 32 more bits of the key's hash
    };

    size_t Hash(std::string_view key) const noexcept { return TextHash(key, m_Seed); }
    static uint32_t Check(size_t hash) noexcept { return static_cast<uint32_t>(static_cast<uint64_t>(hash) >> 32); }
    size_t Mask() const noexcept { return m_Slots.size() - 1; }

    size_t Find(std::string_view key, size_t hash) const noexcept {
        if (m_Slots.empty()) return kNone;
        for (size_t i = hash & Mask();; i = (i + 1) & Mask()) {
            const Slot slot = m_Slots[i];
            if (!slot.number) return kNone;
            if (slot.check == Check(hash) && m_Keys[slot.number - 1] == key) return slot.number - 1;
        }
    }

    void Place(size_t hash, size_t number) {
        size_t i = hash & Mask();
        while (m_Slots[i].number) i = (i + 1) & Mask();
        m_Slots[i] = Slot{static_cast<uint32_t>(number + 1), Check(hash)};
    }

    KeptVector<std::string> m_Keys;
    KeptVector<Slot> m_Slots;
    uint64_t m_Seed = HashSeed();
};

}}  // namespace koru::detail

#endif
