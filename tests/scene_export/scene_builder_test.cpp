// SceneBuilder checked call by call with a recording writer, against the expected call logs in
// data/, and with the real writer: where the scene goes.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

#include "SceneBuilder.h"
#include "recording_writer.h"
#include "test_files.h"

namespace {

const std::string data = SCENE_EXPORT_TEST_DATA "/";
// What open_scene and close_scene write around an empty scene with the top group "object".
const std::string empty_scene = read_file(data + "empty_scene.vsf");

class SceneBuilderCalls : public ::testing::Test {
  protected:
    struct RecordedScene : SceneBuilder {
        RecordedScene() { writer_factory = &RecordingWriter::make; }
    };

    void expect_log(const std::string& expected_file) {
        scene.close_scene();
        EXPECT_EQ(read_file(log), read_file(data + expected_file));
    }

    TemporaryFolder folder;
    std::string log = folder.file("calls.log");
    RecordedScene scene;
};

// The environment and camera; a textured mesh, whose texture shader the material links; a mesh
// with too low an opacity; a plain mesh, which keeps nothing of the meshes before it.
TEST_F(SceneBuilderCalls, CameraAndMaterialsMatchTheExpectedLog) {
    scene.open_scene(log.c_str(), "dir/sub\\chair.v2.skp");  // the top group is "chair"
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
    scene.open_scene(log.c_str(), std::string(70, 'n').c_str());  // cut to 63 characters
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

// Values lent take their place among those added one at a time, with the file writer (whole
// arrays) and with any other (element by element), and end_mesh forgets them: written again
// after their lender has reused its memory, the mesh holds none of it.
TEST(SceneBuilderLending, LentValuesKeepTheirPlaceAndAreForgottenByEndMesh) {
    const float sentinel = 12345;
    for (const bool recorded : {false, true}) {
        SCOPED_TRACE(recorded ? "recording writer" : "file writer");
        TemporaryFolder folder;
        const auto write = [&](const char* name, bool lend) {
            float xyz[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                  uv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
            std::int32_t ijk[6] = {1, 2, 3, 4, 3, 2};
            struct RecordedScene : SceneBuilder {
                RecordedScene() { writer_factory = &RecordingWriter::make; }
            } recorded_scene;
            SceneBuilder plain_scene;
            SceneBuilder& scene = recorded ? recorded_scene : plain_scene;
            const std::string path = folder.file(name);
            scene.open_scene(path.c_str(), "m");
            scene.begin_mesh("mesh");
            const auto add_own = [&](float x) {
                scene.add_vertex(x, x, x);
                scene.add_normal(0, 0, x);
                scene.add_uv(x, x);
                scene.add_triangle(0, 5, 0);
            };
            add_own(-1);
            if (lend) {
                scene.lend_vertices(xyz, 4);
                scene.lend_normals(xyz, 4);
                scene.lend_uvs(uv, 4);
                scene.lend_triangles(ijk, 2);
            } else {
                for (int k = 0; k < 4; ++k) {
                    scene.add_vertex(xyz[3 * k], xyz[3 * k + 1], xyz[3 * k + 2]);
                    scene.add_normal(xyz[3 * k], xyz[3 * k + 1], xyz[3 * k + 2]);
                    scene.add_uv(uv[2 * k], uv[2 * k + 1]);
                }
                scene.add_triangle(ijk[0], ijk[1], ijk[2]);
                scene.add_triangle(ijk[3], ijk[4], ijk[5]);
            }
            add_own(-2);
            scene.end_mesh();
            const std::string once = read_file(path);
            std::fill(std::begin(xyz), std::end(xyz), sentinel);
            std::fill(std::begin(uv), std::end(uv), sentinel);
            scene.end_mesh();
            scene.close_scene();
            return std::make_pair(once, read_file(path).substr(once.size()));
        };
        const auto lent = write("lent", true), added = write("added", false);
        EXPECT_EQ(lent.first, added.first);
        const std::string sentinel_text =
            recorded ? std::string("12345")
                     : std::string(reinterpret_cast<const char*>(&sentinel), 4);
        EXPECT_NE(lent.second.find("vertices"), std::string::npos);
        EXPECT_EQ(lent.second.find(sentinel_text), std::string::npos);
    }
}

#ifndef _WIN32  // fork
// Runs f in a child process; true when it returned true there.
template <typename F>
bool in_child(F f) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) _exit(f() ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The scene goes to the standard output the process had; prints after the opening go to
// standard error. Run in a child, whose standard streams are files. Only the name "-" itself
// means standard output: a name that starts with a dash is a file.
TEST(SceneOutput, DashWritesToStandardOutputAndMovesLaterPrintsToStandardError) {
    TemporaryFolder folder;
    const std::string out = folder.file("stdout"), err = folder.file("stderr");
    const std::string dashed = folder.file("-m");
    EXPECT_TRUE(in_child([&] {
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            return false;
        std::printf("before\n");
        SceneBuilder scene;
        scene.open_scene("-", nullptr);
        std::printf("later\n");
        std::fflush(stdout);
        scene.close_scene();
        std::printf("after closing\n");
        scene.open_scene(dashed.c_str(), nullptr);
        scene.close_scene();
        return std::fflush(stdout) == 0;
    }));
    EXPECT_EQ(read_file(dashed), empty_scene);
    EXPECT_EQ(read_file(out), "before\n" + empty_scene);
    EXPECT_EQ(read_file(err), "later\nafter closing\n");
}
#endif

}  // namespace
