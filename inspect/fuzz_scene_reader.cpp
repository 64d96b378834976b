// libFuzzer entry: parses, checks and summarises any input; must never crash.
#include <cstddef>
#include <cstdint>

#include "scene_checks.h"
#include "scene_meshes.h"
#include "scene_parser.h"
#include "scene_placements.h"
#include "scene_summary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const inspect::ParseResult parsed = inspect::parse_scene(data, size);
    const auto meshes = inspect::find_meshes(parsed.scene);
    const auto placements = inspect::find_placements(parsed.scene, meshes);
    inspect::check_scene(parsed.scene, meshes, placements, {"", false});
    inspect::summarize_scene(parsed.scene, meshes, placements);
    return 0;
}
