// A set of bytes fixed at compile time, as a table of 256 flags: the loops that
// skip to the next byte of interest test one byte with one load.
#ifndef KORU_SUPPORT_BYTE_SET_H
#define KORU_SUPPORT_BYTE_SET_H

#include <string_view>

namespace koru { namespace detail {

class ByteSet {
public:
    // The set of the bytes of `bytes`.
    constexpr explicit ByteSet(std::string_view bytes) {
        for (const char c : bytes) m_Has[static_cast<unsigned char>(c)] = true;
    }
    constexpr bool Has(char c) const noexcept { return m_Has[static_cast<unsigned char>(c)]; }

private:
    bool m_Has[256] = {};
};

}}  // namespace koru::detail

#endif
