// Large arrays of the model taken straight from the system and handed back to it when freed.
// They are grown on the builder's thread, whose malloc arena would keep the freed memory for the
// rest of the process, beside the exporter's copy of the arrays. Under AddressSanitizer they
// stay with malloc, so that reads beyond them are caught.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
#define VISTREL_MAPPED_ARRAYS 1
#include <sys/mman.h>
#endif

namespace vistrel_obj {

template <typename T>
struct SystemAllocator {
    using value_type = T;
    static constexpr size_t kMappedBytes = size_t(1) << 18;  // smaller ones come from malloc

    SystemAllocator() = default;
    template <typename U>
    SystemAllocator(const SystemAllocator<U>&) {}

    T* allocate(size_t n) {
#ifdef VISTREL_MAPPED_ARRAYS
        if (n * sizeof(T) >= kMappedBytes) {
            void* p = mmap(nullptr, n * sizeof(T), PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED) throw std::bad_alloc();
            return static_cast<T*>(p);
        }
#endif
        return std::allocator<T>().allocate(n);
    }

    void deallocate(T* p, size_t n) {
#ifdef VISTREL_MAPPED_ARRAYS
        if (n * sizeof(T) >= kMappedBytes) {
            munmap(p, n * sizeof(T));
            return;
        }
#endif
        std::allocator<T>().deallocate(p, n);
    }
};

template <typename T, typename U>
bool operator==(const SystemAllocator<T>&, const SystemAllocator<U>&) {
    return true;
}
template <typename T, typename U>
bool operator!=(const SystemAllocator<T>&, const SystemAllocator<U>&) {
    return false;
}

// A vector of the model's data.
template <typename T>
using Array = std::vector<T, SystemAllocator<T>>;

}  // namespace vistrel_obj
