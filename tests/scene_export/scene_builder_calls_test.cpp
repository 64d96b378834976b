// What SceneBuilder asks of the scene writer, checked call by call with a recording writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "SceneBuilder.h"
#include "recording_writer.h"
#include "test_files.h"

namespace {

using Lines = std::vector<std::string>;

class RecordedScene : public SceneBuilder {
  public:
    RecordedScene() { writer_factory = &RecordingWriter::make; }
};

class SceneBuilderCalls : public ::testing::Test {
  protected:
    void open(const char* group_name = "model") { scene.open_scene(log.c_str(), group_name); }
    Lines close() {
        scene.close_scene();
        return read_lines(log);
    }
    // The calls after the scene's opening, without the top group's end.
    Lines body() {
        Lines lines = close();
        Lines part = lines_between(lines, "end_accel()", "");
        part.pop_back();
        return part;
    }

    TemporaryFolder folder;
    std::string log = folder.file("calls.log");
    RecordedScene scene;
};

TEST_F(SceneBuilderCalls, OpeningWritesHeaderTopGroupAndEmptyAccel) {
    open("model");
    EXPECT_EQ(close(), (Lines{
                           "print_text(\"//---tavren:dal:3---\\n\")",
                           "print_text(\"// This is a Vistrel scene file\\n\\n\")",
                           "begin_group(\"model\", 1)",
                           "begin_accel(\"auto\")",
                           "end_accel()",
                           "end_group()",
                       }));
}

TEST_F(SceneBuilderCalls, TopGroupIsTheModelsBaseName) {
    const std::string seventy(70, 'n');
    const std::vector<std::pair<const char*, std::string>> cases = {
        {nullptr, "object"},
        {"models\\house.v2.skp", "house"},
        {"dir/sub\\chair.skp", "chair"},
        {"plain", "plain"},
        {"some/.hidden", ""},
        {seventy.c_str(), std::string(63, 'n')},
    };
    for (const auto& [model, expected] : cases) {
        RecordedScene named;
        named.open_scene(log.c_str(), model);
        named.close_scene();
        EXPECT_EQ(read_lines(log).at(2), "begin_group(\"" + expected + "\", 1)")
            << (model ? model : "null");
    }
}

TEST_F(SceneBuilderCalls, CameraDefinesEnvironmentThenCameraBlock) {
    open();
    scene.open_camera("last_active");
    scene.set_camera_position(1.5f, 2, 3);
    scene.set_camera_direction(0, 0, -1);
    scene.set_camera_up(0, 1, 0);
    scene.set_camera_clipping(0.5f, 1000);
    scene.set_camera_fov(0.1f);
    scene.close_camera();
    EXPECT_EQ(body(), (Lines{
                          "begin_shader(null, \"tav_envmap\")",
                          "set_param(\"texture\", STRING \"startup.hdr\")",
                          "set_param(\"format\", INT 3)",
                          "set_param(\"radius\", FLOAT 25)",
                          "set_param(\"transform\", MATRIX [0 0 -1 0 1 0 0 0 0 1 0 0 0 0 0 1])",
                          "current_shader() -> shader 1",
                          "end_shader()",
                          "begin_camera(\"last_active\")",
                          "set_param(\"reflection map\", SHADER shader 1)",
                          "set_param(\"position\", VECTOR 1.5 2 3)",
                          "set_param(\"direction\", VECTOR 0 0 -1)",
                          "set_param(\"up\", VECTOR 0 1 0)",
                          "set_param(\"clipping\", FLOAT2 0.5 1000)",
                          // The float itself, not widened and rounded again.
                          "set_param(\"fov\", FLOAT 0.100000001)",
                          "end_camera()",
                      }));
}

TEST_F(SceneBuilderCalls, TexturedMeshLinksTextureIntoAdvancedShader) {
    open();
    scene.begin_mesh("wall");
    scene.set_name("brick");
    scene.add_vertex(0, 0, 0);
    scene.add_vertex(1, 0, 0);
    scene.add_vertex(0, 1, 0);
    scene.add_normal(0, 0, 1);
    scene.add_normal(0, 0, 1);
    scene.add_normal(0, 0, 1);
    scene.add_uv(0, 0);
    scene.add_uv(1, 0);
    scene.add_uv(0, 1);
    scene.add_triangle(0, 1, 2);
    scene.set_texture("brick.jpg");
    scene.set_diffuse(0.5f, 0.25f, 1);
    scene.end_mesh();
    EXPECT_EQ(body(), (Lines{
                          "begin_object(\"wall\", 1)",
                          "begin_geometry(\"triangles\")",
                          "begin_array_param(\"vertices\")",
                          "add_array_value(COLOR 0 0 0)",
                          "add_array_value(COLOR 1 0 0)",
                          "add_array_value(COLOR 0 1 0)",
                          "end_array_param()",
                          "begin_array_param(\"normals\")",
                          "add_array_value(COLOR 0 0 1)",
                          "add_array_value(COLOR 0 0 1)",
                          "add_array_value(COLOR 0 0 1)",
                          "end_array_param()",
                          "begin_array_param(\"uv_tex\")",
                          "add_array_value(FLOAT 0)",
                          "add_array_value(FLOAT 0)",
                          "add_array_value(FLOAT 1)",
                          "add_array_value(FLOAT 0)",
                          "add_array_value(FLOAT 0)",
                          "add_array_value(FLOAT 1)",
                          "end_array_param()",
                          "begin_array_param(\"triangles\")",
                          "add_array_value(INT 0)",
                          "add_array_value(INT 1)",
                          "add_array_value(INT 2)",
                          "end_array_param()",
                          "end_geometry()",
                          "begin_shader(null, \"texture_rgb\")",
                          "set_param(\"project\", INT 3)",
                          "set_param(\"wrap\", BOOL 1)",
                          "set_param(\"texture\", STRING \"brick.jpg\")",
                          "set_param(\"default_color\", COLOR 0.5 0.25 1)",
                          "end_shader()",
                          "current_shader() -> shader 1",
                          "begin_material(\"brick\", 1)",
                          "begin_shader(null, \"tav_advanced\")",
                          "set_param(\"diffuse\", COLOR 0.5 0.25 1)",
                          "set_param(\"specular\", COLOR 0 0 0)",
                          "set_param(\"fresnel\", BOOL 1)",
                          "set_param(\"roughness\", FLOAT 0)",
                          "set_param(\"ior\", FLOAT 1.5)",
                          "set_param(\"glossy\", BOOL 1)",
                          "set_param(\"glossy_samples\", INT 9)",
                          "set_param(\"alpha\", FLOAT 1)",
                          "link_param(\"diffuse\", shader 1)",
                          "current_shader() -> shader 2",
                          "end_shader()",
                          "set_shader(0, shader 2)",
                          "end_material()",
                          "end_object()",
                      }));
}

TEST_F(SceneBuilderCalls, MeshWithoutTextureSpecularOrAlphaGetsDiffuseShader) {
    open();
    scene.begin_mesh("empty");
    scene.set_diffuse(1, 0, 0);
    scene.end_mesh();
    EXPECT_EQ(body(), (Lines{
                          "begin_object(\"empty\", 1)",
                          "begin_geometry(\"triangles\")",
                          "begin_array_param(\"vertices\")",
                          "end_array_param()",
                          "begin_array_param(\"triangles\")",
                          "end_array_param()",
                          "end_geometry()",
                          "begin_material(\"empty\", 1)",
                          "begin_shader(null, \"tav_diffuse\")",
                          "set_param(\"diffuse\", COLOR 1 0 0)",
                          "current_shader() -> shader 1",
                          "end_shader()",
                          "set_shader(0, shader 1)",
                          "end_material()",
                          "end_object()",
                      }));
}

// An opacity below 0.1 is raised to 0.1; begin_mesh resets what the previous mesh set.
TEST_F(SceneBuilderCalls, AlphaIsClampedAndResetByTheNextMesh) {
    open();
    scene.begin_mesh("m");
    scene.set_alpha(0.05f);
    scene.set_texture("t.jpg");
    scene.end_mesh();
    scene.begin_mesh("plain");
    scene.end_mesh();
    Lines lines = body();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "set_param(\"alpha\", FLOAT 0.100000001)"), 1);
    Lines last = lines_between(lines, "begin_object(\"plain\", 1)", "end_object()");
    EXPECT_EQ(std::count(last.begin(), last.end(), "begin_shader(null, \"tav_diffuse\")"), 1);
}

TEST_F(SceneBuilderCalls, CountMismatchesLeaveArraysOutWithAComment) {
    open();
    scene.begin_mesh("normals");
    for (int i = 0; i < 4; ++i) scene.add_vertex(0, 0, 0);
    for (int i = 0; i < 3; ++i) scene.add_normal(0, 0, 1);
    for (int i = 0; i < 3; ++i) scene.add_uv(0, 0);
    scene.end_mesh();
    scene.begin_mesh("indexed");
    scene.add_triangle(0, 1, 2);
    scene.add_triangle_normals(0, 0, 0);
    scene.add_triangle_uvs(0, 0, 0);
    scene.add_triangle_uvs(0, 0, 0);
    scene.end_mesh();
    Lines lines = body();
    Lines comments;
    for (const std::string& line : lines)
        if (line.rfind("print_text", 0) == 0) comments.push_back(line);
    EXPECT_EQ(comments,
              (Lines{
                  "print_text(\"// number of normals does not equal number of vertices (9 != "
                  "12)\\n\")",
                  "print_text(\"// number of uvs does not equal number of vertices (3 != 4)\\n\")",
                  "print_text(\"// number of uv indices does not equal number of triangles (6 != "
                  "3)\\n\")",
              }));
    // Only the indexed mesh writes normals: its index list and its (empty) normal list.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "begin_array_param(\"normals\")"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "begin_array_param(\"uv_tex\")"), 0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "begin_array_param(\"triangles_norm\")"), 1);
}

TEST_F(SceneBuilderCalls, LongMeshNameNamesObjectInFullAndMaterialCut) {
    open();
    const std::string long_name(200, 'x');
    scene.begin_mesh(long_name.c_str());
    scene.end_mesh();
    Lines lines = body();
    EXPECT_EQ(lines.at(0), "begin_object(\"" + long_name + "\", 1)");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "begin_material(\"" + long_name.substr(0, 127) + "\", 1)"),
              lines.end());
}

TEST_F(SceneBuilderCalls, ProgressLabelsKeepOrReplaceTheName) {
    open();
    scene.begin_mesh(std::string(100, 'n').c_str());
    scene.end_mesh();
    scene.set_progress(0.25f);
    scene.set_progress_label(std::string(40, 't').c_str(), true);
    scene.set_progress_label("Writing", false);
    Lines lines = body();
    Lines progress(lines.end() - 3, lines.end());
    EXPECT_EQ(progress,
              (Lines{
                  "progress(\"" + std::string(100, 'n') + "\", 0.25)",
                  "progress(\"" + std::string(32, 't') + ": " + std::string(90, 'n') + "\", 0.25)",
                  "progress(\"Writing\", 0.25)",
              }));
}

TEST_F(SceneBuilderCalls, OperationsThatWriteNeedAnOpenScene) {
    try {
        scene.begin_mesh("m");
        ADD_FAILURE() << "nothing thrown";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "begin_mesh: no scene is open");
    }
    EXPECT_THROW(scene.open_group("g"), std::logic_error);
    EXPECT_THROW(scene.open_camera("c"), std::logic_error);
    scene.add_vertex(0, 0, 0);  // collecting needs no writer
}

}  // namespace
