// Finds the meshes of a parsed scene: each object with its groups, geometry arrays, material
// and texture, as this product's exporter writes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene_model.h"

namespace inspect {

struct ArrayRef {
    const ArrayData* data = nullptr;
    std::size_t offset = 0;  // of the parameter line
    explicit operator bool() const { return data != nullptr; }
};

constexpr std::size_t kNoGroup = SIZE_MAX;

// A group that encloses objects, linked to the group enclosing it (kNoGroup at the top level).
// Groups are listed before the groups nested in them.
struct GroupRef {
    const Block* block = nullptr;
    std::size_t parent = kNoGroup;
};
using GroupList = std::vector<GroupRef>;

struct MeshRef {
    const Block* object = nullptr;
    // The enclosing groups, shared by every mesh of the scene, so that memory stays in
    // proportion to the file however deep the nesting; `group` is the innermost one.
    std::shared_ptr<const GroupList> groups;
    std::size_t group = kNoGroup;
    const Block* geometry = nullptr;
    ArrayRef vertices, normals, uvs, triangles, triangle_normals, triangle_uvs;

    const Block* material = nullptr;
    std::string material_name;
    const Block* surface = nullptr;  // the material's surface shader
    float diffuse[3] = {0.8f, 0.8f, 0.8f};
    bool has_diffuse = false;
    float alpha = 1.0f;
    std::string texture;  // the path of the linked texture shader, empty when none
    std::size_t texture_offset = 0;

    std::size_t vertex_count() const { return vertices ? vertices.data->size() / 3 : 0; }
    std::size_t triangle_count() const { return triangles ? triangles.data->size() / 3 : 0; }
    const Block* innermost_group() const {
        return group == kNoGroup ? nullptr : (*groups)[group].block;
    }
};

// Every object of the scene in file order, in groups and definitions alike.
std::vector<MeshRef> find_meshes(const Scene& scene);

bool is_group(const Block& block);
bool is_object(const Block& block);
// The first group at the top level of the file: the group an export is written into.
const Block* top_group(const Scene& scene);
// The first camera block at any depth.
const Block* find_camera(const Block& block);

}  // namespace inspect
