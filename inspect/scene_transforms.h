// Where the groups of a scene place what they hold: the transform lines of each group, composed
// with those of the groups around it.
#pragma once

#include <vector>

#include "preview_math.h"
#include "scene_meshes.h"
#include "scene_model.h"

namespace inspect {

// A 4 by 4 matrix for points as rows multiplied from the left: the translation is the 13th to
// 15th number. Transform lines are read into it transposed (see group_matrix).
struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    bool is_identity() const;
    bool is_finite() const;
    Vec3 apply(Vec3 p) const;
    // A normal carried along: the cofactors of the linear part, which are its inverse transpose
    // times the determinant. The result is not normalised.
    Vec3 apply_to_normal(Vec3 n) const;
    // True when the matrix mirrors, which turns the order of a triangle's corners round.
    bool mirrors() const;
};

// This transform applied first, then `outer`.
Matrix4 operator*(const Matrix4& inner, const Matrix4& outer);

// The group's transform lines in file order, each applied after the ones before it.
Matrix4 group_matrix(const Block& group);

// For each group of the list, what takes its contents to the coordinates of the definition
// that encloses it (a "#define group", whose own transform lines count), or to the world when
// no definition does. Each is computed once from its parent's.
std::vector<Matrix4> place_groups(const GroupList& groups);

}  // namespace inspect
