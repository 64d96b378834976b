// Memory for the small arrays a batch keeps until it is written. Blocks are cut one after
// another from chunks of 2 MB; a chunk is done with once its last block is freed. Done chunks are
// kept for the next blocks, up to 64 MB of them, marked so that the system can take their pages
// back whenever it needs them (MADV_FREE on Linux and macOS, MEM_RESET on Windows): an export of
// many small calls then writes into pages the last one used rather than faulting in fresh ones,
// 4 KB at a time, and pays no allocator header a block. Where neither exists, done chunks go
// back to the system at once.
//
// Blocks live as long as the batch that keeps them and are all freed when it is written, so a
// chunk is not held by one long-lived block among many short-lived ones. Not thread-safe: the
// extension's callers hold the interpreter's lock.
#pragma once

#include <cstddef>

namespace chunk_blocks {

// The largest block allocate gives. Larger ones are better left to malloc, which can give them
// memory the caller freed.
constexpr std::size_t largest_block = std::size_t(64) << 10;

// size bytes, aligned for any scalar; null when size is over largest_block or the memory cannot
// be had.
void* allocate(std::size_t size);
// A block from allocate; null is ignored.
void release(void* block);

}  // namespace chunk_blocks
