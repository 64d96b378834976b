#include "read_scene_fully.h"

#include "scene_checks.h"
#include "scene_meshes.h"
#include "scene_placements.h"
#include "scene_summary.h"

namespace inspect {

ParseStatus read_scene_fully(const std::uint8_t* data, std::size_t size) {
    const ParseResult parsed = parse_scene(data, size);
    const auto meshes = find_meshes(parsed.scene);
    const auto placements = find_placements(parsed.scene, meshes);
    check_scene(parsed.scene, meshes, placements, {"", false});
    summarize_scene(parsed.scene, meshes, placements);
    std::size_t steps = 0;
    PlacementVisitor visitor;
    visitor.mesh = [&](std::size_t, const Matrix4&, std::size_t) { ++steps; };
    visitor.placement = [&](std::size_t, const Matrix4&) {
        return ++steps < 100000 ? Descend::into : Descend::stop;
    };
    walk_placements(placements, meshes, place_groups(*placements.groups), true, visitor);
    return parsed.status;
}

}  // namespace inspect
