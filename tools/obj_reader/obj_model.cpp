#include "obj_model.h"

#include <algorithm>

namespace vistrel_obj {

namespace {

uint64_t corner_hash(const Corner& c) {
    uint64_t h = static_cast<uint32_t>(c.position) * 0x9E3779B97F4A7C15ull;
    h ^= (static_cast<uint64_t>(static_cast<uint32_t>(c.uv)) << 32 |
          static_cast<uint32_t>(c.normal)) *
         0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 29);
}

bool same(const Corner& a, const Corner& b) {
    return a.position == b.position && a.uv == b.uv && a.normal == b.normal;
}

}  // namespace

int32_t Mesh::find_or_add(const Corner& corner) {
    if (corners_.size() * 2 >= table_.size()) {
        // Rehash at half load, so that probe runs stay short.
        std::vector<int32_t> old(std::max<size_t>(64, table_.size() * 2), 0);
        old.swap(table_);
        const size_t mask = table_.size() - 1;
        for (int32_t number : old) {
            if (number == 0) continue;
            size_t slot = corner_hash(corners_[number - 1]) & mask;
            while (table_[slot] != 0) slot = (slot + 1) & mask;
            table_[slot] = number;
        }
    }
    const size_t mask = table_.size() - 1;
    size_t slot = corner_hash(corner) & mask;
    while (table_[slot] != 0) {
        if (same(corners_[table_[slot] - 1], corner)) return table_[slot];
        slot = (slot + 1) & mask;
    }
    corners_.push_back(corner);
    table_[slot] = static_cast<int32_t>(corners_.size());
    return -table_[slot];  // new: the caller appends its values
}

int32_t Mesh::vertex(const Corner& corner, const float* position, const float* uv,
                     const float* normal) {
    const int32_t found = find_or_add(corner);
    if (found > 0) return found;
    positions.insert(positions.end(), position, position + 3);
    normals.insert(normals.end(), normal, normal + 3);
    if (uv) {
        uvs.insert(uvs.end(), uv, uv + 2);
    } else {
        uvs.insert(uvs.end(), {0.0f, 0.0f});
    }
    ++vertices_;
    return -found;
}

void Mesh::finish() {
    std::vector<Corner>().swap(corners_);
    std::vector<int32_t>().swap(table_);
}

void Mesh::release() {
    finish();
    triangles_ = triangle_count();
    std::vector<float>().swap(positions);
    std::vector<float>().swap(normals);
    std::vector<float>().swap(uvs);
    std::vector<int32_t>().swap(triangles);
}

Group* Group::child(const std::string& child_name) {
    auto found = child_index_.find(child_name);
    if (found != child_index_.end()) return found->second;
    children.push_back(std::make_unique<Group>(child_name));
    child_index_.emplace(child_name, children.back().get());
    return children.back().get();
}

Mesh* Group::mesh(int material) {
    for (auto& m : meshes) {
        if (m->material == material) return m.get();
    }
    meshes.push_back(std::make_unique<Mesh>(material));
    return meshes.back().get();
}

bool Group::has_faces() const {
    return std::any_of(meshes.begin(), meshes.end(),
                       [](const auto& m) { return m->triangle_count() > 0; }) ||
           std::any_of(children.begin(), children.end(),
                       [](const auto& g) { return g->has_faces(); });
}

}  // namespace vistrel_obj
