// Writes the meshes of a scene as a Wavefront OBJ file with a material library beside it, so
// that any viewer shows what was exported: every mesh where its groups' transforms place it, and
// a definition's meshes once for each placement.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scene_meshes.h"
#include "scene_placements.h"

namespace inspect {

struct ObjTotals {
    std::size_t meshes = 0, vertices = 0, triangles = 0;
};

// Writes OBJ_PATH and, next to it, the same name with ".mtl" in place of its extension. Both
// are written under temporary names and renamed at the end, so a failure leaves neither
// behind. Relative texture paths are taken relative to scene_dir. Throws
// std::ios_base::failure naming the path on any output error.
ObjTotals write_obj(const std::vector<MeshRef>& meshes, const ScenePlacements& placements,
                    const std::string& obj_path, const std::string& scene_dir);

// The MTL file written beside OBJ_PATH: its extension replaced by .mtl.
std::string mtl_path_for(const std::string& obj_path);

// A name as OBJ and MTL statements accept it: blanks and control bytes become '_'.
std::string obj_name(std::string_view name);

}  // namespace inspect
