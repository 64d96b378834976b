// libFuzzer entry: reads any input through every step of the reader; must never crash.
#include <cstddef>
#include <cstdint>

#include "read_scene_fully.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    inspect::read_scene_fully(data, size);
    return 0;
}
