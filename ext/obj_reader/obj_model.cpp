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

int32_t Mesh::vertex(const Corner& corner) {
    if (corners.size() * 2 >= table_.size()) {
        // Rehash at half load, so that probe runs stay short.
        std::vector<int32_t> old(std::max<size_t>(64, table_.size() * 2), 0);
        old.swap(table_);
        const size_t mask = table_.size() - 1;
        for (int32_t number : old) {
            if (number == 0) continue;
            size_t slot = corner_hash(corners[number - 1]) & mask;
            while (table_[slot] != 0) slot = (slot + 1) & mask;
            table_[slot] = number;
        }
    }
    const size_t mask = table_.size() - 1;
    size_t slot = corner_hash(corner) & mask;
    while (table_[slot] != 0) {
        if (same(corners[table_[slot] - 1], corner)) return table_[slot];
        slot = (slot + 1) & mask;
    }
    corners.push_back(corner);
    return table_[slot] = static_cast<int32_t>(corners.size());
}

void Mesh::finish() {
    std::vector<int32_t>().swap(table_);
}

void Mesh::release() {
    finish();
    vertices_ = vertex_count();
    triangles_ = triangle_count();
    std::vector<Corner>().swap(corners);
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
    Mesh*& found = mesh_index_[material];
    if (!found) {
        meshes.push_back(std::make_unique<Mesh>(material));
        found = meshes.back().get();
    }
    return found;
}

bool Group::has_faces() const {
    return std::any_of(meshes.begin(), meshes.end(),
                       [](const auto& m) { return m->triangle_count() > 0; }) ||
           std::any_of(children.begin(), children.end(),
                       [](const auto& g) { return g->has_faces(); });
}

}  // namespace vistrel_obj
