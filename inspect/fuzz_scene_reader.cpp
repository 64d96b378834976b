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
    // The walk --obj and --png take, cut short after a bounded number of steps.
    std::size_t steps = 0;
    inspect::PlacementVisitor visitor;
    visitor.mesh = [&](std::size_t, const inspect::Matrix4&, std::size_t) { ++steps; };
    visitor.placement = [&](std::size_t, const inspect::Matrix4&) {
        return ++steps < 100000 ? inspect::Descend::into : inspect::Descend::stop;
    };
    inspect::walk_placements(placements, meshes, inspect::place_groups(*placements.groups), true,
                             visitor);
    return 0;
}
