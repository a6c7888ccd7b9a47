// Global operator new/delete that count usable bytes. Counting is a relaxed
// atomic add per allocation, so it changes timings by little; every library
// linked in pays it alike where it allocates through operator new.
#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

void* Allocate(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) return nullptr;
    const size_t usable = malloc_usable_size(p);
    const size_t live = g_live.fetch_add(usable, std::memory_order_relaxed) + usable;
    size_t peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return p;
}

void Release(void* p) noexcept {
    if (!p) return;
    g_live.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

namespace koru_bench {

size_t HeapLive() { return g_live.load(std::memory_order_relaxed); }
size_t HeapPeak() { return g_peak.load(std::memory_order_relaxed); }
void ResetHeapPeak() { g_peak.store(g_live.load(std::memory_order_relaxed), std::memory_order_relaxed); }
void* CountedMalloc(size_t size) { return Allocate(size); }
void CountedFree(void* p) { Release(p); }

}  // namespace koru_bench

void* operator new(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
