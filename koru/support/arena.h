// Memory a parser owns in bulk: its nodes, their texts and their tables are cut
// from large chunks instead of being one heap block each.
#ifndef KORU_SUPPORT_ARENA_H
#define KORU_SUPPORT_ARENA_H

#include <cstddef>
#include <vector>

namespace koru { namespace detail {

// Objects are cut from the current chunk. The owner counts the objects that
// live in each chunk (Hold, Drop); a chunk in which nothing lives any more is
// given back, so deleting nodes returns memory. A node and everything made for
// it lie in one chunk: Reserve before building it.
class Arena {
public:
    Arena() = default;
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // The size of the next chunk, from the size of the text about to be parsed.
    void Expect(size_t textBytes) noexcept;
    // Makes sure the current chunk has `bytes` free, opening a new chunk otherwise.
    void Reserve(size_t bytes);
    // `bytes` from the current chunk at the given alignment (a power of two up
    // to 8), or null when the chunk has no room for them.
    void* TryAllocate(size_t bytes, size_t align) noexcept;
    // One more object lives in the current chunk.
    void Hold() noexcept;
    // One object less lives in the chunk that holds `p`.
    void Drop(const void* p) noexcept;
    // True when `p` lies in one of the chunks.
    bool Contains(const void* p) const noexcept { return ChunkOf(p) != nullptr; }
    // Bytes held in chunks (for tests and measurements).
    size_t HeldBytes() const noexcept;

private:
    struct Chunk {
        size_t size;  // bytes after this header
        size_t used;
        size_t live;
        char* Data() noexcept { return reinterpret_cast<char*>(this + 1); }
    };
    void Free(Chunk* chunk) noexcept;
    Chunk* ChunkOf(const void* p) const noexcept;

    std::vector<Chunk*> m_Chunks;  // by address, to find the chunk of an object
    Chunk* m_Current = nullptr;
    size_t m_NextSize = 4096;
};

}}  // namespace koru::detail

#endif
