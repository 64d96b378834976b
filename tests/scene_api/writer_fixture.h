// A writer over a temporary file, and the bytes it wrote once it is destroyed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "tavScene_api_file.h"

#ifdef _WIN32
#include <io.h>
// Windows has no pread. The duplicate descriptor shares the writer's file position, so it is put
// back after reading.
inline ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset) {
    const __int64 position = _lseeki64(fd, 0, SEEK_CUR);
    if (position < 0 || _lseeki64(fd, offset, SEEK_SET) < 0) return -1;
    const int got = _read(fd, buffer, static_cast<unsigned>(size));
    _lseeki64(fd, position, SEEK_SET);
    return got;
}
#endif

class WriterTest : public ::testing::Test {
  protected:
    tavScene_api_file& open(bool binary_arrays = false) {
        FILE* file = std::tmpfile();
        EXPECT_NE(file, nullptr);
        // A second descriptor keeps the file readable after the writer has closed its stream.
        file_descriptor = dup(fileno(file));
        writer = std::make_unique<tavScene_api_file>(file, binary_arrays);
        return *writer;
    }

    // Destroys the writer (which closes its stream) and returns everything it wrote.
    std::string finish() {
        writer.reset();
        std::string bytes = on_disk();
        ::close(file_descriptor);
        file_descriptor = -1;
        return bytes;
    }

    // What has reached the file so far, the writer still open.
    std::string on_disk() const {
        std::string bytes;
        char chunk[65536];
        off_t offset = 0;
        for (ssize_t got; (got = pread(file_descriptor, chunk, sizeof chunk, offset)) > 0;) {
            bytes.append(chunk, static_cast<std::size_t>(got));
            offset += got;
        }
        return bytes;
    }

    void TearDown() override {
        writer.reset();
        if (file_descriptor >= 0) ::close(file_descriptor);
    }

    std::unique_ptr<tavScene_api_file> writer;
    int file_descriptor = -1;
};

// The eight-byte header of a binary block with tag and item count (little-endian).
inline std::string block_header(char tag, std::uint32_t count) {
    std::string header = {1, 2, 3, tag};
    for (int shift = 0; shift < 32; shift += 8) header += static_cast<char>(count >> shift);
    return header;
}

template <typename T, std::size_t N>
std::string bytes_of(const T (&items)[N]) {
    return std::string(reinterpret_cast<const char*>(items), sizeof items);
}

inline void set_array(tavScene_api& w, const char* name, int base_kind, const void* data,
                      int count) {
    const ParamArray array{data, count};
    w.set_param(name, PARAM_ARRAY | base_kind, &array);
}
