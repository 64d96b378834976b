// Memory for arrays of many megabytes, backed by huge pages where the system offers them on
// request: such a buffer then costs a handful of page faults instead of thousands, which on
// some machines take longer than reading the data into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace inspect {

struct FreeLargeBuffer {
    void operator()(std::uint8_t* data) const { std::free(data); }
};
using LargeBuffer = std::unique_ptr<std::uint8_t, FreeLargeBuffer>;

// Uninitialised; throws std::bad_alloc.
LargeBuffer allocate_large(std::size_t size);

}  // namespace inspect
