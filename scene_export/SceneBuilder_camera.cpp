// The environment and the camera block.
#include "SceneBuilder.h"

namespace {

// Turns the environment image so that its up axis is the scene's.
const double environment_transform[16] = {0, 0, -1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1};

}  // namespace

void SceneBuilder::open_camera(const char* camera_name) {
    tavScene_api& scene = open_writer("open_camera");
    scene.begin_shader(nullptr, "tav_envmap");
    scene.set_param("texture", PARAM_STRING, "startup.hdr");
    scene.set_int_param("format", 3);
    scene.set_float_param("radius", 25.0f);
    scene.set_param("transform", PARAM_MATRIX, environment_transform);
    ShaderBuffer* environment = scene.current_shader();
    scene.end_shader(0);
    scene.begin_camera(camera_name);
    scene.set_param("reflection map", PARAM_SHADER, &environment);
}

void SceneBuilder::set_camera_position(float x, float y, float z) {
    const double position[3] = {x, y, z};
    open_writer("set_camera_position").set_vector_param("position", position);
}

void SceneBuilder::set_camera_direction(float x, float y, float z) {
    const double direction[3] = {x, y, z};
    open_writer("set_camera_direction").set_vector_param("direction", direction);
}

void SceneBuilder::set_camera_up(float x, float y, float z) {
    const double up[3] = {x, y, z};
    open_writer("set_camera_up").set_vector_param("up", up);
}

void SceneBuilder::set_camera_clipping(float near_plane, float far_plane) {
    const float clipping[2] = {near_plane, far_plane};
    open_writer("set_camera_clipping").set_param("clipping", PARAM_FLOAT2, clipping);
}

void SceneBuilder::set_camera_fov(float fov) {
    open_writer("set_camera_fov").set_float_param("fov", fov);
}

void SceneBuilder::close_camera() {
    open_writer("close_camera").end_camera();
}
