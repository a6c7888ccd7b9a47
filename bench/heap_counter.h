// Counts the heap bytes that operator new hands out in this binary, so that a
// benchmark can read how much a parsed document holds and the peak of a parse.
#ifndef KORU_BENCH_HEAP_COUNTER_H
#define KORU_BENCH_HEAP_COUNTER_H

#include <cstddef>

namespace koru_bench {

// Counting is on while one of these lives; only differences of HeapLive() taken
// inside one scope mean anything.
struct ScopedHeapCounting {
    ScopedHeapCounting();
    ~ScopedHeapCounting();
    ScopedHeapCounting(const ScopedHeapCounting&) = delete;
    ScopedHeapCounting& operator=(const ScopedHeapCounting&) = delete;
};

// Bytes held through operator new (usable sizes, as malloc rounds them) by
// allocations counted so far.
long long HeapLive();
// Highest HeapLive() since the last ResetHeapPeak().
long long HeapPeak();
// Starts a new peak at the current live count.
void ResetHeapPeak();
// malloc and free that count as operator new does, for libraries that take
// allocation functions (pugixml).
void* CountedMalloc(size_t size);
void CountedFree(void* p);

}  // namespace koru_bench

#endif
