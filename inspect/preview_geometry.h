// The preview's triangles: each mesh of the scene placed in the world by its groups' transforms
// and handed to Embree, with what shading its hits needs. A definition's meshes go into a scene
// of their own, which each of its placements shows through an Embree instance.
#pragma once

#include <embree3/rtcore.h>

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "large_buffer.h"
#include "preview_math.h"
#include "scene_meshes.h"
#include "scene_transforms.h"
#include "texture_image.h"

namespace inspect {

// What a hit on one mesh is shaded with.
struct PreviewMaterial {
    float diffuse[3] = {0.8f, 0.8f, 0.8f};
    float alpha = 1;
    const TextureImage* texture = nullptr;  // null: the diffuse colour
    const ArrayData* uvs = nullptr;         // uv pairs
    const ArrayData* uv_indices = nullptr;  // three per triangle, indices into uvs
    std::size_t uv_count = 0;

    // The surface colour at a point of triangle `triangle` with barycentric (u, v).
    void colour(unsigned triangle, float u, float v, float rgb[3]) const;
};

// Texture images by resolved path, each loaded once; those that fail are warned about once.
class TextureCache {
  public:
    const TextureImage* find(const MeshRef& mesh, const std::string& scene_dir,
                             std::vector<std::string>& warnings);

  private:
    std::map<std::string, TextureImage> images_;
};

// Where a ray met a surface: its material and its normal in the world, not normalised.
struct PreviewHit {
    const PreviewMaterial* material = nullptr;
    Vec3 normal;
};

// Embree's device and scenes: the scene shown, which holds the meshes outside definitions and
// an instance for each placement, and one scene per definition shown. Throws
// std::runtime_error when Embree fails.
class PreviewScene {
  public:
    static constexpr std::size_t kShown = 0;  // the scene shown

    PreviewScene();
    ~PreviewScene();
    PreviewScene(const PreviewScene&) = delete;
    PreviewScene& operator=(const PreviewScene&) = delete;

    // A new, empty scene for a definition's meshes; its number.
    std::size_t add_definition_scene();
    // Adds the mesh's triangles to scene `into`, placed by `world`, with their material.
    // Triangles with indices outside the vertices are left out. The texture is used where the
    // mesh has texture coordinates for it.
    void add_mesh(std::size_t into, const MeshRef& mesh, const Matrix4& world,
                  const TextureImage* texture);
    // Builds a definition's scene, after its last mesh.
    void commit_definition_scene(std::size_t scene);
    // Shows definition scene `scene` placed by `world`; a placement that is not finite is left
    // out.
    void add_instance(std::size_t scene, const Matrix4& world);
    std::size_t instance_count() const { return instances_.size(); }
    // Builds the scene shown; afterwards rays can be cast.
    void commit();
    // Moves every point shown `factor` times as far from the origin and builds again.
    void scale(float factor);

    RTCScene scene() const { return layers_[kShown].scene; }
    PreviewHit hit(const RTCHit& hit) const;
    // The box around every triangle shown; empty (lower above upper) without any.
    void bounds(Vec3& lower, Vec3& upper) const;

  private:
    static void keep_error(void* self, RTCError code, const char* text);
    void check() const;

    struct Layer {
        RTCScene scene = nullptr;
        std::vector<PreviewMaterial> materials;                // by geometry id
        std::vector<std::pair<float*, std::size_t>> vertices;  // by geometry id: points, count
    };
    struct Instance {
        std::size_t layer;
        Matrix4 world;
    };
    void place(unsigned id);

    RTCDevice device_ = nullptr;
    std::string error_;  // the first error Embree reported
    std::vector<LargeBuffer> buffers_;
    std::vector<Layer> layers_;
    // By geometry id in the scene shown, after the ids of its meshes.
    std::vector<Instance> instances_;
    unsigned first_instance_ = 0;
};

}  // namespace inspect
