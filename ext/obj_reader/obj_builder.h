// Builds the model statement by statement: vertex data, objects and groups, materials and
// faces, as the OBJ parser hands them over.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "obj_model.h"

namespace vistrel_obj {

class ObjBuilder {
  public:
    // Faces before any o or g go to the group of this name.
    static constexpr const char* kDefaultGroup = "default";

    explicit ObjBuilder(std::string name) : root_(std::move(name)) {}

    void position(float x, float y, float z);
    void uv(float u, float v);
    void normal(float x, float y, float z);
    // A face of at least 3 corners, its indices resolved (normal kNoNormal: to be computed).
    // The corners are the builder's to change.
    void face(Corner* corners, int count);
    void object(const std::string& name);
    void group(const std::string& name);
    void material(int id);
    // Frees what only reading needs: the tables that find corners again.
    void finish();
    // Called as each mesh's values are taken: the vertex data goes with the last one.
    void mesh_taken() {
        if (--meshes_left_ == 0) release();
    }
    // Set when the hand-over starts: its meshes go as they are handed over.
    bool handed_over = false;

    // A vertex's values: position and normal 3 floats, uv 2 (nullptr: none).
    const float* position_of(const Corner& c) const { return &positions_[3 * size_t(c.position)]; }
    const float* uv_of(const Corner& c) const {
        return c.uv < 0 ? nullptr : &uvs_[2 * size_t(c.uv)];
    }
    const float* normal_of(const Corner& c) const {
        return c.normal >= 0 ? &normals_[3 * size_t(c.normal)]
                             : &face_normals_[3 * size_t(-1 - c.normal)];
    }

    Group& root() { return root_; }
    int64_t triangle_count() const { return triangles_; }
    // Box of the faces' vertices; none without faces.
    bool has_bounds() const { return has_bounds_; }
    const std::array<float, 3>& min() const { return min_; }
    const std::array<float, 3>& max() const { return max_; }

  private:
    void face_normal(const Corner* corners, int count, float* normal) const;
    void extend_bounds(const float* position);
    void finish_group(Group& group);
    void release();

    Group root_;
    Group* object_ = nullptr;
    Group* group_ = nullptr;
    Mesh* mesh_ = nullptr;
    int material_ = -1;
    Array<float> positions_, uvs_, normals_;
    // Normals computed for faces without them; a face in the plane of the face before shares its.
    Array<float> face_normals_;
    int64_t triangles_ = 0;
    int64_t meshes_left_ = 0;  // with triangles, not yet handed over
    bool has_bounds_ = false;
    std::array<float, 3> min_{}, max_{};
};

}  // namespace vistrel_obj
