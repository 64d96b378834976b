// The preview picture of a scene: what its camera sees, cast with Embree. Each hit is drawn in
// its material's diffuse colour, or its texture's, lit by a light at the camera; transparent
// materials let the rays continue and blend what lies behind them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "png_output.h"
#include "scene_meshes.h"
#include "scene_model.h"
#include "scene_placements.h"

namespace inspect {

struct PreviewOptions {
    int width = 800;
    int height = 600;
    std::string scene_dir;  // relative texture paths are looked up from here
};

// Reads "WIDTHxHEIGHT", each from 1 to 16384, into the options; false when it is not that.
bool parse_preview_size(const std::string& text, PreviewOptions& options);

// Where no surface is hit.
constexpr std::uint8_t kPreviewBackground[3] = {224, 230, 238};

// The most placements of definitions a picture shows; beyond them the scene is drawn in part.
constexpr std::size_t kPreviewPlacements = std::size_t(1) << 16;

// Problems that do not stop the picture (no camera, a texture that cannot be loaded, too many
// placements) are added to `warnings`. Throws std::runtime_error when Embree fails.
RgbImage render_preview(const Scene& scene, const std::vector<MeshRef>& meshes,
                        const ScenePlacements& placements, const PreviewOptions& options,
                        std::vector<std::string>& warnings);

}  // namespace inspect
