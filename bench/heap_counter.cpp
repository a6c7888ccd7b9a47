// Global operator new/delete that count usable bytes while a memory benchmark
// asks for it. Outside such a scope an allocation costs one relaxed load more
// than malloc: asking malloc for every block's usable size would otherwise tax
// the parsers that allocate most in every throughput benchmark.
#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Signed: a block allocated before counting began may be freed while it runs.
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};
std::atomic<bool> g_counting{false};

void* Allocate(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p || !g_counting.load(std::memory_order_relaxed)) return p;
    const auto usable = static_cast<long long>(malloc_usable_size(p));
    const long long live = g_live.fetch_add(usable, std::memory_order_relaxed) + usable;
    long long peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return p;
}

void Release(void* p) noexcept {
    if (!p) return;
    if (g_counting.load(std::memory_order_relaxed))
        g_live.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

namespace koru_bench {

ScopedHeapCounting::ScopedHeapCounting() { g_counting.store(true, std::memory_order_relaxed); }
ScopedHeapCounting::~ScopedHeapCounting() { g_counting.store(false, std::memory_order_relaxed); }
long long HeapLive() { return g_live.load(std::memory_order_relaxed); }
long long HeapPeak() { return g_peak.load(std::memory_order_relaxed); }
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
