// Reading ahead in walks over nodes. Nodes lie in their chunks at irregular
// distances, which the processor cannot guess, so a walk over a list too
// large for the cache waits for every node it reads; asking for the nodes a
// few places ahead lets those reads overlap.
#ifndef KORU_SUPPORT_PREFETCH_H
#define KORU_SUPPORT_PREFETCH_H

#include "koru.h"

#include <cstddef>
#include <cstdint>

namespace koru { namespace detail {

// Asks for the memory at `p` to be brought into the cache; a hint only.
inline void Prefetch(const void* p) noexcept {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Asks for `lines` cache lines from the address `at` on, upwards, or
// downwards when `step` is negative. Addresses are reckoned as numbers: they
// may lie outside any object.
inline void PrefetchLines(std::uintptr_t at, int lines, std::ptrdiff_t step = 64) noexcept {
    for (int line = 0; line < lines; ++line)
        Prefetch(reinterpret_cast<const void*>(at + static_cast<std::uintptr_t>(step * line)));
}

// Keeps the items of `list` a few places ahead of a walk on their way into
// the cache: made at the walk's first position, stepped once per item read.
// A walk that reads past an item's first cache line (a node's table and
// texts follow it in memory) asks for `lines` lines of each.
class ReadAhead {
public:
    enum Direction { kForward, kBackward };
    ReadAhead(const CPtrList& list, POSITION from, Direction direction, int lines = 1) noexcept
        : m_List(list), m_At(from), m_Forward(direction == kForward), m_Lines(lines) {
        for (int i = 0; i < kDistance; ++i) Step();
    }
    void Step() noexcept {
        if (!m_At) return;
        PrefetchLines(reinterpret_cast<std::uintptr_t>(m_Forward ? m_List.GetNext(m_At) : m_List.GetPrev(m_At)),
                      m_Lines);
    }

private:
    static constexpr int kDistance = 8;
    const CPtrList& m_List;
    POSITION m_At;
    bool m_Forward;
    int m_Lines;
};

}}  // namespace koru::detail

#endif
