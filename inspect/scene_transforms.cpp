#include "scene_transforms.h"

#include <algorithm>
#include <cmath>

#include "scene_meshes.h"

namespace inspect {

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    Matrix4 out;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[4 * row + k] * b.m[4 * k + column];
            out.m[4 * row + column] = sum;
        }
    }
    return out;
}

bool Matrix4::is_identity() const {
    const Matrix4 identity;
    return std::equal(m, m + 16, identity.m);
}

bool Matrix4::is_finite() const {
    return std::all_of(m, m + 16, [](float value) { return std::isfinite(value); });
}

Vec3 Matrix4::apply(Vec3 p) const {
    return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12],
            p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
            p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

Vec3 Matrix4::apply_to_normal(Vec3 n) const {
    // Rows of the linear part, for points as rows: p' = p.x * r0 + p.y * r1 + p.z * r2.
    const Vec3 r0{m[0], m[1], m[2]}, r1{m[4], m[5], m[6]}, r2{m[8], m[9], m[10]};
    // Normals go as rows through the inverse's transpose, proportional to these cofactors.
    const Vec3 c0 = cross(r1, r2), c1 = cross(r2, r0), c2 = cross(r0, r1);
    return {dot(c0, n), dot(c1, n), dot(c2, n)};
}

bool Matrix4::mirrors() const {
    const Vec3 r0{m[0], m[1], m[2]}, r1{m[4], m[5], m[6]}, r2{m[8], m[9], m[10]};
    return dot(r0, cross(r1, r2)) < 0;
}

// A line lists its matrix row by row, for points as columns (translation in the 4th, 8th and
// 12th numbers, as the modeller's scripts hand it over); Matrix4 holds the transpose, for points
// as rows.
Matrix4 group_matrix(const Block& group) {
    Matrix4 out;
    for (const Param& param : group.params) {
        if (param.name != "transform" || param.values.size() != 16) continue;
        Matrix4 line;
        for (int i = 0; i < 16; ++i) {
            line.m[i] = static_cast<float>(param.values[(i % 4) * 4 + i / 4].number);
        }
        out = out * line;
    }
    return out;
}

std::vector<Matrix4> place_groups(const GroupList& groups) {
    std::vector<Matrix4> out(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const GroupRef& group = groups[i];
        out[i] = group_matrix(*group.block);
        // A definition starts coordinates of its own; parents come before the groups they hold.
        if (group.parent != kNoGroup && group.block->keyword == "group") {
            out[i] = out[i] * out[group.parent];
        }
    }
    return out;
}

}  // namespace inspect
