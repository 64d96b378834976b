// An array a batched add_faces2 call keeps until its mesh is written: a copy of values the
// caller only lends, or a block the caller hands over with the function that frees it (the Ruby
// binding hands over the arrays it has just converted, which saves copying every value again).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

template <typename T>
class KeptArray {
  public:
    using Release = void (*)(void*);

    KeptArray() = default;
    // A copy of count values.
    KeptArray(const T* values, std::size_t count) : copy(values, values + count) {}
    // values itself (count of them), freed with release once this no longer needs them.
    KeptArray(T* values, std::size_t count, Release release) noexcept
        : handed(values, release), handed_count(count) {}

    const T* data() const { return handed ? handed.get() : copy.data(); }
    std::size_t bytes() const { return sizeof(T) * (handed ? handed_count : copy.capacity()); }
    // Gives the memory back now.
    void release() {
        std::vector<T>().swap(copy);
        handed.reset();
        handed_count = 0;
    }

  private:
    std::vector<T> copy;
    std::unique_ptr<T, Release> handed{nullptr, nullptr};
    std::size_t handed_count = 0;
};
