// The memory a batch keeps its arrays in: blocks that do not overlap, survive the chunks around
// them being freed, and are reused once freed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ChunkBlocks.h"

namespace {

struct Block {
    unsigned char* data;
    std::size_t size;
};

Block filled(std::size_t size, unsigned char mark) {
    auto* data = static_cast<unsigned char*>(chunk_blocks::allocate(size));
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 16, 0u);
    std::memset(data, mark, size);
    return {data, size};
}

bool holds(const Block& block, unsigned char mark) {
    for (std::size_t i = 0; i < block.size; ++i)
        if (block.data[i] != mark) return false;
    return true;
}

TEST(ChunkBlocks, BlocksKeepTheirValuesWhileOthersComeAndGo) {
    // Blocks of the largest size and odd sizes between them, over several chunks.
    const std::size_t sizes[] = {1, 12'004, chunk_blocks::largest_block, 17, 40'000, 65'520};
    std::vector<Block> blocks;
    for (int round = 0; round < 40; ++round)
        for (std::size_t size : sizes) blocks.push_back(filled(size, blocks.size() & 0xff));
    // Every other block goes, then the rest are replaced one by one; nothing written is lost.
    for (std::size_t i = 0; i < blocks.size(); i += 2) chunk_blocks::release(blocks[i].data);
    for (std::size_t i = 1; i < blocks.size(); i += 2) {
        EXPECT_TRUE(holds(blocks[i], i & 0xff)) << "block " << i;
        chunk_blocks::release(blocks[i].data);
        blocks[i] = filled(blocks[i].size, 0xa5);
    }
    for (std::size_t i = 1; i < blocks.size(); i += 2) {
        EXPECT_TRUE(holds(blocks[i], 0xa5));
        chunk_blocks::release(blocks[i].data);
    }
    chunk_blocks::release(nullptr);
}

TEST(ChunkBlocks, FreedMemoryIsCutAgainAndImpossibleSizesAreRefused) {
    void* first = chunk_blocks::allocate(64);
    chunk_blocks::release(first);
    void* again = chunk_blocks::allocate(64);
    EXPECT_EQ(again, first);
    chunk_blocks::release(again);
    EXPECT_EQ(chunk_blocks::allocate(chunk_blocks::largest_block + 1), nullptr);
    EXPECT_EQ(chunk_blocks::allocate(SIZE_MAX), nullptr);
    EXPECT_EQ(chunk_blocks::allocate(SIZE_MAX - 40), nullptr);
}

}  // namespace
