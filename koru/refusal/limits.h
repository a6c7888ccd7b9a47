// Limits that protect the parser from hostile input; each is enforced in one place.
#ifndef KORU_REFUSAL_LIMITS_H
#define KORU_REFUSAL_LIMITS_H

#include <climits>
#include <cstddef>

namespace koru { namespace detail {

// Highest level a node may get; a deeper source is refused.
constexpr int kMaxLevel = 32767;
// Lowest level a level shift may produce; below it an update is refused.
constexpr int kMinLevel = -32768;
// Macro substitution may grow a source to max(kExpansionFloor, kExpansionFactor x its
// length): the expansion bound. The same amount bounds the expanded values it keeps for
// copying, and the source with every value inserted may not pass kExpansionWorkFactor
// times the bound.
constexpr size_t kExpansionFloor = 8u * 1024u * 1024u;
constexpr size_t kExpansionFactor = 100;
constexpr size_t kExpansionWorkFactor = 16;
// Positions in a text are int, so no text may grow past INT_MAX bytes.
constexpr size_t kMaxTextLength = static_cast<size_t>(INT_MAX);

// `value` x `factor`, or the largest size when that does not fit.
inline size_t SaturatingTimes(size_t value, size_t factor) noexcept {
    return value > static_cast<size_t>(-1) / factor ? static_cast<size_t>(-1) : value * factor;
}

inline size_t ExpansionBound(size_t length) noexcept {
    size_t scaled = SaturatingTimes(length, kExpansionFactor);
    size_t bound = scaled > kExpansionFloor ? scaled : kExpansionFloor;
    return bound < kMaxTextLength ? bound : kMaxTextLength;
}

inline size_t ExpansionWork(size_t bound) noexcept { return SaturatingTimes(bound, kExpansionWorkFactor); }

}}  // namespace koru::detail

#endif
