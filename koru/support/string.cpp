// CString: searching, slicing and case mapping.
#include "koru.h"

#include <algorithm>
#include <cstring>

namespace {

char UpperAscii(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const char* KoruVersion() noexcept { return KORU_VERSION_STRING; }

int CString::Find(char c, int start) const noexcept {
    size_t from = start > 0 ? static_cast<size_t>(start) : 0;
    if (from >= m_Data.size()) return -1;
    size_t at = m_Data.find(c, from);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* text, int start) const noexcept {
    size_t from = start > 0 ? static_cast<size_t>(start) : 0;
    if (from > m_Data.size()) return -1;
    size_t at = m_Data.find(text ? text : "", from);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char c) const noexcept {
    size_t at = m_Data.rfind(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    if (count <= 0) return CString();
    return CString(std::string_view(m_Data).substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    size_t from = first > 0 ? static_cast<size_t>(first) : 0;
    if (from >= m_Data.size()) return CString();
    return CString(std::string_view(m_Data).substr(from));
}

CString CString::Mid(int first, int count) const {
    size_t from = first > 0 ? static_cast<size_t>(first) : 0;
    if (count <= 0 || from >= m_Data.size()) return CString();
    return CString(std::string_view(m_Data).substr(from, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    size_t n = std::min(static_cast<size_t>(count), m_Data.size());
    return CString(std::string_view(m_Data).substr(m_Data.size() - n));
}

CString& CString::MakeUpper() noexcept {
    for (char& c : m_Data) c = UpperAscii(c);
    return *this;
}

CString& CString::MakeLower() noexcept {
    for (char& c : m_Data) c = LowerAscii(c);
    return *this;
}

int CString::CompareNoCase(std::string_view other) const noexcept {
    size_t n = std::min(m_Data.size(), other.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(LowerAscii(m_Data[i]));
        unsigned char b = static_cast<unsigned char>(LowerAscii(other[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (m_Data.size() == other.size()) return 0;
    return m_Data.size() < other.size() ? -1 : 1;
}
