// An array a batched add_faces2 call keeps until its mesh is written: a copy of values the
// caller only lends, or a block the caller hands over with the function that frees it (the Ruby
// binding hands over the arrays it has just converted, which saves copying every value again).
// The batch may rewrite the values in place before it writes them.
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
    // values itself, freed with release once this no longer needs them.
    KeptArray(T* values, Release release) noexcept : handed(values, release) {}

    T* data() { return handed ? handed.get() : copy.data(); }
    const T* data() const { return handed ? handed.get() : copy.data(); }

  private:
    std::vector<T> copy;
    std::unique_ptr<T, Release> handed{nullptr, nullptr};
};
