// What SceneBuilder asks of the scene writer, checked call by call with a recording writer;
// whole call logs are compared with the expected ones in data/.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "SceneBuilder.h"
#include "recording_writer.h"
#include "test_files.h"

namespace {

class SceneBuilderCalls : public ::testing::Test {
  protected:
    struct RecordedScene : SceneBuilder {
        RecordedScene() { writer_factory = &RecordingWriter::make; }
    };

    void expect_log(const std::string& expected_file) {
        scene.close_scene();
        EXPECT_EQ(read_file(log), read_file(SCENE_EXPORT_TEST_DATA "/" + expected_file));
    }

    TemporaryFolder folder;
    std::string log = folder.file("calls.log");
    RecordedScene scene;
};

// The environment and camera; a textured mesh, whose texture shader the material links; a mesh
// with too low an opacity; a plain mesh, which keeps nothing of the meshes before it.
TEST_F(SceneBuilderCalls, CameraAndMaterialsMatchTheExpectedLog) {
    scene.open_scene(log.c_str(), "model");
    scene.open_camera("last_active");
    scene.set_camera_position(1.5f, 2, 3);
    scene.set_camera_direction(0, 0, -1);
    scene.set_camera_up(0, 1, 0);
    scene.set_camera_clipping(0.5f, 1000);
    scene.set_camera_fov(0.1f);  // written as the float itself, not widened and rounded again
    scene.close_camera();
    scene.begin_mesh("wall");
    scene.set_name("brick");
    for (int i = 0; i < 3; ++i) {
        scene.add_vertex(i == 1, i == 2, 0);
        scene.add_normal(0, 0, 1);
        scene.add_uv(i == 1, i == 2);
    }
    scene.add_triangle(0, 1, 2);
    scene.set_texture("brick.jpg");
    scene.set_diffuse(0.5f, 0.25f, 1);
    scene.end_mesh();
    scene.begin_mesh("glass");
    scene.set_diffuse(0, 0, 1);
    scene.set_alpha(0.05f);
    scene.end_mesh();
    scene.begin_mesh("plain");
    scene.set_diffuse(1, 0, 0);
    scene.end_mesh();
    expect_log("camera_and_materials.txt");
}

// Counts that disagree leave their arrays out and say so in a comment. Names longer than the
// material name or the progress text can hold are cut there, and only there.
TEST_F(SceneBuilderCalls, MismatchedCountsAndLongNamesMatchTheExpectedLog) {
    scene.open_scene(log.c_str(), "model");
    scene.begin_mesh("per vertex");
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
    scene.begin_mesh(std::string(200, 'x').c_str());
    scene.end_mesh();
    scene.set_progress(0.25f);
    scene.set_progress_label(std::string(40, 't').c_str(), true);
    scene.set_progress_label("Writing", false);
    expect_log("mismatches_and_long_names.txt");
}

TEST_F(SceneBuilderCalls, TopGroupIsTheModelsBaseNameCutTo63Characters) {
    const std::string seventy(70, 'n');
    const std::vector<std::pair<const char*, std::string>> cases = {
        {nullptr, "object"},
        {"dir/sub\\chair.v2.skp", "chair"},
        {"some/.hidden", ""},
        {seventy.c_str(), std::string(63, 'n')},
    };
    for (const auto& [model, expected] : cases) {
        RecordedScene named;
        named.open_scene(log.c_str(), model);
        named.close_scene();
        EXPECT_EQ(read_lines(log).at(2), "begin_group(\"" + expected + "\", 1)");
    }
}

}  // namespace
