// The camera the preview looks through: the scene's camera block, or one that frames the whole
// scene when the file has no usable camera.
//
// The block holds position, direction and up in model coordinates, as the modeller gave them,
// the field of view in degrees, and a transform that exchanges the first and third axes. That
// transform relates the modeller's camera frame to the renderer's and moves no point of the
// model, so the picture is taken from `position` along `direction`, with `up` upwards and
// direction x up to the right, as the modeller framed it. The field of view is the full
// vertical angle of the picture, as the modeller measures it by default; the horizontal angle
// follows from the picture's width.
#pragma once

#include <string>
#include <vector>

#include "preview_math.h"
#include "scene_model.h"

namespace inspect {

struct PreviewCamera {
    Vec3 eye;
    Vec3 forward, right, up;  // unit vectors, square to each other
    float tan_half_fov = 0;   // tangent of half the vertical field of view
};

// False, with a warning saying why, when the scene has no camera or its position or
// direction cannot be used. An unusable up or field of view is replaced, with a warning.
bool camera_from_scene(const Scene& scene, PreviewCamera& camera,
                       std::vector<std::string>& warnings);

// Looks along -z, +y up, from far enough that the box's bounding sphere fills the height.
PreviewCamera framing_camera(Vec3 low, Vec3 high);

}  // namespace inspect
