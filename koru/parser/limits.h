// Limits that protect the parser from hostile input; each is enforced in one place.
#ifndef KORU_PARSER_LIMITS_H
#define KORU_PARSER_LIMITS_H

#include <cstddef>

namespace koru { namespace detail {

// Highest level a node may get; a deeper source is refused.
constexpr int kMaxLevel = 32767;
// Lowest level a level shift may produce; below it an update is refused.
constexpr int kMinLevel = -32768;
// Macro substitution may grow a source to max(kExpansionFloor, kExpansionFactor x its length).
constexpr size_t kExpansionFloor = 8u * 1024u * 1024u;
constexpr size_t kExpansionFactor = 100;

inline size_t ExpansionBound(size_t length) noexcept {
    size_t scaled = length > (static_cast<size_t>(-1) / kExpansionFactor) ? static_cast<size_t>(-1) : length * kExpansionFactor;
    return scaled > kExpansionFloor ? scaled : kExpansionFloor;
}

}}  // namespace koru::detail

#endif
