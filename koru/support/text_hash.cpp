// The seed of the hashes of document texts.
#include "support/text_hash.h"

#include <random>

namespace koru { namespace detail {

uint64_t DrawHashSeed() noexcept {
    try {
        std::random_device device;
        return (static_cast<uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // No source of randomness: a static object's address differs from run
        // to run where the system places programs at random.
        static const char anchor = 0;
        return static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(&anchor)) * 0x9E3779B97F4A7C15ull;
    }
}

}}  // namespace koru::detail
