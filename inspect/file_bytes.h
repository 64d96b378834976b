// Reads a whole file into memory with one allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "large_buffer.h"

namespace inspect {

struct FileBytes {
    LargeBuffer data;
    std::size_t size = 0;
};

// Throws std::ios_base::failure naming the path when the file cannot be read.
FileBytes read_file(const std::string& path);

}  // namespace inspect
