// CString: storage, searching, slicing and case mapping.
#include "koru.h"
#include "support/ascii.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

using koru::detail::LowerAscii;
using koru::detail::UpperAscii;

// A block of a string's own: capacity, length * 2 (flag clear), bytes, zero.
constexpr size_t kOwnedHeader = 8;

char* NewOwnedBlock(size_t capacity) {
    if (capacity > static_cast<size_t>(INT_MAX)) throw std::length_error("CString: text too long");
    auto* base = static_cast<char*>(::operator new(kOwnedHeader + capacity + 1));
    const auto cap = static_cast<uint32_t>(capacity);
    std::memcpy(base, &cap, sizeof cap);
    return base + 4;
}

void SetBlockLength(char* block, size_t length) noexcept {
    const auto bits = static_cast<uint32_t>(length << 1);
    std::memcpy(block, &bits, sizeof bits);
    block[4 + length] = '\0';
}

// memcpy of a view that may be empty (and then have no data at all).
void CopyBytes(char* to, std::string_view bytes) noexcept {
    if (!bytes.empty()) std::memcpy(to, bytes.data(), bytes.size());
}

uint32_t BlockCapacity(const char* block) noexcept {
    uint32_t cap;
    std::memcpy(&cap, block - 4, sizeof cap);
    return cap;
}

}  // namespace

const char* KoruVersion() noexcept { return KORU_VERSION_STRING; }

CString::CString(const char* text) { if (text) Assign(text); }

CString::CString(const char* text, int length) {
    if (text && length > 0) Assign(std::string_view(text, static_cast<size_t>(length)));
}

CString::CString(char c, int repeat) {
    if (repeat <= 0) return;
    if (static_cast<size_t>(repeat) <= kInlineMax) {
        char bytes[sizeof m_Word];
        std::memset(bytes, c, sizeof bytes);
        Assign(std::string_view(bytes, static_cast<size_t>(repeat)));
        return;
    }
    char* block = NewOwnedBlock(static_cast<size_t>(repeat));
    std::memset(block + 4, c, static_cast<size_t>(repeat));
    SetBlockLength(block, static_cast<size_t>(repeat));
    m_Word = reinterpret_cast<std::uintptr_t>(block);
}

CString& CString::operator=(const CString& other) {
    if (this != &other) {
        if (other.IsInline() || !other.m_Word) {
            Empty();
            m_Word = other.m_Word;
        } else {
            Assign(other.View());
        }
    }
    return *this;
}

CString& CString::operator=(CString&& other) {
    if (this == &other) return *this;
    if (other.IsOwned()) {
        Empty();
        m_Word = other.m_Word;
        other.m_Word = 0;
    } else {
        *this = static_cast<const CString&>(other);
    }
    return *this;
}

CString& CString::operator=(const char* text) {
    Assign(text ? std::string_view(text) : std::string_view());
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) Append(text);
    return *this;
}

void CString::Assign(std::string_view bytes) {
    std::uintptr_t word = 0;
    if (bytes.size() <= kInlineMax) {
        if (!bytes.empty()) {
            auto* raw = reinterpret_cast<unsigned char*>(&word);
            std::memcpy(raw + kCharsAt, bytes.data(), bytes.size());
            raw[kTagByte] = static_cast<unsigned char>(bytes.size() << 1 | 1u);
        }
    } else {
        char* block = NewOwnedBlock(bytes.size());
        std::memcpy(block + 4, bytes.data(), bytes.size());
        SetBlockLength(block, bytes.size());
        word = reinterpret_cast<std::uintptr_t>(block);
    }
    // The old contents go only now: `bytes` may lie inside them.
    if (IsOwned()) Release();
    m_Word = word;
}

void CString::Release() noexcept { ::operator delete(reinterpret_cast<char*>(m_Word) - 4); }

CString& CString::Append(std::string_view bytes) {
    if (bytes.empty()) return *this;
    const std::string_view have = View();
    const size_t length = have.size() + bytes.size();
    if (length > static_cast<size_t>(INT_MAX)) throw std::length_error("CString: text too long");
    if (IsOwned() && BlockCapacity(reinterpret_cast<char*>(m_Word)) >= length) {
        // The new bytes land past the old end, so they cannot overlap what they come from.
        char* block = reinterpret_cast<char*>(m_Word);
        std::memcpy(block + 4 + have.size(), bytes.data(), bytes.size());
        SetBlockLength(block, length);
        return *this;
    }
    if (length <= kInlineMax) {
        char joined[sizeof m_Word];
        CopyBytes(joined, have);
        CopyBytes(joined + have.size(), bytes);
        Assign(std::string_view(joined, length));
        return *this;
    }
    const size_t capacity = std::max<size_t>(length, std::min<size_t>(have.size() * 2, INT_MAX));
    char* block = NewOwnedBlock(std::max<size_t>(capacity, 15));
    CopyBytes(block + 4, have);
    CopyBytes(block + 4 + have.size(), bytes);
    SetBlockLength(block, length);
    if (IsOwned()) Release();
    m_Word = reinterpret_cast<std::uintptr_t>(block);
    return *this;
}

CString& CString::Truncate(int length) {
    const std::string_view have = View();
    if (length < 0) length = 0;
    if (static_cast<size_t>(length) >= have.size()) return *this;
    if (IsOwned() && static_cast<size_t>(length) > kInlineMax) {
        SetBlockLength(reinterpret_cast<char*>(m_Word), static_cast<size_t>(length));
        return *this;
    }
    Assign(have.substr(0, static_cast<size_t>(length)));
    return *this;
}

char* CString::Writable() {
    if (IsShared()) Assign(View());
    if (IsInline()) return reinterpret_cast<char*>(&m_Word) + kCharsAt;
    return m_Word ? reinterpret_cast<char*>(m_Word) + 4 : nullptr;
}

void CString::SetAt(int index, char c) {
    if (index < 0 || index >= GetLength()) return;
    Writable()[index] = c;
}

void CString::swap(CString& other) {
    if (!IsShared() && !other.IsShared()) {
        std::swap(m_Word, other.m_Word);
        return;
    }
    CString mine(*this);
    *this = other;
    other = mine;
}

int CString::Find(char c, int start) const noexcept {
    const std::string_view v = View();
    size_t from = start > 0 ? static_cast<size_t>(start) : 0;
    if (from >= v.size()) return -1;
    size_t at = v.find(c, from);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* text, int start) const noexcept {
    const std::string_view v = View();
    size_t from = start > 0 ? static_cast<size_t>(start) : 0;
    if (from > v.size()) return -1;
    size_t at = v.find(text ? text : "", from);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char c) const noexcept {
    size_t at = View().rfind(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    if (count <= 0) return CString();
    return CString(View().substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    const std::string_view v = View();
    size_t from = first > 0 ? static_cast<size_t>(first) : 0;
    if (from >= v.size()) return CString();
    return CString(v.substr(from));
}

CString CString::Mid(int first, int count) const {
    const std::string_view v = View();
    size_t from = first > 0 ? static_cast<size_t>(first) : 0;
    if (count <= 0 || from >= v.size()) return CString();
    return CString(v.substr(from, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    const std::string_view v = View();
    if (count <= 0) return CString();
    size_t n = std::min(static_cast<size_t>(count), v.size());
    return CString(v.substr(v.size() - n));
}

CString& CString::MakeUpper() {
    const size_t n = View().size();
    if (n == 0) return *this;
    char* bytes = Writable();
    for (size_t i = 0; i < n; ++i) bytes[i] = UpperAscii(bytes[i]);
    return *this;
}

CString& CString::MakeLower() {
    const size_t n = View().size();
    if (n == 0) return *this;
    char* bytes = Writable();
    for (size_t i = 0; i < n; ++i) bytes[i] = LowerAscii(bytes[i]);
    return *this;
}

int CString::CompareNoCase(std::string_view other) const noexcept {
    const std::string_view v = View();
    size_t n = std::min(v.size(), other.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(LowerAscii(v[i]));
        unsigned char b = static_cast<unsigned char>(LowerAscii(other[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (v.size() == other.size()) return 0;
    return v.size() < other.size() ? -1 : 1;
}
