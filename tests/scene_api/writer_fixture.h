// A writer over a temporary file, the bytes it wrote, and the stored expected files in data/.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "tavScene_api_file.h"
#include "test_files.h"

inline std::string golden(const std::string& name) {
    return read_file(std::string(SCENE_API_DATA) + "/" + name);
}

class WriterTest : public ::testing::Test {
  protected:
    tavScene_api_file& open(bool binary_arrays = false) {
        writer = std::make_unique<tavScene_api_file>(path.c_str(), binary_arrays);
        return *writer;
    }
    std::string on_disk() const { return read_file(path); }  // the writer still open
    std::string finish() {  // destroying the writer closes its stream
        writer.reset();
        return on_disk();
    }
    void TearDown() override {
        writer.reset();
        std::remove(path.c_str());
    }

    const std::string path = ::testing::TempDir() + "writer_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                             ".vsf";
    std::unique_ptr<tavScene_api_file> writer;
};

// The eight-byte header of a binary block with tag and item count (little-endian).
inline std::string block_header(char tag, std::uint32_t count) {
    std::string header = {1, 2, 3, tag};
    for (int shift = 0; shift < 32; shift += 8) header += static_cast<char>(count >> shift);
    return header;
}

inline void set_array(tavScene_api& w, const char* name, int kind, const void* data, int count) {
    const ParamArray array{data, count};
    w.set_param(name, PARAM_ARRAY | kind, &array);
}
