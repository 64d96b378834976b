// The human-readable summary of a scene: the top group, the camera, the groups with their
// nesting and objects, and the totals.
#pragma once

#include <string>
#include <vector>

#include "scene_meshes.h"
#include "scene_model.h"

namespace inspect {

std::string summarize_scene(const Scene& scene, const std::vector<MeshRef>& meshes);

}  // namespace inspect
