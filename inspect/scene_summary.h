// The human-readable summary of a scene: the top group, the camera, the groups with their
// nesting, objects and instance lines, the totals, and the triangles the placements show.
#pragma once

#include <string>
#include <vector>

#include "scene_meshes.h"
#include "scene_model.h"
#include "scene_placements.h"

namespace inspect {

std::string summarize_scene(const Scene& scene, const std::vector<MeshRef>& meshes,
                            const ScenePlacements& placements);

}  // namespace inspect
