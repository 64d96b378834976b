#include "preview_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "scene_checks.h"
#include "scene_text.h"

namespace inspect {

namespace {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kLittleEndian = true;
#else
constexpr bool kLittleEndian = false;
#endif

// The first n numbers of an array; binary floats are copied byte for byte where the host
// shares the file's byte order.
void copy_floats(const ArrayData& array, std::size_t n, float* out) {
    if (kLittleEndian && array.is_binary() && array.tag != 'i') {
        std::memcpy(out, array.items, 4 * n);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) out[i] = array.float_at(i);
}

// The first n indices of an array; those that are negative or not whole numbers come out as
// the largest unsigned value, outside any vertex array.
void copy_indices(const ArrayData& array, std::size_t n, std::uint32_t* out) {
    if (kLittleEndian && array.is_binary()) {
        std::memcpy(out, array.items, 4 * n);  // a negative index turns into a large one
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::int64_t index = -1;
        const bool whole = array.index_at(i, index);
        out[i] = whole && index >= 0 ? std::uint32_t(index) : UINT32_MAX;
    }
}

float clamp01(float value) {
    return value >= 0 ? (value <= 1 ? value : 1) : 0;  // NaN becomes 0
}

RTCScene new_scene(RTCDevice device) {
    RTCScene scene = rtcNewScene(device);
    // The fastest build: on a million triangles it takes a fraction of what the rays save.
    rtcSetSceneBuildQuality(scene, RTC_BUILD_QUALITY_LOW);
    // Exact edge tests, so that no ray slips between two triangles that share an edge.
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    return scene;
}

}  // namespace

void PreviewMaterial::colour(unsigned triangle, float u, float v, float rgb[3]) const {
    for (int c = 0; c < 3; ++c) rgb[c] = diffuse[c];
    if (!texture) return;
    const float weights[3] = {1 - u - v, u, v};
    float tu = 0, tv = 0;
    for (std::size_t corner = 0; corner < 3; ++corner) {
        std::int64_t index = -1;
        uv_indices->index_at(3 * std::size_t(triangle) + corner, index);
        if (index < 0 || std::size_t(index) >= uv_count) return;
        tu += weights[corner] * uvs->float_at(2 * std::size_t(index));
        tv += weights[corner] * uvs->float_at(2 * std::size_t(index) + 1);
    }
    texture->sample(tu, tv, rgb);
}

const TextureImage* TextureCache::find(const MeshRef& mesh, const std::string& scene_dir,
                                       std::vector<std::string>& warnings) {
    if (mesh.texture.empty()) return nullptr;
    const std::string path = resolve_texture_path(mesh.texture, scene_dir);
    auto found = images_.find(path);
    if (found == images_.end()) {
        found = images_.emplace(path, TextureImage(path)).first;
        if (!found->second.loaded()) {
            warnings.push_back("texture " + quoted(path) + " of material " +
                               quoted(mesh.material_name) + " not loaded (" +
                               found->second.error() + "); drawn in the material's colour");
        }
    }
    return found->second.loaded() ? &found->second : nullptr;
}

PreviewScene::PreviewScene() : device_(rtcNewDevice(nullptr)) {
    if (!device_) {
        throw std::runtime_error("cannot start Embree: error " +
                                 std::to_string(rtcGetDeviceError(nullptr)));
    }
    rtcSetDeviceErrorFunction(device_, &PreviewScene::keep_error, this);
    layers_.emplace_back();
    layers_.back().scene = new_scene(device_);
}

PreviewScene::~PreviewScene() {
    for (Layer& layer : layers_) {
        if (layer.scene) rtcReleaseScene(layer.scene);
    }
    rtcReleaseDevice(device_);
}

void PreviewScene::keep_error(void* self, RTCError code, const char* text) {
    std::string& error = static_cast<PreviewScene*>(self)->error_;
    if (error.empty()) error = text ? text : "error " + std::to_string(code);
}

void PreviewScene::check() const {
    if (!error_.empty()) throw std::runtime_error("Embree: " + error_);
}

std::size_t PreviewScene::add_definition_scene() {
    layers_.emplace_back();
    layers_.back().scene = new_scene(device_);
    return layers_.size() - 1;
}

void PreviewScene::commit_definition_scene(std::size_t scene) {
    rtcCommitScene(layers_[scene].scene);
    check();
}

void PreviewScene::add_instance(std::size_t scene, const Matrix4& world) {
    if (world.is_finite()) instances_.push_back({scene, world});
}

// Instances take the ids after the meshes of the scene shown.
void PreviewScene::commit() {
    Layer& shown = layers_[kShown];
    first_instance_ = static_cast<unsigned>(shown.materials.size());
    for (std::size_t i = 0; i < instances_.size(); ++i) {
        RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_INSTANCE);
        rtcSetGeometryInstancedScene(geometry, layers_[instances_[i].layer].scene);
        rtcAttachGeometryByID(shown.scene, geometry, first_instance_ + static_cast<unsigned>(i));
        rtcReleaseGeometry(geometry);
        place(first_instance_ + static_cast<unsigned>(i));
    }
    rtcCommitScene(shown.scene);
    check();
}

// Matrix4 holds the matrix for points as rows: read column by column, it is the matrix for
// points as columns that Embree takes.
void PreviewScene::place(unsigned id) {
    RTCGeometry geometry = rtcGetGeometry(layers_[kShown].scene, id);
    rtcSetGeometryTransform(geometry, 0, RTC_FORMAT_FLOAT4X4_COLUMN_MAJOR,
                            instances_[id - first_instance_].world.m);
    rtcCommitGeometry(geometry);
}

PreviewHit PreviewScene::hit(const RTCHit& hit) const {
    const Vec3 normal{hit.Ng_x, hit.Ng_y, hit.Ng_z};
    if (hit.instID[0] == RTC_INVALID_GEOMETRY_ID) {
        return {&layers_[kShown].materials[hit.geomID], normal};
    }
    // Embree gives an instance's normal in the coordinates of its definition.
    const Instance& instance = instances_[hit.instID[0] - first_instance_];
    return {&layers_[instance.layer].materials[hit.geomID], instance.world.apply_to_normal(normal)};
}

void PreviewScene::bounds(Vec3& lower, Vec3& upper) const {
    RTCBounds box;
    rtcGetSceneBounds(layers_[kShown].scene, &box);
    lower = {box.lower_x, box.lower_y, box.lower_z};
    upper = {box.upper_x, box.upper_y, box.upper_z};
}

void PreviewScene::scale(float factor) {
    Layer& shown = layers_[kShown];
    for (std::size_t id = 0; id < shown.vertices.size(); ++id) {
        auto [points, count] = shown.vertices[id];
        for (float* p = points; p != points + 3 * count; ++p) *p *= factor;
        RTCGeometry geometry = rtcGetGeometry(shown.scene, static_cast<unsigned>(id));
        rtcUpdateGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0);
        rtcCommitGeometry(geometry);
    }
    for (std::size_t i = 0; i < instances_.size(); ++i) {
        float* m = instances_[i].world.m;
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 3; ++column) m[4 * row + column] *= factor;
        }
        place(first_instance_ + static_cast<unsigned>(i));
    }
    rtcCommitScene(shown.scene);
    check();
}

void PreviewScene::add_mesh(std::size_t into, const MeshRef& mesh, const Matrix4& world,
                            const TextureImage* texture) {
    Layer& layer = layers_[into];
    const std::size_t vertex_count = mesh.vertex_count();
    const std::size_t triangle_count = mesh.triangle_count();
    if (vertex_count == 0 || triangle_count == 0 || !mesh.triangles.data->holds_ints()) return;
    // One vertex more than used: Embree reads the last one with a 16-byte load.
    buffers_.push_back(allocate_large(12 * (vertex_count + 1)));
    auto* points = reinterpret_cast<float*>(buffers_.back().get());
    buffers_.push_back(allocate_large(12 * triangle_count));
    auto* corners = reinterpret_cast<std::uint32_t*>(buffers_.back().get());
    copy_floats(*mesh.vertices.data, 3 * vertex_count, points);
    for (int c = 0; c < 3; ++c) points[3 * vertex_count + c] = 0;
    if (!world.is_identity()) {
        for (float* p = points; p != points + 3 * vertex_count; p += 3) {
            const Vec3 moved = world.apply({p[0], p[1], p[2]});
            p[0] = moved.x;
            p[1] = moved.y;
            p[2] = moved.z;
        }
    }
    const ArrayData& triangles = *mesh.triangles.data;
    copy_indices(triangles, 3 * triangle_count, corners);
    for (std::uint32_t* t = corners; t != corners + 3 * triangle_count; t += 3) {
        // A triangle with an index outside the vertices becomes a point, which no ray hits.
        if (t[0] >= vertex_count || t[1] >= vertex_count || t[2] >= vertex_count) {
            t[0] = t[1] = t[2] = 0;
        }
    }
    RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
    rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, points, 0,
                               12, vertex_count);
    rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, corners, 0, 12,
                               triangle_count);
    rtcSetGeometryBuildQuality(geometry, RTC_BUILD_QUALITY_LOW);
    rtcCommitGeometry(geometry);
    // Hits name their geometry by id: the index of its material.
    rtcAttachGeometryByID(layer.scene, geometry, static_cast<unsigned>(layer.materials.size()));
    rtcReleaseGeometry(geometry);
    layer.vertices.emplace_back(points, vertex_count);

    PreviewMaterial material;
    for (int c = 0; c < 3; ++c) material.diffuse[c] = clamp01(mesh.diffuse[c]);
    material.alpha = std::isnan(mesh.alpha) ? 1 : clamp01(mesh.alpha);
    // Texture coordinates per vertex, or per corner through their own indices.
    if (texture && mesh.uvs) {
        const bool indexed =
            mesh.triangle_uvs && mesh.triangle_uvs.data->size() == triangles.size();
        material.uvs = mesh.uvs.data;
        material.uv_count = mesh.uvs.data->size() / 2;
        material.uv_indices = indexed ? mesh.triangle_uvs.data : &triangles;
        if (indexed || material.uv_count == vertex_count) material.texture = texture;
    }
    layer.materials.push_back(material);
}

}  // namespace inspect
