// Memory a parser owns in bulk: its nodes, their texts and their tables are cut
// from large chunks instead of being one heap block each.
#ifndef KORU_SUPPORT_ARENA_H
#define KORU_SUPPORT_ARENA_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace koru { namespace detail {

// Copies `n` bytes. Node texts are a few dozen bytes, for which a call to
// memcpy costs more than the copy: up to 32 bytes go as overlapping words.
inline void CopySmall(char* to, const char* from, size_t n) noexcept {
    if (n >= 8 && n <= 32) {
        uint64_t a, b;
        for (size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&a, from + i, 8);
            std::memcpy(to + i, &a, 8);
        }
        std::memcpy(&b, from + n - 8, 8);
        std::memcpy(to + n - 8, &b, 8);
        return;
    }
    if (n) std::memcpy(to, from, n);
}

// Objects are cut from the current chunk. The owner counts the objects that
// live in each chunk (Hold, Drop); a chunk in which nothing lives any more is
// given back, so deleting nodes returns memory. A node and everything made for
// it lie in one chunk: Reserve before building it.
// Frees the chunks that arenas destroyed on this thread left for reuse; the
// bytes freed.
size_t ReleaseCachedChunks() noexcept;

// A block of `bytes` for a parse's passing records, taken from the chunks this
// thread keeps when one of that size is there; GiveBlock gives it back to them.
void* TakeBlock(size_t bytes);
void GiveBlock(void* block, size_t bytes) noexcept;

// Deleter of a std::unique_ptr to a block from TakeBlock.
struct GiveBack {
    size_t bytes = 0;
    void operator()(void* block) const noexcept { GiveBlock(block, bytes); }
};

// The allocator of a parse's or merge's passing lists that grow with the
// document (one entry per node or per control): blocks of 64 KB and more come
// from the memory the thread keeps and go back to it, so the next parse or
// merge does not fault such lists into fresh pages again.
template <class T>
struct KeptAllocator {
    using value_type = T;
    static constexpr size_t kKeptBytes = 64 * 1024;

    KeptAllocator() = default;
    template <class U>
    KeptAllocator(const KeptAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        const size_t bytes = n * sizeof(T);
        return static_cast<T*>(bytes >= kKeptBytes ? TakeBlock(bytes) : ::operator new(bytes));
    }
    void deallocate(T* p, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (bytes >= kKeptBytes) GiveBlock(p, bytes);
        else ::operator delete(p);
    }
    friend bool operator==(const KeptAllocator&, const KeptAllocator&) noexcept { return true; }
    friend bool operator!=(const KeptAllocator&, const KeptAllocator&) noexcept { return false; }
};

template <class T>
using KeptVector = std::vector<T, KeptAllocator<T>>;

class Arena {
public:
    Arena() = default;
    // `pooled` false: texts are never shared (for nodes that live briefly).
    explicit Arena(bool pooled) : m_Pooled(pooled) {}
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // The size of the next chunk, from the size of the text about to be parsed.
    void Expect(size_t textBytes) noexcept;
    // Makes sure the current chunk has `bytes` free, opening a new chunk otherwise.
    void Reserve(size_t bytes);
    // `bytes` from the current chunk at the given alignment (a power of two up
    // to 8), or null when the chunk has no room for them.
    void* TryAllocate(size_t bytes, size_t align) noexcept {
        if (!m_Current) return nullptr;
        const size_t at = (m_Current->used + align - 1) & ~(align - 1);
        if (at > m_Current->size || m_Current->size - at < bytes) return nullptr;
        m_Current->used = at + bytes;
        return m_Current->Data() + at;
    }
    // One more object lives in the current chunk.
    void Hold() noexcept {
        if (m_Current) ++m_Current->live;
    }
    // One object less lives in the chunk that holds `p`.
    void Drop(const void* p) noexcept;
    // True when `p` lies in one of the chunks.
    bool Contains(const void* p) const noexcept { return ChunkOf(p) != nullptr; }

    // Short texts repeat: a block for `bytes` (a length * 2 + shared flag
    // header, the bytes, a zero) that every node asking for the same bytes
    // until ForgetPool shares. Pooled blocks live as long as the arena and hold
    // at most kPoolBytes in all; once the pool is full, only a text found again
    // lately is found (a large document's unique texts would otherwise search
    // a table its nodes have pushed out of the cache). Null when `bytes` is not
    // pooled. Most texts have a size that is never pooled: that is told here
    // without a call.
    const char* PooledText(std::string_view bytes) {
        return !m_Pooled || bytes.size() < kPoolMin || bytes.size() > kPoolMax ? nullptr : PooledSizedText(bytes);
    }
    // Drops the lookup of pooled texts (the texts stay).
    void ForgetPool() noexcept;

private:
    struct Chunk {
        size_t size;  // bytes after this header
        size_t used;
        size_t live;
        char* Data() noexcept { return reinterpret_cast<char*>(this + 1); }
    };
    void Free(Chunk* chunk) noexcept;
    const char* PooledSizedText(std::string_view bytes);
    Chunk* ChunkOf(const void* p) const noexcept;

    static constexpr size_t kPoolBytes = 64 * 1024;
    static constexpr size_t kPoolChunk = 4 * 1024;
    static constexpr size_t kPoolMin = 7;  // shorter texts are kept inline
    static constexpr size_t kPoolMax = 16;
    // A pooled block: the header, the bytes and a zero, to an even size.
    static constexpr size_t BlockBytes(size_t size) { return (4 + size + 1 + 1) & ~size_t(1); }

    std::vector<Chunk*> m_Chunks;  // by address, to find the chunk of an object
    std::vector<char*> m_PoolChunks;
    size_t m_PoolUsed = kPoolBytes;  // bytes used in the last pool chunk
    size_t m_PoolHeld = 0;           // bytes of pooled texts in all
    std::vector<const char*> m_PoolSlots;  // open addressing, load at most one half
    static constexpr size_t kHotSlots = 128;
    std::vector<const char*> m_PoolHot;  // the last text found again per hash, read first; made with m_PoolSlots
    size_t m_PoolCount = 0;
    Chunk* m_Current = nullptr;
    mutable Chunk* m_LastFound = nullptr;  // objects are mostly asked after in the order they were made
    size_t m_NextSize = 4096;
    bool m_Pooled = true;
};

}}  // namespace koru::detail

#endif
