// Hashes of texts that come from documents, for the flat tables that probe
// from a hash's low bits. The standard hash is the same in every run, so a
// document could hold keys chosen to share those bits and make every probe
// walk the whole table; mixing in a seed drawn once per process takes that
// choice away.
#ifndef KORU_SUPPORT_TEXT_HASH_H
#define KORU_SUPPORT_TEXT_HASH_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace koru { namespace detail {

// A number drawn from the system's source of randomness.
uint64_t DrawHashSeed() noexcept;

// A number drawn once per process, the same on every call.
inline uint64_t HashSeed() noexcept {
    static const uint64_t seed = DrawHashSeed();
    return seed;
}

// The hash of `text` under `seed`: the multiplication and the shift spread the
// seeded standard hash over the low bits that pick a slot.
inline size_t TextHash(std::string_view text, uint64_t seed) noexcept {
    uint64_t h = (static_cast<uint64_t>(std::hash<std::string_view>{}(text)) ^ seed) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h ^ (h >> 32));
}

}}  // namespace koru::detail

#endif
