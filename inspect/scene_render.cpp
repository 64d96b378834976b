#include "scene_render.h"

#include <embree3/rtcore.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "preview_camera.h"
#include "preview_geometry.h"

namespace inspect {

namespace {

constexpr float kAmbient = 0.3f;       // the share of light a surface seen edge-on still gets
constexpr int kMaxLayers = 16;         // transparent surfaces a ray passes before it stops
constexpr float kOpaque = 1.0f / 512;  // light left below which nothing behind shows

// Embree casts rays only from points whose coordinates are within about 1.8e18.
constexpr float kRayReach = 1e18f;

// The vector times a power of two that brings its largest component near 1: the normals of
// very large or very small triangles, whose squares would overflow or vanish.
Vec3 near_unit(Vec3 a) {
    const float largest = std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)});
    if (!(largest > 0) || !std::isfinite(largest)) return a;
    return a * std::ldexp(1.0f, -std::ilogb(largest));
}

struct Tracer {
    const PreviewScene& scene;
    PreviewCamera camera;
    int width, height;

    // The colour seen through pixel (x, y), each channel 0 to 1.
    void trace(int x, int y, float rgb[3]) const {
        const float aspect = float(width) / float(height);
        const float sx = (2 * (x + 0.5f) / width - 1) * camera.tan_half_fov * aspect;
        const float sy = (1 - 2 * (y + 0.5f) / height) * camera.tan_half_fov;
        Vec3 d = camera.forward + camera.right * sx + camera.up * sy;
        normalize(d);
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        RTCRayHit ray{};
        ray.ray.org_x = camera.eye.x;
        ray.ray.org_y = camera.eye.y;
        ray.ray.org_z = camera.eye.z;
        ray.ray.dir_x = d.x;
        ray.ray.dir_y = d.y;
        ray.ray.dir_z = d.z;
        ray.ray.mask = ~0u;
        float through = 1;  // the share of light that still comes from behind
        for (int c = 0; c < 3; ++c) rgb[c] = 0;
        for (int layer = 0; layer < kMaxLayers && through > kOpaque; ++layer) {
            ray.ray.tfar = std::numeric_limits<float>::infinity();
            ray.hit.geomID = RTC_INVALID_GEOMETRY_ID;
            rtcIntersect1(scene.scene(), &context, &ray);
            if (ray.hit.geomID == RTC_INVALID_GEOMETRY_ID) break;
            const PreviewHit hit = scene.hit(ray.hit);
            const PreviewMaterial& material = *hit.material;
            float surface[3];
            material.colour(ray.hit.primID, ray.hit.u, ray.hit.v, surface);
            Vec3 normal = near_unit(hit.normal);
            const float facing = normalize(normal) ? std::fabs(dot(normal, d)) : 1;
            const float light = kAmbient + (1 - kAmbient) * facing;
            for (int c = 0; c < 3; ++c) rgb[c] += through * material.alpha * surface[c] * light;
            through *= 1 - material.alpha;
            // Go on just beyond this hit.
            ray.ray.tnear = ray.ray.tfar * (1 + 1e-5f) + 1e-7f;
        }
        for (int c = 0; c < 3; ++c) rgb[c] += through * kPreviewBackground[c] / 255.0f;
    }
};

std::uint8_t to_byte(float value) {
    const float scaled = value * 255 + 0.5f;
    return scaled >= 255 ? 255 : scaled > 0 ? std::uint8_t(scaled) : 0;
}

}  // namespace

bool parse_preview_size(const std::string& text, PreviewOptions& options) {
    // Digits only: a sign, a blank or a number too large for its type is no size.
    unsigned long width = 0, height = 0;
    const char* end = text.data() + text.size();
    const auto [x, width_error] = std::from_chars(text.data(), end, width);
    if (width_error != std::errc() || x == end || *x != 'x') return false;
    const auto [rest, height_error] = std::from_chars(x + 1, end, height);
    if (height_error != std::errc() || rest != end) return false;
    if (width < 1 || width > 16384 || height < 1 || height > 16384) return false;
    options.width = int(width);
    options.height = int(height);
    return true;
}

RgbImage render_preview(const Scene& scene, const std::vector<MeshRef>& meshes,
                        const ScenePlacements& placements, const PreviewOptions& options,
                        std::vector<std::string>& warnings) {
    PreviewScene preview;
    TextureCache textures;
    const std::vector<Matrix4> groups = place_groups(*placements.groups);
    // Each definition's scene is built at its first placement; 0 until then.
    std::vector<std::size_t> definition_scenes(placements.definitions.size(), 0);
    PlacementVisitor visitor;
    auto add = [&](std::size_t scene, const MeshRef& mesh, const Matrix4& world) {
        if (!mesh.vertices || !mesh.triangles) return;
        preview.add_mesh(scene, mesh, world, textures.find(mesh, options.scene_dir, warnings));
    };
    visitor.mesh = [&](std::size_t mesh, const Matrix4& world, std::size_t) {
        add(PreviewScene::kShown, meshes[mesh], world);
    };
    visitor.placement = [&](std::size_t index, const Matrix4& world) {
        const Definition& definition = placements.definitions[index];
        if (definition.own_triangles == 0) return Descend::into;
        if (preview.instance_count() == kPreviewPlacements) {
            warnings.push_back("the preview shows at most " + std::to_string(kPreviewPlacements) +
                               " placements of definitions; the rest are left out");
            return Descend::stop;
        }
        std::size_t& scene = definition_scenes[index];
        if (scene == 0) {
            scene = preview.add_definition_scene();
            for (const PlacedItem& item : definition.items) {
                if (item.kind != PlacedItem::Kind::mesh) continue;
                add(scene, meshes[item.index], mesh_matrix(meshes[item.index], groups));
            }
            preview.commit_definition_scene(scene);
        }
        preview.add_instance(scene, world);
        return Descend::into;
    };
    walk_placements(placements, meshes, groups, false, visitor);
    preview.commit();

    PreviewCamera camera;
    if (!camera_from_scene(scene, camera, warnings)) {
        Vec3 lower, upper;
        preview.bounds(lower, upper);
        camera = framing_camera(lower, upper);
    }
    // A camera farther out than rays can start from: the scene and the camera are shrunk
    // together by a power of two, which changes no pixel of the picture.
    const float farthest =
        std::max({std::fabs(camera.eye.x), std::fabs(camera.eye.y), std::fabs(camera.eye.z)});
    if (farthest > kRayReach) {
        const float factor = std::ldexp(1.0f, std::ilogb(kRayReach) - std::ilogb(farthest) - 1);
        preview.scale(factor);
        camera.eye = camera.eye * factor;
    }
    RgbImage image;
    image.width = options.width;
    image.height = options.height;
    image.rgb.resize(std::size_t(3) * image.width * image.height);
    const Tracer tracer{preview, camera, image.width, image.height};
    tbb::parallel_for(tbb::blocked_range<int>(0, image.height), [&](const auto& rows) {
        for (int y = rows.begin(); y != rows.end(); ++y) {
            std::uint8_t* pixel = &image.rgb[std::size_t(3) * y * image.width];
            for (int x = 0; x < image.width; ++x, pixel += 3) {
                float rgb[3];
                tracer.trace(x, y, rgb);
                for (int c = 0; c < 3; ++c) pixel[c] = to_byte(rgb[c]);
            }
        }
    });
    return image;
}

}  // namespace inspect
