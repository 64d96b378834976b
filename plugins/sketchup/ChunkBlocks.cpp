#include "ChunkBlocks.h"

#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#endif

// Under AddressSanitizer, memory of a chunk that no live block covers is poisoned, so that a
// read or write past a block's end is reported as it would be for a block of its own.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define CHUNK_POISON(at, size) ASAN_POISON_MEMORY_REGION(at, size)
#define CHUNK_UNPOISON(at, size) ASAN_UNPOISON_MEMORY_REGION(at, size)
#else
#define CHUNK_POISON(at, size) ((void)(at), (void)(size))
#define CHUNK_UNPOISON(at, size) ((void)(at), (void)(size))
#endif

namespace chunk_blocks {
namespace {

constexpr std::size_t chunk_size = std::size_t(2) << 20;
constexpr std::size_t spare_limit = 32;  // done chunks kept for reuse
constexpr std::size_t alignment = 16;

// The head of a chunk; its blocks follow, each after a head of its own.
struct alignas(alignment) Chunk {
    std::size_t used;  // bytes cut, this head included
    std::size_t live;  // blocks not yet freed
    Chunk* next_spare;
};

struct alignas(alignment) BlockHead {
    Chunk* chunk;
    std::size_t size;  // as asked for
};

Chunk* current = nullptr;  // the chunk blocks are cut from
Chunk* spares = nullptr;
std::size_t spare_count = 0;

std::size_t round_up(std::size_t size) {
    return (size + alignment - 1) & ~(alignment - 1);
}

constexpr std::size_t page_size = 4096;

// Done chunks keep their pages mapped; the system may drop their contents until they are
// written again (MADV_FREE, MEM_RESET).
#if defined(_WIN32)
void* map_chunk() {
    return VirtualAlloc(nullptr, chunk_size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}
void unmap_chunk(Chunk* chunk) {
    VirtualFree(chunk, 0, MEM_RELEASE);
}
bool keep_spare(Chunk* chunk) {
    if (spare_count == spare_limit) return false;
    VirtualAlloc(reinterpret_cast<char*>(chunk) + page_size, chunk_size - page_size, MEM_RESET,
                 PAGE_READWRITE);
    return true;
}
#elif defined(MADV_FREE)
#if !defined(MAP_POPULATE)
#define MAP_POPULATE 0
#endif
// The pages are provided at once (on Linux): one call for the chunk costs less than a page fault
// for each of its 512 pages.
void* map_chunk() {
    void* mapped = mmap(nullptr, chunk_size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return mapped == MAP_FAILED ? nullptr : mapped;
}
void unmap_chunk(Chunk* chunk) {
    munmap(chunk, chunk_size);
}
bool keep_spare(Chunk* chunk) {
    if (spare_count == spare_limit) return false;
    madvise(reinterpret_cast<char*>(chunk) + page_size, chunk_size - page_size, MADV_FREE);
    return true;
}
#else
void* map_chunk() {
    return std::malloc(chunk_size);
}
void unmap_chunk(Chunk* chunk) {
    std::free(chunk);
}
bool keep_spare(Chunk*) {
    return false;
}
#endif

// A spare chunk, or else a new one. What follows the head is poisoned: no block is cut yet.
Chunk* new_chunk() {
    void* memory = spares;
    if (spares) {
        spares = spares->next_spare;
        --spare_count;
    } else {
        memory = map_chunk();
        if (!memory) return nullptr;
    }
    Chunk* chunk = new (memory) Chunk{sizeof(Chunk), 0, nullptr};
    CHUNK_POISON(chunk + 1, chunk_size - sizeof(Chunk));
    return chunk;
}

void done_with(Chunk* chunk) {
    if (keep_spare(chunk)) {
        chunk->next_spare = spares;
        spares = chunk;
        ++spare_count;
        return;
    }
    CHUNK_UNPOISON(chunk, chunk_size);
    unmap_chunk(chunk);
}

}  // namespace

void* allocate(std::size_t size) {
    if (size > largest_block) return nullptr;
    const std::size_t needed = sizeof(BlockHead) + round_up(size);
    if (!current || chunk_size - current->used < needed) {
        Chunk* fresh = new_chunk();
        if (!fresh) return nullptr;
        current = fresh;  // the one it replaces is done with when its last block is freed
    }
    Chunk* chunk = current;
    BlockHead* head = reinterpret_cast<BlockHead*>(reinterpret_cast<char*>(chunk) + chunk->used);
    CHUNK_UNPOISON(head, sizeof(BlockHead) + size);
    *head = BlockHead{chunk, size};
    CHUNK_POISON(head, sizeof(BlockHead));
    chunk->used += needed;
    ++chunk->live;
    return head + 1;
}

void release(void* block) {
    if (!block) return;
    BlockHead* head = static_cast<BlockHead*>(block) - 1;
    CHUNK_UNPOISON(head, sizeof(BlockHead));
    Chunk* chunk = head->chunk;
    CHUNK_POISON(head, sizeof(BlockHead) + head->size);
    if (--chunk->live > 0) return;
    if (chunk == current) {
        chunk->used = sizeof(Chunk);
        return;
    }
    done_with(chunk);
}

}  // namespace chunk_blocks
