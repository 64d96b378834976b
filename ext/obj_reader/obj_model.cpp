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

int32_t CornerTable::vertex(Array<Corner>& corners, const Corner& corner) {
    if (entries_ * 2 >= table_.size()) grow(corners);
    const size_t mask = table_.size() - 1;
    size_t slot = corner_hash(corner) & mask;
    while (table_[slot] != 0) {
        if (same(corners[table_[slot] - 1], corner)) return table_[slot];
        slot = (slot + 1) & mask;
    }
    corners.push_back(corner);
    ++entries_;
    return table_[slot] = static_cast<int32_t>(corners.size());
}

void CornerTable::add(const Array<Corner>& corners, int32_t number) {
    if (entries_ * 2 >= table_.size()) grow(corners);
    const size_t mask = table_.size() - 1;
    size_t slot = corner_hash(corners[number - 1]) & mask;
    while (table_[slot] != 0) slot = (slot + 1) & mask;
    table_[slot] = number;
    ++entries_;
}

// Rehash at half load, so that probe runs stay short.
void CornerTable::grow(const Array<Corner>& corners) {
    Array<int32_t> old(std::max<size_t>(64, table_.size() * 2), 0);
    old.swap(table_);
    entries_ = 0;
    for (int32_t number : old) {
        if (number != 0) add(corners, number);
    }
}

void CornerTable::clear() {
    Array<int32_t>().swap(table_);
    entries_ = 0;
}

int32_t Mesh::vertex(const Corner& corner) {
    if (corner.normal >= 0) return given_.vertex(corners, corner);
    // A computed normal belongs to one run of faces in one plane, which comes in one piece:
    // its corners can only meet again within the run.
    if (corner.normal != run_normal_) {
        run_normal_ = corner.normal;
        run_start_ = corners.size();
        run_.clear();
    }
    if (run_.empty()) {
        constexpr size_t kShortRun = 16;  // searched one by one
        if (corners.size() - run_start_ < kShortRun) {
            for (size_t i = run_start_; i < corners.size(); ++i) {
                if (same(corners[i], corner)) return static_cast<int32_t>(i + 1);
            }
            corners.push_back(corner);
            return static_cast<int32_t>(corners.size());
        }
        for (size_t i = run_start_; i < corners.size(); ++i) {
            if (corners[i].normal == run_normal_) run_.add(corners, static_cast<int32_t>(i + 1));
        }
    }
    return run_.vertex(corners, corner);
}

void Mesh::finish() {
    given_.clear();
    run_.clear();
}

void Mesh::release() {
    finish();
    vertices_ = vertex_count();
    triangles_ = triangle_count();
    Array<Corner>().swap(corners);
    Array<int32_t>().swap(triangles);
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
