// CMapStringToString: insertion-ordered pairs in one block, with a hash index
// for larger maps. A node's table usually holds a handful of pairs, so the
// empty map costs one pointer and a small one one allocation.
#include "koru.h"
#include "support/text_hash.h"

#include <algorithm>
#include <new>

using koru::detail::HashSeed;
using koru::detail::TextHash;

namespace {

constexpr uint32_t kEmptySlot = 0xffffffffu;

// Keys come from documents: their hashes are seeded.
size_t HashKey(std::string_view key) noexcept { return TextHash(key, HashSeed()); }

}  // namespace

CMapStringToString::CMapStringToString(int /*blockSize*/) {}

const CString& CMapStringToString::EmptyString() noexcept {
    static const CString empty;
    return empty;
}

CMapStringToString::CMapStringToString(const CMapStringToString& other) {
    const int count = other.GetCount();
    if (count == 0) return;
    Reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) Append(CString(other.KeyAt(i)), CString(other.ValueAt(i)));
}

CMapStringToString::CMapStringToString(CMapStringToString&& other) {
    if (other.m_Block && other.m_Block->Shared()) {
        CMapStringToString copy(static_cast<const CMapStringToString&>(other));
        std::swap(m_Block, copy.m_Block);
    } else {
        std::swap(m_Block, other.m_Block);
    }
}

CMapStringToString& CMapStringToString::operator=(const CMapStringToString& other) {
    if (this != &other) {
        CMapStringToString copy(other);
        std::swap(m_Block, copy.m_Block);
    }
    return *this;
}

CMapStringToString& CMapStringToString::operator=(CMapStringToString&& other) {
    if (this != &other) {
        CMapStringToString taken(std::move(other));
        std::swap(m_Block, taken.m_Block);
    }
    return *this;
}

long CMapStringToString::FindIndex(std::string_view key) const noexcept {
    if (!m_Block) return -1;
    const Pair* pairs = m_Block->Pairs();
    const uint32_t count = m_Block->count;
    if (m_Block->Capacity() <= kLinearLimit) {
        if (key.size() <= CString::kInlineMax) {
            // Most keys are a few letters: one word comparison each.
            const std::uintptr_t word = CString::InlineWord(key);
            for (uint32_t i = 0; i < count; ++i)
                if (pairs[i].key.m_Word == word) return static_cast<long>(i);
            return -1;
        }
        for (uint32_t i = 0; i < count; ++i) {
            std::string_view k = pairs[i].key.View();
            if (k.size() == key.size() && (key.empty() || (k[0] == key[0] && k == key))) return static_cast<long>(i);
        }
        return -1;
    }
    const uint32_t* slots = m_Block->Slots();
    const size_t mask = SlotCount(m_Block->Capacity()) - 1;
    for (size_t s = HashKey(key) & mask;; s = (s + 1) & mask) {
        uint32_t at = slots[s];
        if (at == kEmptySlot) return -1;
        if (pairs[at].key.View() == key) return static_cast<long>(at);
    }
}

// Moves the pairs into a block of room for `count` and indexes them again.
void CMapStringToString::Reserve(size_t count) {
    const size_t have = m_Block ? m_Block->Capacity() : 0;
    if (count <= have) return;
    auto* block = static_cast<Block*>(::operator new(BlockBytes(count)));
    block->count = 0;
    block->capacityBits = static_cast<uint32_t>(count << 1);
    if (const size_t slots = SlotCount(count)) std::fill_n(block->Slots(), slots, kEmptySlot);
    Block* old = m_Block;
    m_Block = block;
    if (!old) return;
    Pair* from = old->Pairs();
    for (uint32_t i = 0; i < old->count; ++i) {
        new (&block->Pairs()[i]) Pair{std::move(from[i].key), std::move(from[i].value)};
        from[i].~Pair();
        IndexPair(i);
        ++block->count;
    }
    if (!old->Shared()) ::operator delete(old);
}

void CMapStringToString::IndexPair(uint32_t at) noexcept {
    const size_t slotCount = SlotCount(m_Block->Capacity());
    if (slotCount == 0) return;
    uint32_t* slots = m_Block->Slots();
    const size_t mask = slotCount - 1;
    size_t s = HashKey(m_Block->Pairs()[at].key.View()) & mask;
    while (slots[s] != kEmptySlot) s = (s + 1) & mask;
    slots[s] = at;
}

CMapStringToString::Pair* CMapStringToString::NewSlot() {
    const size_t count = m_Block ? m_Block->count : 0;
    if (!m_Block || count == m_Block->Capacity()) Reserve(count < 4 ? 4 : count * 2);
    return &m_Block->Pairs()[count];
}

size_t CMapStringToString::Commit() {
    const uint32_t count = m_Block->count;
    IndexPair(count);
    m_Block->count = count + 1;
    return count;
}

size_t CMapStringToString::Append(CString&& key, CString&& value) {
    new (NewSlot()) Pair{std::move(key), std::move(value)};
    return Commit();
}

int CMapStringToString::Lookup(const CString& key, CString& value) const {
    long at = FindIndex(key.View());
    if (at < 0) return 0;
    value = m_Block->Pairs()[at].value;
    return 1;
}

int CMapStringToString::Lookup(const char* key, CString& value) const {
    long at = FindIndex(std::string_view(key ? key : ""));
    if (at < 0) return 0;
    value = m_Block->Pairs()[at].value;
    return 1;
}

const CString* CMapStringToString::PLookup(std::string_view key) const noexcept {
    long at = FindIndex(key);
    return at < 0 ? nullptr : &m_Block->Pairs()[at].value;
}

CString* CMapStringToString::PLookup(std::string_view key) noexcept {
    long at = FindIndex(key);
    return at < 0 ? nullptr : &m_Block->Pairs()[at].value;
}

void CMapStringToString::SetAt(const CString& key, const CString& value) {
    long at = FindIndex(key.View());
    if (at >= 0) m_Block->Pairs()[at].value = value;
    else Append(CString(key), CString(value));
}

void CMapStringToString::SetAt(CString&& key, CString&& value) {
    long at = FindIndex(key.View());
    if (at >= 0) m_Block->Pairs()[at].value = std::move(value);
    else Append(std::move(key), std::move(value));
}

CString& CMapStringToString::operator[](const CString& key) {
    long at = FindIndex(key.View());
    if (at >= 0) return m_Block->Pairs()[at].value;
    return m_Block->Pairs()[Append(CString(key), CString())].value;
}

void CMapStringToString::GetNextAssoc(POSITION& pos, CString& key, CString& value) const {
    const size_t index = reinterpret_cast<size_t>(pos);
    const size_t count = static_cast<size_t>(GetCount());
    if (index == 0 || index > count) {
        pos = nullptr;
        return;
    }
    const Pair& pair = m_Block->Pairs()[index - 1];
    key = pair.key;
    value = pair.value;
    pos = index < count ? ToPosition(index) : nullptr;
}

void CMapStringToString::RemoveAll() noexcept {
    if (!m_Block) return;
    Pair* pairs = m_Block->Pairs();
    for (uint32_t i = 0; i < m_Block->count; ++i) pairs[i].~Pair();
    if (!m_Block->Shared()) ::operator delete(m_Block);
    m_Block = nullptr;
}
