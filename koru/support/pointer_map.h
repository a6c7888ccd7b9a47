// A flat hash map keyed by node address: one array of slots probed in order,
// so a lookup touches one or two cache lines and an insertion allocates only
// when the table grows.
#ifndef KORU_SUPPORT_POINTER_MAP_H
#define KORU_SUPPORT_POINTER_MAP_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace koru { namespace detail {

template <class Value>
class PointerMap {
public:
    size_t Size() const noexcept { return m_Count; }

    // Makes room for `count` keys in all without growing again.
    void Reserve(size_t count) {
        size_t size = 16;
        while (size < count * 2) size *= 2;
        if (size > m_Slots.size()) Rehash(size);
    }

    // The value of `key`, or null.
    const Value* Find(const void* key) const noexcept {
        if (m_Slots.empty()) return nullptr;
        for (size_t i = Home(key);; i = (i + 1) & m_Mask) {
            const Slot& slot = m_Slots[i];
            if (slot.key == key) return &slot.value;
            if (!slot.key) return nullptr;
        }
    }
    Value* Find(const void* key) noexcept {
        return const_cast<Value*>(static_cast<const PointerMap&>(*this).Find(key));
    }

    // The value of `key`, made value-initialised when absent. `key` is never null.
    Value& operator[](const void* key) {
        if ((m_Count + 1) * 2 > m_Slots.size()) Rehash(m_Slots.empty() ? 16 : m_Slots.size() * 2);
        for (size_t i = Home(key);; i = (i + 1) & m_Mask) {
            Slot& slot = m_Slots[i];
            if (slot.key == key) return slot.value;
            if (!slot.key) {
                slot.key = key;
                slot.value = Value();
                ++m_Count;
                return slot.value;
            }
        }
    }

    // Removes `key` if present. Later keys of its probe run move back into the
    // hole, so lookups never need markers of removed keys.
    void Erase(const void* key) noexcept {
        if (m_Slots.empty()) return;
        size_t hole = Home(key);
        for (;; hole = (hole + 1) & m_Mask) {
            if (!m_Slots[hole].key) return;
            if (m_Slots[hole].key == key) break;
        }
        for (size_t next = (hole + 1) & m_Mask; m_Slots[next].key; next = (next + 1) & m_Mask) {
            // A key may fill the hole when its home does not lie after the hole.
            const size_t home = Home(m_Slots[next].key);
            if (((next - home) & m_Mask) >= ((next - hole) & m_Mask)) {
                m_Slots[hole] = m_Slots[next];
                hole = next;
            }
        }
        m_Slots[hole].key = nullptr;
        --m_Count;
    }

private:
    struct Slot {
        const void* key = nullptr;
        Value value{};
    };

    size_t Home(const void* key) const noexcept {
        return static_cast<size_t>((static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)) * 0x9E3779B97F4A7C15ull) >> m_Shift);
    }

    void Rehash(size_t size) {
        std::vector<Slot> old(size);
        old.swap(m_Slots);
        m_Mask = size - 1;
        m_Shift = 64;
        for (size_t s = size; s > 1; s /= 2) --m_Shift;
        m_Count = 0;
        for (const Slot& slot : old)
            if (slot.key) (*this)[slot.key] = slot.value;
    }

    std::vector<Slot> m_Slots;
    size_t m_Count = 0;
    size_t m_Mask = 0;
    int m_Shift = 64;
};

}}  // namespace koru::detail

#endif
