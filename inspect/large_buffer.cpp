#include "large_buffer.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace inspect {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

}  // namespace

LargeBuffer allocate_large(std::size_t size) {
    void* data = nullptr;
    if (size < kHugePage) {
        data = std::malloc(size ? size : 1);
    } else {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        data = std::aligned_alloc(kHugePage, rounded);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        // Advice only: where huge pages are off, the buffer works as any other.
        if (data) madvise(data, rounded, MADV_HUGEPAGE);
#endif
    }
    if (!data) throw std::bad_alloc();
    return LargeBuffer(static_cast<std::uint8_t*>(data));
}

}  // namespace inspect
