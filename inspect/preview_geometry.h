// The preview's triangles: each mesh of the scene placed in the world by its groups' transforms
// and handed to Embree, with what shading its hits needs.
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
#include "texture_image.h"

namespace inspect {

// A 4 by 4 matrix for points as rows multiplied from the left: the translation is the 13th to
// 15th number. Transform lines are read into it transposed (see group_matrix).
struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    bool is_identity() const;
    Vec3 apply(Vec3 p) const;
};

// Where a group places what it holds: local to world, its transforms applied first, then
// those of the groups enclosing it; and whether it lies in a definition, which is not shown.
struct GroupPlacement {
    Matrix4 world;
    bool in_definition = false;
};
// One placement per group of the list, each computed once from its parent's.
std::vector<GroupPlacement> place_groups(const GroupList& groups);

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

// Embree's device and scene with the meshes added so far, their vertex and index buffers and
// their materials (by Embree's geometry id). Throws std::runtime_error when Embree fails.
class PreviewScene {
  public:
    PreviewScene();
    ~PreviewScene();
    PreviewScene(const PreviewScene&) = delete;
    PreviewScene& operator=(const PreviewScene&) = delete;

    // Adds the mesh's triangles, placed in the world by `world`, with their material.
    // Triangles with indices outside the vertices are left out. The texture is used where the
    // mesh has texture coordinates for it.
    void add_mesh(const MeshRef& mesh, const Matrix4& world, const TextureImage* texture);
    // Builds the acceleration structure; afterwards rays can be cast.
    void commit();
    // Multiplies every vertex by `factor` and builds the structure again.
    void scale(float factor);

    RTCScene scene() const { return scene_; }
    const std::vector<PreviewMaterial>& materials() const { return materials_; }
    // The box around every triangle; empty (lower above upper) without any.
    void bounds(Vec3& lower, Vec3& upper) const;

  private:
    static void keep_error(void* self, RTCError code, const char* text);

    RTCDevice device_ = nullptr;
    RTCScene scene_ = nullptr;
    std::string error_;  // the first error Embree reported
    std::vector<LargeBuffer> buffers_;
    std::vector<PreviewMaterial> materials_;
    std::vector<std::pair<float*, std::size_t>> vertices_;  // by geometry id: points, count
};

}  // namespace inspect
