#include "obj_builder.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vistrel_obj {

void ObjBuilder::position(float x, float y, float z) {
    positions_.insert(positions_.end(), {x, y, z});
}

void ObjBuilder::uv(float u, float v) {
    uvs_.insert(uvs_.end(), {u, v});
}

void ObjBuilder::normal(float x, float y, float z) {
    normals_.insert(normals_.end(), {x, y, z});
}

// Newell's method, so that polygons that are not quite flat get their mean plane; a polygon
// without area gets any unit normal.
void ObjBuilder::face_normal(const Corner* corners, int count, float* normal) const {
    double x = 0, y = 0, z = 0;
    const size_t n = size_t(count);
    for (size_t i = 0; i < n; ++i) {
        const float* a = position_of(corners[i]);
        const float* b = position_of(corners[i + 1 == n ? 0 : i + 1]);
        x += (double(a[1]) - b[1]) * (double(a[2]) + b[2]);
        y += (double(a[2]) - b[2]) * (double(a[0]) + b[0]);
        z += (double(a[0]) - b[0]) * (double(a[1]) + b[1]);
    }
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length > 0 && std::isfinite(length)) {
        normal[0] = static_cast<float>(x / length);
        normal[1] = static_cast<float>(y / length);
        normal[2] = static_cast<float>(z / length);
    } else {
        normal[0] = 0.0f;
        normal[1] = 1.0f;
        normal[2] = 0.0f;
    }
}

void ObjBuilder::face(Corner* corners, int count) {
    bool without_normal = false;
    for (int i = 0; i < count; ++i) without_normal |= corners[i].normal == kNoNormal;
    int32_t computed = 0;
    if (without_normal) {
        float n[3];
        face_normal(corners, count, n);
        // A face in the plane of the face before shares its normal, so that flat runs of faces
        // share their vertices.
        const size_t last = face_normals_.size();
        if (last == 0 || n[0] != face_normals_[last - 3] || n[1] != face_normals_[last - 2] ||
            n[2] != face_normals_[last - 1]) {
            face_normals_.insert(face_normals_.end(), n, n + 3);
        }
        computed = -static_cast<int32_t>(face_normals_.size() / 3);
    }
    if (!mesh_) {
        if (!group_) group_ = root_.child(kDefaultGroup);
        mesh_ = group_->mesh(material_);
    }
    int32_t first = 0, previous = 0;
    for (int i = 0; i < count; ++i) {
        Corner& c = corners[i];
        if (c.normal == kNoNormal) c.normal = computed;
        const int32_t number = mesh_->vertex(c);
        extend_bounds(position_of(c));
        // Fan triangulation.
        if (i == 0) first = number;
        if (i >= 2) mesh_->add_triangle(first, previous, number);
        previous = number;
    }
    triangles_ += count - 2;
}

void ObjBuilder::extend_bounds(const float* p) {
    for (int axis = 0; axis < 3; ++axis) {
        min_[axis] = has_bounds_ ? std::min(min_[axis], p[axis]) : p[axis];
        max_[axis] = has_bounds_ ? std::max(max_[axis], p[axis]) : p[axis];
    }
    has_bounds_ = true;
}

void ObjBuilder::finish() {
    finish_group(root_);
}

void ObjBuilder::release() {
    for (auto* values : {&positions_, &uvs_, &normals_, &face_normals_})
        Array<float>().swap(*values);
}

void ObjBuilder::finish_group(Group& group) {
    for (auto& mesh : group.meshes) {
        mesh->finish();
        meshes_left_ += mesh->triangle_count() > 0;
    }
    for (auto& child : group.children) finish_group(*child);
}

void ObjBuilder::object(const std::string& name) {
    object_ = group_ = root_.child(name);
    mesh_ = nullptr;
}

// A group is nested in the object it appears in; a group named like its object is the object.
void ObjBuilder::group(const std::string& given) {
    const std::string name = given.empty() ? kDefaultGroup : given;
    if (!object_) {
        group_ = root_.child(name);
    } else if (name == object_->name) {
        group_ = object_;
    } else {
        group_ = object_->child(name);
    }
    mesh_ = nullptr;
}

void ObjBuilder::material(int id) {
    material_ = id;
    mesh_ = nullptr;
}

}  // namespace vistrel_obj
