#include "BinaryItems.h"

#include <cstdlib>
#include <new>

BinaryItems::~BinaryItems() {
    std::free(storage);
}

void BinaryItems::grow(std::size_t n) {
    // count + capacity + 65,536 items keeps reallocations few for large meshes; realloc can
    // move large blocks by remapping pages instead of copying them.
    const std::size_t count = size();
    const std::size_t capacity =
        storage ? static_cast<std::size_t>(limit - items()) / item_bytes : 0;
    std::size_t wanted = count + capacity + 65536;
    if (wanted < count + n) wanted = count + n;
    const std::size_t bytes = header_bytes + wanted * item_bytes;
    void* moved = std::realloc(storage, bytes);
    if (!moved) throw std::bad_alloc();
    storage = static_cast<unsigned char*>(moved);
    cursor = storage + header_bytes + count * item_bytes;
    limit = storage + bytes;
}

const char* BinaryItems::block(char tag, std::size_t& bytes) {
    if (!storage) grow(0);
    const std::uint32_t n = static_cast<std::uint32_t>(size());
    storage[0] = 1;
    storage[1] = 2;
    storage[2] = 3;
    storage[3] = static_cast<unsigned char>(tag);
    // The count is little-endian whatever the host.
    storage[4] = static_cast<unsigned char>(n);
    storage[5] = static_cast<unsigned char>(n >> 8);
    storage[6] = static_cast<unsigned char>(n >> 16);
    storage[7] = static_cast<unsigned char>(n >> 24);
    bytes = static_cast<std::size_t>(cursor - storage);
    return reinterpret_cast<const char*>(storage);
}
