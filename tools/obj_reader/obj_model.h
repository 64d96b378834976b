// The model as the reader builds it: a tree of groups, each with one mesh per material, whose
// per-vertex arrays are what the exporter's add_faces2 takes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vistrel_obj {

// A face corner as the file gives it, 0-based: position, texture coordinate (-1: none) and
// normal (>= 0: given; < 0: the computed normal number -1 - normal).
struct Corner {
    int32_t position;
    int32_t uv;
    int32_t normal;
};

// One material's faces in one group. Each distinct corner becomes one vertex; triangles hold
// vertex numbers counted from 1.
class Mesh {
  public:
    explicit Mesh(int material) : material(material) {}

    // The number of the corner's vertex, appended with the given values when it is new.
    int32_t vertex(const Corner& corner, const float* position, const float* uv,
                   const float* normal);
    void add_triangle(int32_t a, int32_t b, int32_t c) {
        triangles.insert(triangles.end(), {a, b, c});
    }
    // Drops the table that finds corners again once no more faces come.
    void finish();
    // Frees the arrays once they are handed over; the counts stay.
    void release();

    int64_t vertex_count() const { return vertices_; }
    int64_t triangle_count() const {
        return triangles_ + static_cast<int64_t>(triangles.size() / 3);
    }

    const int material;
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> normals;    // 3 per vertex
    std::vector<float> uvs;        // 2 per vertex
    std::vector<int32_t> triangles;

  private:
    int32_t find_or_add(const Corner& corner);

    std::vector<Corner> corners_;  // per vertex
    std::vector<int32_t> table_;   // open addressing: vertex number, 0 for a free slot
    int64_t vertices_ = 0;
    int64_t triangles_ = 0;  // released ones
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
};

}  // namespace vistrel_obj
