// The pending binary array: 4-byte items collected element by element and written as one
// block. The block's 8-byte header sits in front of the items, so the whole block leaves in
// one write without copying the items again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class BinaryItems {
  public:
    // Size of the block header: three marker bytes, the tag, and the item count.
    static constexpr std::size_t header_bytes = 8;
    static constexpr std::size_t item_bytes = 4;

    BinaryItems() = default;
    BinaryItems(const BinaryItems&) = delete;
    BinaryItems& operator=(const BinaryItems&) = delete;
    ~BinaryItems();

    void clear() { cursor = items(); }
    std::size_t size() const { return static_cast<std::size_t>(cursor - items()) / item_bytes; }

    // Whether N more items fit without growing.
    template <std::size_t N>
    bool fits() const {
        return static_cast<std::size_t>(limit - cursor) >= N * item_bytes;
    }

    // Appends N 4-byte items copied from source; fits<N>() must hold.
    template <std::size_t N>
    void put(const void* source) {
        std::memcpy(cursor, source, N * item_bytes);
        cursor += N * item_bytes;
    }

    // Appends N 4-byte items, growing the storage when it is full.
    template <std::size_t N>
    void append(const void* source) {
        if (!fits<N>()) grow(N);
        put<N>(source);
    }

    // Fills in the header for the given tag and returns the block (header and items);
    // bytes receives its size.
    const char* block(char tag, std::size_t& bytes);

  private:
    unsigned char* items() const { return storage ? storage + header_bytes : nullptr; }
    void grow(std::size_t n);

    unsigned char* storage = nullptr;  // header, then the items
    unsigned char* cursor = nullptr;   // end of the items appended so far
    unsigned char* limit = nullptr;    // end of the storage
};
