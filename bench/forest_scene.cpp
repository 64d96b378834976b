// Writes a scene for timing the preview of placed definitions: one tree of about TRIANGLES
// triangles (a trunk and a crown, two materials) written once as a definition and placed
// PLACEMENTS times on a ground square, each placement turned and scaled a little, every tenth
// one nested in a moved group. The camera looks over the whole forest.
//
//   forest_scene OUT.vsf [PLACEMENTS] [TRIANGLES]      (default 1000 and 5000)
//   time build/inspect/vistrel-inspect OUT.vsf --png OUT.png --quiet
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "SketchupExporter.h"

namespace {

constexpr float kPi = 3.14159265f;

// A surface of revolution around z: `rings` + 1 circles of `sides` vertices, from radius(t) at
// height(t) for t from 0 to 1, each side of each band two triangles.
struct Lathe {
    std::vector<float> vs, ns, uvs;
    std::vector<int> fs;

    template <typename Radius, typename Height>
    Lathe(int rings, int sides, Radius radius, Height height) {
        for (int ring = 0; ring <= rings; ++ring) {
            const float t = float(ring) / rings, r = radius(t), z = height(t);
            const float slope =
                (radius(t + 1e-3f) - radius(t - 1e-3f)) / (height(t + 1e-3f) - height(t - 1e-3f));
            for (int side = 0; side <= sides; ++side) {
                const float a = 2 * kPi * side / sides, c = std::cos(a), s = std::sin(a);
                const float n = std::sqrt(1 + slope * slope);
                vs.insert(vs.end(), {r * c, r * s, z});
                ns.insert(ns.end(), {c / n, s / n, -slope / n});
                uvs.insert(uvs.end(), {float(side) / sides, t, 0});
            }
        }
        for (int ring = 0; ring < rings; ++ring) {
            for (int side = 0; side < sides; ++side) {
                const int a = ring * (sides + 1) + side + 1, b = a + sides + 1;
                fs.insert(fs.end(), {a, a + 1, b + 1, a, b + 1, b});
            }
        }
    }
    void write(SketchupExporter& exporter, const char* material, int r, int g, int b) const {
        exporter.add_faces(int(vs.size() / 3), int(fs.size() / 3), vs.data(), fs.data(), ns.data(),
                           uvs.data(), material, "", r, g, b, 1.0f);
    }
};

// Row-major, translation in the 4th, 8th and 12th numbers: turned by `angle` around z, scaled.
std::vector<float> placement(float x, float y, float angle, float scale) {
    const float c = std::cos(angle) * scale, s = std::sin(angle) * scale;
    return {c, -s, 0, x, s, c, 0, y, 0, 0, scale, 0, 0, 0, 0, 1};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: forest_scene OUT.vsf [PLACEMENTS] [TRIANGLES]\n");
        return 2;
    }
    const int placements = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int triangles = argc > 3 ? std::atoi(argv[3]) : 5000;
    const int sides = 24, trunk_rings = 2, crown_rings = std::max(1, triangles / (2 * sides) - 2);
    const Lathe trunk(
        trunk_rings, sides, [](float) { return 0.4f; }, [](float t) { return 3 * t; });
    const Lathe crown(
        crown_rings, sides,
        [](float t) { return 3.0f * std::sqrt(std::max(0.0f, t * (1 - t))) * 2; },
        [](float t) { return 2 + 7 * t; });
    const int columns = int(std::ceil(std::sqrt(placements * 1.6)));
    const int rows = (placements + columns - 1) / columns;
    const float spacing = 10, width = columns * spacing, depth = rows * spacing;
    try {
        SketchupExporter exporter;
        const float eye[3] = {width / 2, -0.45f * depth, 0.35f * depth};
        const float dir[3] = {0, 0.9f * depth, -0.35f * depth}, up[3] = {0, 0, 1};
        exporter.open_file("forest", argv[1], eye, dir, up, 45, 0, true);
        tavScene_api& writer = *exporter.get_writer();
        writer.begin_group("tree", false);
        trunk.write(exporter, "bark", 110, 80, 50);
        crown.write(exporter, "leaves", 40, 130, 50);
        writer.end_group();

        const float ground_vs[12] = {0, 0, 0, width, 0, 0, width, depth, 0, 0, depth, 0};
        const float ground_ns[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, ground_uvs[12] = {};
        const int ground_fs[6] = {1, 2, 3, 1, 3, 4};
        exporter.add_faces(4, 2, ground_vs, ground_fs, ground_ns, ground_uvs, "ground", "", 150,
                           140, 100, 1.0f);
        for (int i = 0; i < placements; ++i) {
            const float x = (i % columns + 0.5f) * spacing, y = (i / columns + 0.5f) * spacing;
            const float angle = float(i * 37 % 360) * kPi / 180,
                        scale = 0.8f + (i * 13 % 7) / 15.0f;
            const bool nested = i % 10 == 0;  // inside a group moved by 1 along x
            if (nested) {
                exporter.begin_group("grove");
                exporter.transform(placement(1, 0, 0, 1).data());
            }
            exporter.begin_group("");
            exporter.transform(placement(x - nested, y, angle, scale).data());
            writer.instance("tree");
            exporter.end_group();
            if (nested) exporter.end_group();
        }
        exporter.close_file();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "forest_scene: %s\n", error.what());
        return 1;
    }
    std::printf("%s: %d placements of a %d-triangle tree\n", argv[1], placements,
                int(trunk.fs.size() + crown.fs.size()) / 3);
    return 0;
}
