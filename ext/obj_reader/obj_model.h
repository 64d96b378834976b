// The model as the reader builds it: a tree of groups, each with one mesh per material, whose
// per-vertex arrays are what the exporter's add_faces2 takes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "system_allocator.h"

namespace vistrel_obj {

// A face corner as the file gives it, 0-based: position, texture coordinate (-1: none) and
// normal (>= 0: given; < 0: the computed normal number -1 - normal).
struct Corner {
    int32_t position;
    int32_t uv;
    int32_t normal;
};

// A corner's normal before the face's own is computed for it.
constexpr int32_t kNoNormal = INT32_MIN;

// Finds corners again among a mesh's vertices: open addressing over vertex numbers.
class CornerTable {
  public:
    // The number (from 1) of the vertex equal to corner, appended to corners when new.
    int32_t vertex(Array<Corner>& corners, const Corner& corner);
    // Enters the vertex of that number, which the table does not hold yet.
    void add(const Array<Corner>& corners, int32_t number);
    bool empty() const { return entries_ == 0; }
    void clear();

  private:
    void grow(const Array<Corner>& corners);

    Array<int32_t> table_;  // vertex number, 0 for a free slot
    size_t entries_ = 0;
};

// One material's faces in one group. Each distinct corner becomes one vertex; triangles hold
// vertex numbers counted from 1. The vertices' values are looked up in the model's vertex data
// only when the mesh is handed over, so that a mesh costs 12 bytes a vertex until then.
class Mesh {
  public:
    explicit Mesh(int material) : material(material) {}

    // The number of the corner's vertex, made when the corner is new.
    int32_t vertex(const Corner& corner);
    void add_triangle(int32_t a, int32_t b, int32_t c) {
        triangles.insert(triangles.end(), {a, b, c});
    }
    // Drops the tables that find corners again once no more faces come.
    void finish();
    // Frees the mesh once it is handed over; the counts stay.
    void release();

    int64_t vertex_count() const { return vertices_ + static_cast<int64_t>(corners.size()); }
    int64_t triangle_count() const {
        return triangles_ + static_cast<int64_t>(triangles.size() / 3);
    }

    const int material;
    Array<Corner> corners;  // per vertex
    Array<int32_t> triangles;

  private:
    CornerTable given_;  // the corners with a normal from the file
    // The corners with a computed normal, of the run of faces that share the last one.
    CornerTable run_;
    int32_t run_normal_ = 0;
    size_t run_start_ = 0;  // no vertex before it has the run's normal
    int64_t vertices_ = 0;  // released ones
    int64_t triangles_ = 0;
};

// An OBJ object or group: its meshes in order of first use and the groups nested in it.
class Group {
  public:
    explicit Group(std::string name) : name(std::move(name)) {}

    // The child of that name, made on first use; a name met again continues its group.
    Group* child(const std::string& child_name);
    Mesh* mesh(int material);
    // Whether this group or one nested in it has a triangle.
    bool has_faces() const;

    const std::string name;
    std::vector<std::unique_ptr<Group>> children;
    std::vector<std::unique_ptr<Mesh>> meshes;

  private:
    std::unordered_map<std::string, Group*> child_index_;
    std::unordered_map<int, Mesh*> mesh_index_;
};

}  // namespace vistrel_obj
