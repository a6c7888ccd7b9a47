// CMapStringToString: insertion-ordered pairs with a hash index for larger maps.
#include "koru.h"

#include <functional>

namespace {

// Maps up to this many pairs are searched linearly; most nodes hold a handful.
constexpr size_t kLinearLimit = 8;
constexpr uint32_t kEmptySlot = 0xffffffffu;

size_t HashKey(std::string_view key) noexcept { return std::hash<std::string_view>()(key); }

}  // namespace

CMapStringToString::CMapStringToString(int /*blockSize*/) {}

long CMapStringToString::FindIndex(std::string_view key) const noexcept {
    if (m_Slots.empty()) {
        for (size_t i = 0; i < m_Keys.size(); ++i)
            if (m_Keys[i].View() == key) return static_cast<long>(i);
        return -1;
    }
    size_t mask = m_Slots.size() - 1;
    for (size_t s = HashKey(key) & mask;; s = (s + 1) & mask) {
        uint32_t at = m_Slots[s];
        if (at == kEmptySlot) return -1;
        if (m_Keys[at].View() == key) return static_cast<long>(at);
    }
}

// Rebuilds the open-addressing index at a load of at most one half.
void CMapStringToString::RebuildIndex() {
    size_t size = 16;
    while (size < m_Keys.size() * 2) size <<= 1;
    m_Slots.assign(size, kEmptySlot);
    size_t mask = size - 1;
    for (size_t i = 0; i < m_Keys.size(); ++i) {
        size_t s = HashKey(m_Keys[i].View()) & mask;
        while (m_Slots[s] != kEmptySlot) s = (s + 1) & mask;
        m_Slots[s] = static_cast<uint32_t>(i);
    }
}

size_t CMapStringToString::Append(CString&& key, CString&& value) {
    size_t index = m_Keys.size();
    m_Keys.push_back(std::move(key));
    m_Values.push_back(std::move(value));
    if (m_Keys.size() > kLinearLimit) {
        if (m_Slots.empty() || m_Keys.size() * 2 > m_Slots.size()) {
            RebuildIndex();
        } else {
            size_t mask = m_Slots.size() - 1;
            size_t s = HashKey(m_Keys[index].View()) & mask;
            while (m_Slots[s] != kEmptySlot) s = (s + 1) & mask;
            m_Slots[s] = static_cast<uint32_t>(index);
        }
    }
    return index;
}

int CMapStringToString::Lookup(const CString& key, CString& value) const {
    long at = FindIndex(key.View());
    if (at < 0) return 0;
    value = m_Values[static_cast<size_t>(at)];
    return 1;
}

int CMapStringToString::Lookup(const char* key, CString& value) const {
    long at = FindIndex(std::string_view(key ? key : ""));
    if (at < 0) return 0;
    value = m_Values[static_cast<size_t>(at)];
    return 1;
}

const CString* CMapStringToString::PLookup(std::string_view key) const noexcept {
    long at = FindIndex(key);
    return at < 0 ? nullptr : &m_Values[static_cast<size_t>(at)];
}

CString* CMapStringToString::PLookup(std::string_view key) noexcept {
    long at = FindIndex(key);
    return at < 0 ? nullptr : &m_Values[static_cast<size_t>(at)];
}

void CMapStringToString::SetAt(const CString& key, const CString& value) {
    long at = FindIndex(key.View());
    if (at >= 0) m_Values[static_cast<size_t>(at)] = value;
    else Append(CString(key), CString(value));
}

void CMapStringToString::SetAt(CString&& key, CString&& value) {
    long at = FindIndex(key.View());
    if (at >= 0) m_Values[static_cast<size_t>(at)] = std::move(value);
    else Append(std::move(key), std::move(value));
}

CString& CMapStringToString::operator[](const CString& key) {
    long at = FindIndex(key.View());
    if (at >= 0) return m_Values[static_cast<size_t>(at)];
    return m_Values[Append(CString(key), CString())];
}

void CMapStringToString::GetNextAssoc(POSITION& pos, CString& key, CString& value) const {
    size_t index = reinterpret_cast<size_t>(pos);
    if (index == 0 || index > m_Keys.size()) {
        pos = nullptr;
        return;
    }
    key = m_Keys[index - 1];
    value = m_Values[index - 1];
    pos = index < m_Keys.size() ? ToPosition(index) : nullptr;
}

void CMapStringToString::RemoveAll() noexcept {
    m_Keys.clear();
    m_Values.clear();
    m_Slots.clear();
    m_Keys.shrink_to_fit();
    m_Values.shrink_to_fit();
    m_Slots.shrink_to_fit();
}
