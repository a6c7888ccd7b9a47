// CMapStringToString: insertion-ordered pairs in one block, with a hash index
// for larger maps. A node's table usually holds a handful of pairs, so the
// empty map costs one pointer and a small one one allocation.
#include "koru.h"

#include <cstdlib>
#include <functional>
#include <new>

namespace {

// Maps up to this many pairs are searched linearly; most nodes hold a handful.
constexpr size_t kLinearLimit = 8;
constexpr uint32_t kEmptySlot = 0xffffffffu;

size_t HashKey(std::string_view key) noexcept { return std::hash<std::string_view>()(key); }

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

CMapStringToString& CMapStringToString::operator=(const CMapStringToString& other) {
    if (this != &other) {
        CMapStringToString copy(other);
        *this = std::move(copy);
    }
    return *this;
}

long CMapStringToString::FindIndex(std::string_view key) const noexcept {
    if (!m_Block) return -1;
    const Pair* pairs = m_Block->Pairs();
    if (!m_Block->slots) {
        // Keys are mostly one or two letters: the first byte settles most comparisons.
        for (uint32_t i = 0; i < m_Block->count; ++i) {
            std::string_view k = pairs[i].key.View();
            if (k.size() == key.size() && (key.empty() || (k[0] == key[0] && k == key))) return static_cast<long>(i);
        }
        return -1;
    }
    const uint32_t mask = m_Block->slotMask;
    for (size_t s = HashKey(key) & mask;; s = (s + 1) & mask) {
        uint32_t at = m_Block->slots[s];
        if (at == kEmptySlot) return -1;
        if (pairs[at].key.View() == key) return static_cast<long>(at);
    }
}

// Moves the pairs into a block of room for `count`; the index is kept as it is.
void CMapStringToString::Reserve(size_t count) {
    const size_t have = m_Block ? m_Block->capacity : 0;
    if (count <= have) return;
    void* memory = ::operator new(sizeof(Block) + sizeof(Pair) * count);
    auto* block = static_cast<Block*>(memory);
    block->count = 0;
    block->capacity = static_cast<uint32_t>(count);
    block->slots = nullptr;
    block->slotMask = 0;
    if (m_Block) {
        Pair* from = m_Block->Pairs();
        Pair* to = block->Pairs();
        for (uint32_t i = 0; i < m_Block->count; ++i) {
            new (&to[i]) Pair{std::move(from[i].key), std::move(from[i].value)};
            from[i].~Pair();
        }
        block->count = m_Block->count;
        block->slots = m_Block->slots;
        block->slotMask = m_Block->slotMask;
        ::operator delete(m_Block);
    }
    m_Block = block;
}

// Rebuilds the open-addressing index at a load of at most one half.
void CMapStringToString::RebuildIndex() {
    size_t size = 16;
    while (size < static_cast<size_t>(m_Block->count) * 2) size <<= 1;
    auto* slots = static_cast<uint32_t*>(::operator new(sizeof(uint32_t) * size));
    for (size_t s = 0; s < size; ++s) slots[s] = kEmptySlot;
    const size_t mask = size - 1;
    const Pair* pairs = m_Block->Pairs();
    for (uint32_t i = 0; i < m_Block->count; ++i) {
        size_t s = HashKey(pairs[i].key.View()) & mask;
        while (slots[s] != kEmptySlot) s = (s + 1) & mask;
        slots[s] = i;
    }
    ::operator delete(m_Block->slots);
    m_Block->slots = slots;
    m_Block->slotMask = static_cast<uint32_t>(mask);
}

CMapStringToString::Pair* CMapStringToString::NewSlot() {
    const size_t count = m_Block ? m_Block->count : 0;
    if (!m_Block || count == m_Block->capacity) Reserve(count < 4 ? 4 : count * 2);
    return &m_Block->Pairs()[count];
}

size_t CMapStringToString::Commit() {
    const size_t count = m_Block->count;
    m_Block->count = static_cast<uint32_t>(count + 1);
    if (count + 1 > kLinearLimit) {
        if (!m_Block->slots || (count + 1) * 2 > static_cast<size_t>(m_Block->slotMask) + 1) {
            RebuildIndex();
        } else {
            const size_t mask = m_Block->slotMask;
            size_t s = HashKey(m_Block->Pairs()[count].key.View()) & mask;
            while (m_Block->slots[s] != kEmptySlot) s = (s + 1) & mask;
            m_Block->slots[s] = static_cast<uint32_t>(count);
        }
    }
    return count;
}

size_t CMapStringToString::Append(CString&& key, CString&& value) {
    new (NewSlot()) Pair{std::move(key), std::move(value)};
    return Commit();
}

void CMapStringToString::SetView(std::string_view key, std::string_view value) {
    long at = FindIndex(key);
    if (at >= 0) {
        m_Block->Pairs()[at].value.Str().assign(value.data(), value.size());
        return;
    }
    new (NewSlot()) Pair{CString(key), CString(value)};
    Commit();
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
    ::operator delete(m_Block->slots);
    ::operator delete(m_Block);
    m_Block = nullptr;
}
