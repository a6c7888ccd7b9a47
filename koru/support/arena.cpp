// Arena: chunks of growing size, each given back when nothing lives in it.
#include "support/arena.h"
#include "support/text_hash.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define KORU_POISON_CACHE 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORU_POISON_CACHE 1
#endif
#endif
#ifdef KORU_POISON_CACHE
#include <sanitizer/asan_interface.h>
#endif

namespace koru { namespace detail {

namespace {

constexpr size_t kMinChunk = 4096;
constexpr size_t kMaxChunk = 32 * 1024;
constexpr size_t kMaxReused = 256 * 1024;  // the largest kept block a full-size chunk takes

// Freed chunks are kept per thread for the next parser: glibc would hand them
// back to the kernel, and faulting fresh pages in costs a parse more than its
// own work does. Chunks come in a few sizes (4 KB to 32 KB and the header, the
// pool's 4 KB, the splitter's blocks of 4 KB to 256 KB, now and then one for a
// big node), so the cache is a few free lists of one size each.
//
// It holds kCacheBytes, or twice as much as the largest of the last
// kRecentArenas arenas destroyed on the thread held, up to kCacheMost: a
// thread that parses large documents keeps what one of them takes with a
// merge's scratch memory beside it, and gives it back after a few smaller
// ones. kCacheBytes is every chunk of a document of about 6 MB of source.
constexpr size_t kCacheBytes = 32 * 1024 * 1024;
constexpr size_t kCacheMost = size_t(512) * 1024 * 1024;
constexpr int kRecentArenas = 8;
constexpr int kCacheSizes = 32;

struct FreeBlock {
    FreeBlock* next;
};

struct CacheList {
    size_t size;  // bytes of each block in `head`
    FreeBlock* head;
};

// Plain data, valid until the thread ends; CacheOwner empties it at thread exit.
struct ChunkCache {
    CacheList lists[kCacheSizes];
    size_t bytes;
    size_t bound;                  // bytes it may hold; kCacheBytes when 0
    size_t recent[kRecentArenas];  // bytes the last arenas destroyed held
    int nextRecent;
    bool owned;   // CacheOwner is registered for this thread
    bool closed;  // the thread is ending: free at once
};

thread_local ChunkCache t_Cache;

struct CacheOwner {
    ~CacheOwner() {
        ReleaseCachedChunks();
        t_Cache.closed = true;
    }
};

thread_local CacheOwner t_CacheOwner;

// A block of at least `least` bytes and at most `most`, the smallest there is,
// or a new one of `least` bytes; its size in `got`.
void* TakeChunk(size_t least, size_t most, size_t& got) {
    ChunkCache& cache = t_Cache;
    CacheList* best = nullptr;
    if (cache.bytes)
        for (CacheList& list : cache.lists)
            if (list.head && list.size >= least && list.size <= most && (!best || list.size < best->size))
                best = &list;
    if (!best) {
        got = least;
        return ::operator new(least);
    }
    FreeBlock* block = best->head;
    best->head = block->next;
    cache.bytes -= best->size;
    got = best->size;
#ifdef KORU_POISON_CACHE
    ASAN_UNPOISON_MEMORY_REGION(block, got);
#endif
    return block;
}

// Keeps a block of `size` bytes for reuse, or frees it when the cache is full.
void GiveChunk(void* p, size_t size) noexcept {
    ChunkCache& cache = t_Cache;
    CacheList* fit = nullptr;
    const size_t bound = cache.bound ? cache.bound : kCacheBytes;
    if (!cache.closed && cache.bytes <= bound && size <= bound - cache.bytes) {
        for (CacheList& list : cache.lists) {
            if (list.size == size) {
                fit = &list;
                break;
            }
            if (!fit && !list.head) fit = &list;  // an empty list takes a new size
        }
    }
    if (!fit) return ::operator delete(p);
    if (!cache.owned) {
        cache.owned = true;
        (void)&t_CacheOwner;  // registers the clean-up at thread exit
    }
    fit->size = size;
    auto* block = static_cast<FreeBlock*>(p);
    block->next = fit->head;
    fit->head = block;
    cache.bytes += size;
#ifdef KORU_POISON_CACHE
    // A use of a freed node still stops AddressSanitizer; only the link is open.
    ASAN_POISON_MEMORY_REGION(reinterpret_cast<char*>(p) + sizeof(FreeBlock), size - sizeof(FreeBlock));
#endif
}

}  // namespace

void* TakeBlock(size_t bytes) {
    size_t got = 0;
    return TakeChunk(bytes, bytes, got);
}

void GiveBlock(void* block, size_t bytes) noexcept {
    if (block) GiveChunk(block, bytes);
}

namespace {

// Frees kept blocks until the cache holds at most `bytes`; the bytes freed.
size_t TrimCache(size_t bytes) noexcept {
    ChunkCache& cache = t_Cache;
    const size_t before = cache.bytes;
    for (CacheList& list : cache.lists) {
        while (cache.bytes > bytes && list.head) {
            FreeBlock* block = list.head;
            list.head = block->next;
            cache.bytes -= list.size;
            ::operator delete(block);
        }
    }
    return before - cache.bytes;
}

// An arena that held `bytes` is destroyed: the bound follows the recent ones.
void NoteDestroyedArena(size_t bytes) noexcept {
    ChunkCache& cache = t_Cache;
    cache.recent[cache.nextRecent] = bytes;
    cache.nextRecent = (cache.nextRecent + 1) % kRecentArenas;
    size_t largest = 0;
    for (size_t held : cache.recent) largest = std::max(largest, held);
    cache.bound = std::clamp(2 * largest, kCacheBytes, kCacheMost);
    TrimCache(cache.bound);
}

}  // namespace

size_t ReleaseCachedChunks() noexcept { return TrimCache(0); }

Arena::~Arena() {
    size_t held = m_PoolChunks.size() * kPoolChunk;
    for (Chunk* chunk : m_Chunks) held += sizeof(Chunk) + chunk->size;
    NoteDestroyedArena(held);
    for (Chunk* chunk : m_Chunks) GiveChunk(chunk, sizeof(Chunk) + chunk->size);
    for (char* chunk : m_PoolChunks) GiveChunk(chunk, kPoolChunk);
}

void Arena::Expect(size_t textBytes) noexcept {
    // Nodes take about three times their text; a small text gets a small chunk.
    m_NextSize = std::clamp(textBytes * 3, std::max(m_NextSize, kMinChunk), kMaxChunk);
}

void Arena::Reserve(size_t bytes) {
    if (m_Current && m_Current->size - m_Current->used >= bytes) return;
    const size_t size = std::max(m_NextSize, bytes + 8);
    // Room for the new chunk's entry first, so that inserting it cannot throw;
    // doubling keeps that linear over a parse.
    if (m_Chunks.size() == m_Chunks.capacity()) m_Chunks.reserve(2 * m_Chunks.size() + 8);
    // A cached chunk up to twice the size is taken whole; a larger one would
    // pin its memory under a few nodes. An arena already at full-size chunks
    // fills larger ones too: the splitter's blocks (up to 256 KB) freed while
    // nodes are built hold them, instead of the parse's peak growing by them.
    const size_t least = sizeof(Chunk) + size;
    const size_t most = size >= kMaxChunk ? std::max(2 * least, kMaxReused) : 2 * least;
    size_t got = 0;
    auto* chunk = static_cast<Chunk*>(TakeChunk(least, most, got));
    chunk->size = got - sizeof(Chunk);
    chunk->used = 0;
    chunk->live = 0;
    m_Chunks.insert(std::upper_bound(m_Chunks.begin(), m_Chunks.end(), chunk, std::less<Chunk*>()), chunk);
    Chunk* previous = m_Current;
    m_Current = chunk;
    if (previous && previous->live == 0) Free(previous);
    m_NextSize = std::min(m_NextSize * 2, kMaxChunk);
}

Arena::Chunk* Arena::ChunkOf(const void* p) const noexcept {
    const char* at = static_cast<const char*>(p);
    for (Chunk* guess : {m_LastFound, m_Current})
        if (guess && at >= guess->Data() && at < guess->Data() + guess->size) return guess;
    auto* key = reinterpret_cast<Chunk*>(const_cast<void*>(p));
    auto it = std::upper_bound(m_Chunks.begin(), m_Chunks.end(), key, std::less<Chunk*>());
    if (it == m_Chunks.begin()) return nullptr;
    Chunk* chunk = *(it - 1);
    if (at >= chunk->Data() + chunk->size) return nullptr;
    m_LastFound = chunk;
    return chunk;
}

void Arena::Drop(const void* p) noexcept {
    Chunk* chunk = ChunkOf(p);
    if (!chunk) return;
    if (chunk->live == 0 || --chunk->live != 0 || chunk == m_Current) return;
    Free(chunk);
}

void Arena::Free(Chunk* chunk) noexcept {
    auto it = std::lower_bound(m_Chunks.begin(), m_Chunks.end(), chunk, std::less<Chunk*>());
    if (it != m_Chunks.end() && *it == chunk) m_Chunks.erase(it);
    if (m_Current == chunk) m_Current = nullptr;
    if (m_LastFound == chunk) m_LastFound = nullptr;
    GiveChunk(chunk, sizeof(Chunk) + chunk->size);
}

namespace {

// Pooled texts are 7 to 16 bytes: two overlapping loads cover every byte. The
// texts come from documents: the seed keeps a document from choosing texts
// that share their slots.
size_t HashText(std::string_view bytes) noexcept {
    const uint64_t seed = HashSeed();
    const size_t n = bytes.size();
    uint64_t head = 0, tail = 0;
    if (n >= 8) {
        std::memcpy(&head, bytes.data(), 8);
        std::memcpy(&tail, bytes.data() + n - 8, 8);
    } else {
        uint32_t a, b;
        std::memcpy(&a, bytes.data(), 4);
        std::memcpy(&b, bytes.data() + n - 4, 4);
        head = a;
        tail = b;
    }
    const uint64_t turned = seed >> 32 | seed << 32;
    uint64_t h = ((head ^ seed) * 0x9E3779B97F4A7C15ull) ^ ((tail ^ turned) * 0xC2B2AE3D27D4EB4Full) ^ n;
    return static_cast<size_t>(h ^ (h >> 29));
}

// Two pooled-size texts (7 to 16 bytes) compared with two overlapping loads each.
bool SameText(std::string_view a, std::string_view b) noexcept {
    const size_t n = a.size();
    if (n != b.size()) return false;
    if (n < 8) return a == b;
    uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a.data(), 8);
    std::memcpy(&a1, a.data() + n - 8, 8);
    std::memcpy(&b0, b.data(), 8);
    std::memcpy(&b1, b.data() + n - 8, 8);
    return a0 == b0 && a1 == b1;
}

std::string_view PooledBytes(const char* block) noexcept {
    uint32_t bits;
    std::memcpy(&bits, block, sizeof bits);
    return std::string_view(block + 4, bits >> 1);
}

}  // namespace

const char* Arena::PooledSizedText(std::string_view bytes) {
    if (m_PoolSlots.empty()) {
        if (m_PoolHeld >= kPoolBytes) return nullptr;
        m_PoolSlots.assign(64, nullptr);
        m_PoolHot.assign(kHotSlots, nullptr);
    }
    const size_t hash = HashText(bytes);
    const char*& hot = m_PoolHot[hash % kHotSlots];
    if (hot && SameText(PooledBytes(hot), bytes)) return hot;
    // A full pool takes no new texts: only the ones found again lately are asked for.
    if (m_PoolHeld + BlockBytes(kPoolMax) > kPoolBytes) return nullptr;
    size_t mask = m_PoolSlots.size() - 1;
    size_t s = hash & mask;
    for (; m_PoolSlots[s]; s = (s + 1) & mask)
        if (SameText(PooledBytes(m_PoolSlots[s]), bytes)) return hot = m_PoolSlots[s];
    const size_t need = BlockBytes(bytes.size());
    if (m_PoolUsed + need > kPoolChunk) {
        if (m_PoolChunks.size() == m_PoolChunks.capacity()) m_PoolChunks.reserve(2 * m_PoolChunks.size() + 4);
        size_t got = 0;
        m_PoolChunks.push_back(static_cast<char*>(TakeChunk(kPoolChunk, kPoolChunk, got)));
        m_PoolUsed = 0;
    }
    char* block = m_PoolChunks.back() + m_PoolUsed;
    m_PoolUsed += need;
    m_PoolHeld += need;
    const auto bits = static_cast<uint32_t>(bytes.size() << 1 | 1u);
    std::memcpy(block, &bits, sizeof bits);
    CopySmall(block + 4, bytes.data(), bytes.size());
    block[4 + bytes.size()] = '\0';
    m_PoolSlots[s] = block;
    if (++m_PoolCount * 2 > m_PoolSlots.size()) {
        std::vector<const char*> slots(m_PoolSlots.size() * 2, nullptr);
        mask = slots.size() - 1;
        for (const char* b : m_PoolSlots) {
            if (!b) continue;
            size_t t = HashText(PooledBytes(b)) & mask;
            while (slots[t]) t = (t + 1) & mask;
            slots[t] = b;
        }
        m_PoolSlots.swap(slots);
    }
    return block;
}

void Arena::ForgetPool() noexcept {
    std::vector<const char*>().swap(m_PoolSlots);
    std::vector<const char*>().swap(m_PoolHot);
    m_PoolCount = 0;
}

}}  // namespace koru::detail
