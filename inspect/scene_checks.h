// Checks a parsed scene for what a renderer would trip over: mesh arrays of the wrong kind or
// size, triangle indices outside their arrays, missing texture files, instance lines that place
// no definition, and the notes the exporter leaves when it had to drop normals or texture
// coordinates. Definitions that nothing places are warned about.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scene_meshes.h"
#include "scene_model.h"
#include "scene_placements.h"

namespace inspect {

enum class Severity { warning, error };

struct Diagnostic {
    Severity severity = Severity::error;
    std::size_t offset = 0;
    std::string message;
};

struct CheckOptions {
    std::string scene_dir;       // relative texture paths are looked up from here
    bool check_textures = true;  // look for texture files on disk
};

std::vector<Diagnostic> check_scene(const Scene& scene, const std::vector<MeshRef>& meshes,
                                    const ScenePlacements& placements, const CheckOptions& options);

// Where a texture path points when read relative to the scene's folder.
std::string resolve_texture_path(const std::string& path, const std::string& scene_dir);

}  // namespace inspect
