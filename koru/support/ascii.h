// Case mapping of ASCII letters; every other byte stays as it is.
#ifndef KORU_SUPPORT_ASCII_H
#define KORU_SUPPORT_ASCII_H

namespace koru { namespace detail {

constexpr char UpperAscii(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}}  // namespace koru::detail

#endif
