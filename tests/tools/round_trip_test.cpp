// Scenes written by the real writer and export layer, read back: what went in comes out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "SceneBuilder.h"
#include "file_bytes.h"
#include "scene_checks.h"
#include "scene_meshes.h"
#include "scene_parser.h"
#include "scene_summary.h"
#include "tavScene_api_file.h"

namespace {

struct Mesh {
    std::vector<float> vertices, normals, uvs;
    std::vector<std::int32_t> triangles;
};

// A fan of n triangles with awkward values: small, negative, non-round floats.
Mesh fan(int n, float z) {
    Mesh mesh;
    for (int i = 0; i <= n + 1; ++i) {
        const float angle = 0.37f * static_cast<float>(i);
        mesh.vertices.insert(mesh.vertices.end(), {std::cos(angle) * 1.1f, -std::sin(angle), z});
        mesh.normals.insert(mesh.normals.end(), {0.1f * i, 1e-7f, -0.333333f});
        mesh.uvs.insert(mesh.uvs.end(), {0.01f * i, 1.0f - 0.013f * i});
    }
    for (int i = 1; i <= n; ++i) mesh.triangles.insert(mesh.triangles.end(), {0, i, i + 1});
    return mesh;
}

void add(SceneBuilder& builder, const char* name, const Mesh& mesh, const char* texture) {
    builder.begin_mesh(name);
    builder.set_name(name);
    for (std::size_t i = 0; i < mesh.vertices.size() / 3; ++i) {
        builder.add_vertex(mesh.vertices[3 * i], mesh.vertices[3 * i + 1],
                           mesh.vertices[3 * i + 2]);
        builder.add_normal(mesh.normals[3 * i], mesh.normals[3 * i + 1], mesh.normals[3 * i + 2]);
        builder.add_uv(mesh.uvs[2 * i], mesh.uvs[2 * i + 1]);
    }
    for (std::size_t i = 0; i < mesh.triangles.size(); i += 3) {
        builder.add_triangle(mesh.triangles[i], mesh.triangles[i + 1], mesh.triangles[i + 2]);
    }
    builder.set_texture(texture);
    builder.set_diffuse(0.2f, 0.4f, 0.6f);
    builder.set_alpha(0.75f);
    builder.end_mesh();
}

std::vector<float> floats_of(const inspect::ArrayRef& array) {
    std::vector<float> out;
    for (std::size_t i = 0; i < array.data->size(); ++i) out.push_back(array.data->float_at(i));
    return out;
}

std::vector<std::int32_t> ints_of(const inspect::ArrayRef& array) {
    std::vector<std::int32_t> out;
    for (std::size_t i = 0; i < array.data->size(); ++i) {
        std::int64_t value = 0;
        array.data->index_at(i, value);
        out.push_back(static_cast<std::int32_t>(value));
    }
    return out;
}

class RoundTrip : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/inspect-round-trip-XXXXXX";
        dir_ = mkdtemp(name);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_;
};

TEST_F(RoundTrip, ReadsBackEveryMeshCameraAndMaterialTheExportLayerWrote) {
    const Mesh table = fan(5, 0.75f), chair = fan(3, -2.5f);
    std::ofstream(dir_ + "/wood.png") << "png";
    const std::string path = dir_ + "/room.vsf";
    {
        SceneBuilder builder;
        builder.open_scene(path.c_str(), "models\\room.v2.skp");
        builder.open_camera("last_active");
        builder.set_camera_position(1.5f, -2, 3);
        builder.set_camera_direction(0, 0.6f, -0.8f);
        builder.set_camera_up(0, 0.8f, 0.6f);
        builder.set_camera_fov(35.5f);
        const double exchange[16] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
        builder.get_writer()->transform(exchange, false);
        builder.close_camera();
        builder.open_group("furniture \"new\"");
        builder.open_group("table");
        add(builder, "wood", table, (dir_ + "/wood.png").c_str());
        builder.close_group();
        add(builder, "chair", chair, "");
        builder.set_progress(0.5f);
        builder.close_group();
        builder.close_scene();
    }

    const inspect::FileBytes bytes = inspect::read_file(path);
    const inspect::ParseResult parsed = inspect::parse_scene(bytes.data.get(), bytes.size);
    ASSERT_EQ(parsed.status, inspect::ParseStatus::ok) << parsed.message;
    const auto meshes = inspect::find_meshes(parsed.scene);
    EXPECT_TRUE(inspect::check_scene(parsed.scene, meshes, {dir_, true}).empty());
    ASSERT_EQ(meshes.size(), 2u);

    const Mesh* sources[] = {&table, &chair};
    for (int m = 0; m < 2; ++m) {
        const inspect::MeshRef& mesh = meshes[m];
        EXPECT_EQ(mesh.vertices.data->tag, 'c');
        EXPECT_EQ(floats_of(mesh.vertices), sources[m]->vertices);
        EXPECT_EQ(floats_of(mesh.normals), sources[m]->normals);
        EXPECT_EQ(floats_of(mesh.uvs), sources[m]->uvs);
        EXPECT_EQ(ints_of(mesh.triangles), sources[m]->triangles);
        EXPECT_EQ(mesh.surface->name(), "tav_advanced");
        EXPECT_EQ(mesh.alpha, 0.75f);
    }
    EXPECT_EQ(meshes[0].material_name, "wood");
    EXPECT_EQ(meshes[0].texture, dir_ + "/wood.png");
    EXPECT_EQ(meshes[1].texture, "");

    const std::string summary = inspect::summarize_scene(parsed.scene, meshes);
    EXPECT_EQ(summary.substr(0, summary.find("groups and objects:")),
              "top group: \"room\"\n"
              "camera \"last_active\":\n"
              "  position  1.5 -2 3\n"
              "  direction 0 0.6 -0.8\n"
              "  up        0 0.8 0.6\n"
              "  fov       35.5\n"
              "  environment \"tav_envmap\" texture \"startup.hdr\"\n");
    EXPECT_NE(summary.find("  group \"room\"\n    group \"furniture \\x22new\\x22\"\n"
                           "      group \"table\"\n        object \"wood\": 7 vertices, 5 "
                           "triangles, normals, uvs, material \"wood\" (tav_advanced), texture"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("totals: 3 groups, 2 objects, 12 vertices, 8 triangles, 2 materials, "
                           "1 texture, "),
              std::string::npos)
        << summary;
}

TEST_F(RoundTrip, ReadsTheWritersTextArraysAndDroppedNormalNotes) {
    const std::string path = dir_ + "/text.vsf";
    {
        tavScene_api_file writer(path.c_str(), false);
        writer.print_text("//---tavren:dal:3---\n");
        writer.begin_object("a", true);
        writer.begin_geometry("triangles");
        writer.begin_array_param("vertices");
        for (int i = 0; i < 10; ++i) {
            const float vertex[3] = {0.5f * i, -1.0f * i, 1e6f};
            writer.add_array_value(PARAM_COLOR, vertex);
        }
        writer.end_array_param();
        writer.begin_array_param("triangles");
        for (int i = 0; i < 12; ++i) {
            const int index = i % 10;
            writer.add_array_value(PARAM_INT, &index);
        }
        writer.end_array_param();
        writer.print_text("// number of normals does not equal number of vertices (%d != %d)\n", 9,
                          30);
        writer.end_geometry();
        writer.end_object();
    }
    const inspect::FileBytes bytes = inspect::read_file(path);
    const inspect::ParseResult parsed = inspect::parse_scene(bytes.data.get(), bytes.size);
    ASSERT_EQ(parsed.status, inspect::ParseStatus::ok) << parsed.message;
    const auto meshes = inspect::find_meshes(parsed.scene);
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_FALSE(meshes[0].vertices.data->is_binary());
    EXPECT_EQ(meshes[0].vertex_count(), 10u);
    EXPECT_EQ(meshes[0].vertices.data->float_at(29), 1e6f);
    EXPECT_EQ(ints_of(meshes[0].triangles),
              (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
    const auto diagnostics = inspect::check_scene(parsed.scene, meshes, {dir_, true});
    std::vector<std::string> messages;
    for (const auto& diagnostic : diagnostics) messages.push_back(diagnostic.message);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "no group at the top level of the file",
                            "no camera block",
                            "object \"a\": the exporter left a note: number of normals does not "
                            "equal number of vertices (9 != 30)",
                        }));
}

}  // namespace
