// The preview picture: known colours at known pixels of small scenes written by the exporter,
// and the sample model's picture through bin/vistrel-export --preview.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "SketchupExporter.h"
#include "file_bytes.h"
#include "scene_meshes.h"
#include "scene_parser.h"
#include "scene_placements.h"
#include "scene_render.h"
#include "test_files.h"

namespace {

using Matrix = std::array<float, 16>;
using Rgb = std::array<int, 3>;
const Rgb kBackground = {224, 230, 238};
const Matrix kShift5 = {1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // x + 5
const Matrix kDouble = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1};
const Matrix kTurn45 = {0.7071f, 0, 0.7071f, 0, 0, 1, 0, 0, -0.7071f, 0, 0.7071f, 0, 0, 0, 0, 1};
const Matrix kStandUp = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1};  // +z turns to -y

const Matrix kRaise3 = {1, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1, 0, 0, 0, 0, 1};  // y + 3

// A square facing +z at depth z with uvs 0 to 1 across it, inside nested groups (outermost first).
// With placements it is written once as a definition, and each placement is a group inside
// those groups, with its transform and an instance line.
struct Square {
    float x, y, z, half;
    Rgb colour;
    float alpha = 1;
    const char* texture = "";
    std::vector<Matrix> groups = {};
    std::vector<Matrix> placements = {};
};

struct Case {
    const char* name;
    std::vector<Square> squares;
    std::vector<std::pair<std::array<int, 2>, Rgb>> pixels;  // at (x, y) of an 80x60 picture
    std::string warning = "";
    std::array<float, 3> eye = {0, 0, 10}, dir = {0, 0, -1}, up = {0, 1, 0};
};

inspect::RgbImage render(const Case& c, const std::string& dir,
                         std::vector<std::string>& warnings) {
    const std::string path = dir + "/scene.vsf";
    SketchupExporter exporter;
    exporter.open_file("test", path.c_str(), c.eye.data(), c.dir.data(), c.up.data(), 90, 0, true);
    tavScene_api& writer = *exporter.get_writer();
    auto enter = [&](const std::vector<Matrix>& groups) {
        for (const Matrix& m : groups) {
            exporter.begin_group("");
            exporter.transform(m.data());
        }
    };
    for (const Square& s : c.squares) {
        const std::string definition = "square " + std::to_string(&s - c.squares.data());
        const bool placed = !s.placements.empty();
        if (placed) writer.begin_group(definition.c_str(), false);
        if (!placed) enter(s.groups);
        const float l = s.x - s.half, r = s.x + s.half, b = s.y - s.half, t = s.y + s.half;
        const float vs[12] = {l, b, s.z, r, b, s.z, r, t, s.z, l, t, s.z};
        const float ns[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1},
                    uvs[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1};
        const int fs[6] = {1, 2, 3, 1, 3, 4};
        exporter.add_faces(4, 2, vs, fs, ns, uvs, "m", s.texture, s.colour[0], s.colour[1],
                           s.colour[2], s.alpha);
        if (placed) {
            writer.end_group();
            enter(s.groups);
            for (const Matrix& m : s.placements) {
                enter({m});
                writer.instance(definition.c_str());
                exporter.end_group();
            }
        }
        for (std::size_t i = 0; i < s.groups.size(); ++i) exporter.end_group();
    }
    exporter.close_file();
    const inspect::FileBytes bytes = inspect::read_file(path);
    const inspect::ParseResult parsed = inspect::parse_scene(bytes.data.get(), bytes.size);
    const inspect::PreviewOptions options{80, 60, dir};
    const auto meshes = inspect::find_meshes(parsed.scene);
    return inspect::render_preview(
        parsed.scene, meshes, inspect::find_placements(parsed.scene, meshes), options, warnings);
}

// Camera at z = 10 looking down -z with a 90-degree field of view: the plane z = 0 spans
// x from -13.3 to 13.3 and y from -10 to 10, pixel (40, 30) looks at the origin.
TEST(Preview, KnownColoursAtKnownPixels) {
    // clang-format off
    const Case cases[] = {
        {"square in front", {{0, 0, 0, 3, {255, 0, 0}}}, {{{40, 30}, {255, 0, 0}}, {{2, 2}, kBackground}}},
        {"square behind the camera", {{0, 0, 20, 3, {255, 0, 0}}}, {{{40, 30}, kBackground}}},
        // Doubled first, then moved: x from 3 to 7, not from 8 to 12.
        {"nested group transforms", {{0, 0, 0, 1, {0, 255, 0}, 1, "", {kShift5, kDouble}}},
         {{{55, 30}, {0, 255, 0}}, {{40, 30}, kBackground}, {{70, 30}, kBackground}}},
        {"half transparent over blue and over the background",
         {{0, 0, -1, 2, {0, 0, 255}}, {0, 0, 0, 4, {255, 0, 0}, 0.5f}},
         {{{40, 30}, {128, 0, 128}}, {{49, 30}, {240, 115, 119}}}},
        {"textured quadrants", {{0, 0, 0, 5, {90, 90, 90}, 1, "quad.png"}},
         {{{30, 22}, {255, 0, 0}}, {{50, 22}, {0, 255, 0}}, {{30, 37}, {0, 0, 255}}, {{50, 37}, {255, 255, 255}}}},
        {"missing texture in the material's colour", {{0, 0, 0, 5, {90, 90, 90}, 1, "none.png"}},
         {{{30, 22}, {90, 90, 90}}}, "none.png\" of material \"m\" not loaded (No such file"},
        {"named pipe as texture, never opened", {{0, 0, 0, 5, {90, 90, 90}, 1, "pipe.png"}},
         {{{30, 22}, {90, 90, 90}}}, "pipe.png\" of material \"m\" not loaded (not a regular file)"},
        {"a small file declaring a huge image", {{0, 0, 0, 5, {90, 90, 90}, 1, "huge.jpg"}},
         {{{30, 22}, {90, 90, 90}}}, "(26000x26000 pixels, over the preview's limit of 67108864"},
        // Rays cannot start beyond 1.8e18: the scene and the camera are shrunk together. A
        // square turned 45 degrees gets 0.3 + 0.7 cos 45 of the light, though its normal is huge.
        {"camera beyond the rays' reach", {{0, 0, 0, 1e18f, {255, 0, 0}, 1, "", {kTurn45}}},
         {{{40, 30}, {203, 0, 0}}, {{40, 10}, kBackground}}, "", {0, 0, 2e18f}},
        // Placed twice inside a doubling group, never where it is defined: moved, then doubled.
        // Off the axis a surface gets 0.3 + 0.7 cos of the angle to the ray of the light.
        {"placed definition", {{0, 0, 0, 1, {0, 255, 0}, 1, "quad.png", {kDouble}, {kShift5, kRaise3}}},
         {{{66, 26}, {210, 0, 0}}, {{74, 34}, {195, 195, 195}}, {{43, 9}, {0, 223, 0}}, {{40, 30}, kBackground}}},
        // Normals of a placement turn with it; a placement is shrunk with the scene.
        {"turned placement beyond the rays' reach", {{0, 0, 0, 1e18f, {255, 0, 0}, 1, "", {}, {kTurn45}}},
         {{{40, 30}, {203, 0, 0}}, {{40, 10}, kBackground}}, "", {0, 0, 2e18f}},
        {"framed from beyond the rays' reach", {{0, 0, 0, 1e18f, {255, 0, 0}}},
         {{{40, 30}, {255, 0, 0}}, {{2, 2}, kBackground}}, "no usable position and direction", {0, 0, 0}, {0, 0, 0}},
        // The modeller's z-up camera: +x to the right of the picture, +z at the top.
        {"z-up camera", {{0, 0, 0, 1, {255, 0, 0}, 1, "", {kShift5, kStandUp}}, {0, 5, 0, 1, {0, 0, 255}, 1, "", {kStandUp}}},
         {{{55, 30}, {255, 0, 0}}, {{40, 15}, {0, 0, 255}}}, "", {0, -10, 0}, {0, 1, 0}, {0, 0, 1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        TemporaryFolder dir;
        const std::uint8_t quad[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
        stbi_write_png((dir.path() + "/quad.png").c_str(), 2, 2, 3, quad, 6);
        mkfifo((dir.path() + "/pipe.png").c_str(), 0600);
        // A 2x2 JPEG whose frame header claims 26000 x 26000 pixels (3 GB to decode).
        std::string jpeg;
        stbi_write_jpg_to_func(
            [](void* out, void* data, int size) {
                static_cast<std::string*>(out)->append(static_cast<char*>(data), size);
            },
            &jpeg, 2, 2, 3, quad, 90);
        jpeg.replace(jpeg.find("\xff\xc0") + 5, 4, "\x65\x90\x65\x90");
        std::ofstream(dir.path() + "/huge.jpg", std::ios::binary) << jpeg;
        std::vector<std::string> warnings;
        const inspect::RgbImage image = render(c, dir.path(), warnings);
        for (const auto& [at, rgb] : c.pixels) {
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(image.rgb[3 * (at[1] * 80 + at[0]) + i], rgb[i], 20)
                    << c.name << " at " << at[0] << "," << at[1];
            }
        }
        const std::string first = warnings.empty() ? "" : warnings.front();
        EXPECT_NE(first.find(c.warning), std::string::npos) << c.name << ": " << first;
        EXPECT_EQ(warnings.size(), c.warning.empty() ? 0u : 1u) << c.name;
    }
}

// Definitions that each place the one before twice multiply: 2^21 placements from a 6 KB file.
// The picture stops at its limit, with a warning, in a bounded time and memory.
TEST(Preview, MultiplyingPlacementsStopAtTheLimit) {
    TemporaryFolder dir;
    const std::string path = dir.path() + "/nested.vsf";
    const float eye[3] = {0, 0, 10}, forward[3] = {0, 0, -1}, up[3] = {0, 1, 0};
    SketchupExporter exporter;
    exporter.open_file("test", path.c_str(), eye, forward, up, 90, 0, true);
    tavScene_api& writer = *exporter.get_writer();
    const float vs[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0}, ns[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1},
                uvs[9] = {};
    const int fs[3] = {1, 2, 3};
    writer.begin_group("d0", false);
    exporter.add_faces(3, 1, vs, fs, ns, uvs, "m", "", 255, 0, 0, 1);
    writer.end_group();
    for (int level = 1; level <= 22; ++level) {
        const std::string name = "d" + std::to_string(level),
                          inner = "d" + std::to_string(level - 1);
        if (level < 22) writer.begin_group(name.c_str(), false);
        for (const Matrix& m : {kShift5, kRaise3}) {
            exporter.begin_group("");
            exporter.transform(m.data());
            writer.instance(inner.c_str());
            exporter.end_group();
            if (level == 22) break;
        }
        if (level < 22) writer.end_group();
    }
    exporter.close_file();
    const inspect::FileBytes bytes = inspect::read_file(path);
    const inspect::ParseResult parsed = inspect::parse_scene(bytes.data.get(), bytes.size);
    const auto meshes = inspect::find_meshes(parsed.scene);
    std::vector<std::string> warnings;
    inspect::render_preview(parsed.scene, meshes, inspect::find_placements(parsed.scene, meshes),
                            {80, 60, dir.path()}, warnings);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "the preview shows at most 65536 placements of definitions; the rest are left out");
}

int run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The picture's width and height, 0 x 0 when there is none; its pixels stay in `rgb`.
std::pair<int, int> load(const std::string& png, std::vector<std::uint8_t>& rgb) {
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(png.c_str(), &width, &height, &channels, 3);
    if (pixels) rgb.assign(pixels, pixels + 3 * width * height);
    stbi_image_free(pixels);
    return {width, height};
}

TEST(Preview, CommandWritesThePictureOrRefuses) {
    TemporaryFolder dir;
    std::vector<std::string> warnings;
    // writes scene.vsf, with a texture "quad.png" that is not there
    render({"red", {{0, 0, 0, 3, {255, 0, 0}, 1, "quad.png"}}, {}}, dir.path(), warnings);
    const std::string scene = dir.path() + "/scene.vsf", png = dir.path() + "/out.png";
    const std::string bytes = read_file(scene);
    std::filesystem::copy_file(scene, dir.path() + "/cut.vsf");
    std::filesystem::resize_file(dir.path() + "/cut.vsf", 300);
    std::filesystem::create_symlink(scene, dir.path() + "/link.obj");
    const std::tuple<std::string, int, std::pair<int, int>> runs[] = {
        {scene + " --png " + png, 0, {800, 600}},
        {scene + " --png " + png + " --size 64x48", 0, {64, 48}},
        {scene + " --png " + png + " --size 64x0", 2, {0, 0}},
        {scene + " --png " + png + " --size 4294967297x600", 2, {0, 0}},
        {scene + " --png " + dir.path() + "/no/out.png", 2, {0, 0}},
        {dir.path() + "/cut.vsf --png " + png, 3, {0, 0}},
        // No output replaces the scene or its texture, under any name.
        {scene + " --png " + scene, 2, {0, 0}},
        {scene + " --obj " + dir.path() + "/link.obj", 2, {0, 0}},
        {scene + " --png " + dir.path() + "/quad.png", 2, {0, 0}},
        {"--png " + png + " -- " + scene, 0, {800, 600}}};  // after --, a name may begin with -
    for (const auto& [arguments, status, size] : runs) {
        std::filesystem::remove(png);
        std::vector<std::uint8_t> rgb;
        EXPECT_EQ(run(VISTREL_INSPECT " --quiet " + arguments), status) << arguments;
        EXPECT_EQ(load(png, rgb), size) << arguments;
        EXPECT_TRUE(read_file(scene) == bytes && !std::filesystem::exists(dir.path() + "/quad.png"))
            << arguments;
    }
}

// Through the export driver: the whole room in the frame, the red ball, the blue vase and the
// wood texture of the table.
TEST(Preview, SampleModelIsInTheFrameInItsColours) {
    if (!std::filesystem::exists(VISTREL_EXTENSION_DIR "/vistrel_sketchup_plugin.so")) GTEST_SKIP();
    TemporaryFolder dir;
    const std::string png = dir.path() + "/room.png", scene = dir.path() + "/room.vsf";
    ASSERT_EQ(run("VISTREL_EXTENSION_DIR=" VISTREL_EXTENSION_DIR " VISTREL_INSPECT=" VISTREL_INSPECT
                  " ruby " VISTREL_SOURCE_DIR "/bin/vistrel-export -q -o " +
                  scene + " --preview " + png),
              0);
    std::vector<std::uint8_t> rgb;
    ASSERT_EQ(load(png, rgb), std::make_pair(800, 600));
    int border = 0, red = 0, blue = 0, wood = 0;
    for (int i = 0; i < 800 * 600; ++i) {
        const int x = i % 800, y = i / 800, r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        const bool edge = x == 0 || y == 0 || x == 799 || y == 599;
        border += edge && Rgb{r, g, b} != kBackground;
        red += r > 120 && g < 70 && b < 70;
        blue += b > 110 && b > r + 60;
        wood += r > g + 20 && g > b + 20 && g > 50;
    }
    EXPECT_TRUE(border == 0 && red > 500 && blue > 100 && wood > 2000)
        << "border " << border << ", red " << red << ", blue " << blue << ", wood " << wood;
}

}  // namespace
