// Inputs on which the scene reader's libFuzzer target failed, and hand-made ones of the same
// kinds: the reader must take each to a result without a fault (the sanitizer build turns any
// memory error into a failure).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "read_scene_fully.h"

namespace {

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file that ends after its header was cut off before the top group.
TEST(SceneReaderFuzzRegressions, EverySavedInputIsReadWithoutAFault) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VISTREL_READER_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().string());
        const std::vector<std::uint8_t> bytes = read_bytes(entry.path());
        const inspect::ParseStatus status = inspect::read_scene_fully(bytes.data(), bytes.size());
        if (entry.path().filename() == "header-only.vsf") {
            EXPECT_EQ(status, inspect::ParseStatus::truncated);
        }
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
