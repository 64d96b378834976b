#include "preview_camera.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "scene_meshes.h"
#include "scene_text.h"

namespace inspect {

namespace {

constexpr float kDefaultFov = 45.0f;
constexpr float kPi = 3.14159265358979f;

// The three numbers of a keyword line such as "position 1 2 3"; false when there are fewer.
bool vector_param(const Block& block, const char* name, Vec3& out) {
    const Param* param = block.find_param(name);
    if (!param) return false;
    float values[3];
    int found = 0;
    for (const Value& value : param->values) {
        if (value.kind == Value::Kind::number && found < 3) {
            values[found++] = static_cast<float>(value.number);
        }
    }
    if (found < 3) return false;
    out = {values[0], values[1], values[2]};
    return is_finite(out);
}

// The first number of a keyword line, or 0.
double number_param(const Block& block, const char* name) {
    const Param* param = block.find_param(name);
    if (!param || param->values.empty()) return 0;
    const Value& value = param->values.front();
    return value.kind == Value::Kind::number ? value.number : 0;
}

float tan_half(float degrees) {
    return std::tan(degrees * kPi / 360.0f);
}

}  // namespace

bool camera_from_scene(const Scene& scene, PreviewCamera& camera,
                       std::vector<std::string>& warnings) {
    const Block* block = find_camera(scene.root);
    if (!block) {
        warnings.push_back("the scene has no camera; the preview shows all of it from the front");
        return false;
    }
    const std::string name = "camera " + quoted(block->name());
    Vec3 forward, up;
    if (!vector_param(*block, "position", camera.eye) ||
        !vector_param(*block, "direction", forward) || !normalize(forward)) {
        warnings.push_back(name + " has no usable position and direction; the preview shows " +
                           "all of the scene from the front");
        return false;
    }
    const bool has_up = vector_param(*block, "up", up);
    Vec3 right = cross(forward, up);
    if (!has_up || !normalize(right)) {
        warnings.push_back(name + ": up is missing or along the direction; +z or +y is up");
        right = cross(forward, {0, 0, 1});
        if (!normalize(right)) {
            right = cross(forward, {0, 1, 0});
            normalize(right);
        }
    }
    camera.forward = forward;
    camera.right = right;
    camera.up = cross(right, forward);
    const double degrees = number_param(*block, "fov");
    if (!(degrees > 0 && degrees < 180)) {
        warnings.push_back(name + ": fov is missing or not between 0 and 180; 45 is used");
    }
    camera.tan_half_fov = tan_half(degrees > 0 && degrees < 180 ? float(degrees) : kDefaultFov);
    return true;
}

PreviewCamera framing_camera(Vec3 low, Vec3 high) {
    // In double, so that a box spanning most of the float range still gets a finite eye.
    const double centre[3] = {(double(low.x) + high.x) / 2, (double(low.y) + high.y) / 2,
                              (double(low.z) + high.z) / 2};
    const double size[3] = {double(high.x) - low.x, double(high.y) - low.y, double(high.z) - low.z};
    double radius = std::sqrt(size[0] * size[0] + size[1] * size[1] + size[2] * size[2]) / 2;
    if (!(radius > 0) || !std::isfinite(radius)) radius = 1;
    PreviewCamera camera;
    camera.tan_half_fov = tan_half(kDefaultFov);
    const double distance = 1.05 * radius / std::sin(kDefaultFov * kPi / 360.0);
    const bool centred = std::isfinite(centre[0] + centre[1] + centre[2]);
    const double z = std::min((centred ? centre[2] : 0) + distance, double(FLT_MAX));
    camera.eye =
        centred ? Vec3{float(centre[0]), float(centre[1]), float(z)} : Vec3{0, 0, float(z)};
    camera.forward = {0, 0, -1};
    camera.right = {1, 0, 0};
    camera.up = {0, 1, 0};
    return camera;
}

}  // namespace inspect
