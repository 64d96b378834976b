// Inputs on which the scene reader's libFuzzer target failed, and hand-made ones of the same
// kinds: the reader must take each to a result without a fault (the sanitizer build turns any
// memory error into a failure).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "scene_checks.h"
#include "scene_meshes.h"
#include "scene_parser.h"
#include "scene_summary.h"

namespace {

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the libFuzzer target does with one input.
inspect::ParseStatus read_scene(const std::vector<std::uint8_t>& bytes) {
    const inspect::ParseResult parsed = inspect::parse_scene(bytes.data(), bytes.size());
    const auto meshes = inspect::find_meshes(parsed.scene);
    inspect::check_scene(parsed.scene, meshes, {"", false});
    inspect::summarize_scene(parsed.scene, meshes);
    return parsed.status;
}

// A file that ends after its header was cut off before the top group.
TEST(SceneReaderFuzzRegressions, EverySavedInputIsReadWithoutAFault) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VISTREL_READER_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().string());
        const inspect::ParseStatus status = read_scene(read_bytes(entry.path()));
        if (entry.path().filename() == "header-only.vsf") {
            EXPECT_EQ(status, inspect::ParseStatus::truncated);
        }
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
