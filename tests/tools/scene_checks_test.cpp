// Checks of mesh data, the summary and the OBJ output, on hand-built exported scenes.
#include "scene_checks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "obj_export.h"
#include "scene_bytes.h"
#include "scene_meshes.h"
#include "scene_summary.h"

using namespace scene_bytes;
using inspect::Severity;

namespace {

struct Checked {
    inspect::ParseResult parsed;
    std::vector<inspect::MeshRef> meshes;
    std::vector<inspect::Diagnostic> diagnostics;
};

Checked check(const std::string& text, const std::string& scene_dir = "/nonexistent") {
    Checked out;
    out.parsed = parse(text);
    EXPECT_EQ(out.parsed.status, inspect::ParseStatus::ok) << out.parsed.message;
    out.meshes = inspect::find_meshes(out.parsed.scene);
    out.diagnostics = inspect::check_scene(out.parsed.scene, out.meshes, {scene_dir, true});
    return out;
}

// A scene whose only object has the given geometry arrays.
std::string scene_with(const std::string& arrays) {
    return scene_start() + object("bad", arrays, "red") + "}\n";
}

void expect_one(const std::string& text, Severity severity, std::size_t offset,
                const std::string& message) {
    const Checked checked = check(text);
    ASSERT_EQ(checked.diagnostics.size(), 1u);
    EXPECT_EQ(checked.diagnostics[0].severity, severity);
    EXPECT_EQ(checked.diagnostics[0].offset, offset);
    EXPECT_EQ(checked.diagnostics[0].message, message);
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/inspect-test-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

TEST(SceneChecks, AcceptsAnExportedSceneAndWarnsOnceAboutAMissingTexture) {
    TempDir dir;
    const std::string text = scene_start() + object("0", quad_arrays(), "wood", "\"wood.png\"") +
                             object("1", quad_arrays(), "wood", "\"wood.png\"") + "}\n";
    const Checked missing = check(text, dir.path());
    ASSERT_EQ(missing.diagnostics.size(), 1u);
    EXPECT_EQ(missing.diagnostics[0].severity, Severity::warning);
    EXPECT_EQ(missing.diagnostics[0].offset, text.find("\"wood.png\""));
    EXPECT_EQ(missing.diagnostics[0].message,
              "material \"wood\": texture file \"wood.png\" not found");
    std::ofstream(dir.path() + "/wood.png") << "png";
    EXPECT_TRUE(check(text, dir.path()).diagnostics.empty());
}

TEST(SceneChecks, RejectsTriangleIndicesOutsideTheVertices) {
    const std::string text = scene_with(quad_arrays({0, 1, 2, 0, 4, -1}));
    const std::size_t items = text.find("\x01\x02\x03i") + 8;
    expect_one(text, Severity::error, items + 4 * 4,
               "object \"bad\": \"triangles\" item 4 of triangle 1 is 4, expected an index below "
               "the 4 vertices (2 out of range)");
}

TEST(SceneChecks, RejectsNormalAndUvCountsThatDoNotMatchTheVertices) {
    const std::string vertices = array(8, "vertices", floats('c', {0, 0, 0, 1, 0, 0, 1, 1, 0}));
    const std::string triangles = array(8, "triangles", ints({0, 1, 2}));
    const std::string normals = array(8, "normals", floats('c', {0, 0, 1, 0, 0, 1}));
    std::string text = scene_with(vertices + normals + triangles);
    expect_one(text, Severity::error, text.find("\"normals\""),
               "object \"bad\": \"normals\" holds 6 numbers, expected 3 per vertex (9)");
    const std::string uvs = array(8, "uv_tex", floats('f', {0, 0, 1, 0, 1}));
    text = scene_with(vertices + uvs + triangles);
    expect_one(text, Severity::error, text.find("\"uv_tex\""),
               "object \"bad\": \"uv_tex\" holds 5 numbers, expected a multiple of 2");
}

TEST(SceneChecks, ChecksIndexedNormalsAndUvsAgainstTheirOwnArrays) {
    const std::string vertices = array(8, "vertices", floats('c', {0, 0, 0, 1, 0, 0, 1, 1, 0}));
    const std::string triangles = array(8, "triangles", ints({0, 1, 2}));
    const std::string one_normal = array(8, "normals", floats('c', {0, 0, 1}));
    // One normal shared by all corners is fine in the indexed form.
    EXPECT_TRUE(check(scene_with(vertices + array(8, "triangles_norm", ints({0, 0, 0})) +
                                 one_normal + triangles))
                    .diagnostics.empty());
    std::string text =
        scene_with(vertices + array(8, "triangles_norm", ints({0, 1, 0})) + one_normal + triangles);
    expect_one(text, Severity::error, text.find("\x01\x02\x03i") + 8 + 4,
               "object \"bad\": \"triangles_norm\" item 1 of triangle 0 is 1, expected an index "
               "below the 1 normals (1 out of range)");
    text = scene_with(vertices + array(8, "triangles_uv", ints({0, 0})) +
                      array(8, "uv_tex", floats('f', {0, 0})) + triangles);
    expect_one(text, Severity::error, text.find("\"triangles_uv\""),
               "object \"bad\": \"triangles_uv\" holds 2 numbers, expected a multiple of 3");
}

TEST(SceneChecks, RejectsArraysOfTheWrongKindOrShape) {
    std::string text = scene_with(array(8, "vertices", floats('c', {0, 0, 0})) +
                                  array(8, "triangles", floats('f', {0, 0, 0})));
    expect_one(text, Severity::error, text.rfind("\x01\x02\x03") + 3,
               "object \"bad\": expected integer items (tag 'i') in \"triangles\", found tag 'f'");
    text = scene_with(array(8, "vertices", floats('c', {0, 0, 0, 1})) +
                      array(8, "triangles", ints({})));
    expect_one(text, Severity::error, text.find("\"vertices\""),
               "object \"bad\": \"vertices\" holds 4 numbers, expected a multiple of 3");
    text = scene_with(array(8, "vertices", floats('c', {})));
    expect_one(text, Severity::error, text.find("geometry"),
               "object \"bad\": expected a \"triangles\" array in the geometry, found none");
}

TEST(SceneChecks, PassesOnTheExportersNotesAsWarnings) {
    const std::string note = "// number of normals does not equal number of vertices (9 != 12)\n";
    const std::string text = scene_with(array(8, "vertices", floats('c', {0, 0, 0})) + "        " +
                                        note + array(8, "triangles", ints({})));
    expect_one(text, Severity::warning, text.find(note),
               "object \"bad\": the exporter left a note: number of normals does not equal "
               "number of vertices (9 != 12)");
}

TEST(SceneSummary, ListsTopGroupCameraNestingAndTotals) {
    const Checked checked = check(sample_scene());
    EXPECT_EQ(inspect::summarize_scene(checked.parsed.scene, checked.meshes),
              "top group: \"room\"\n"
              "camera \"last_active\":\n"
              "  position  1 2 3.5\n"
              "  direction 0 0 -1\n"
              "  up        0 1 0\n"
              "  fov       45\n"
              "  environment \"tav_envmap\" texture \"startup.hdr\"\n"
              "groups and objects:\n"
              "  group \"room\"\n"
              "    group \"table\"\n"
              "      object \"0\": 4 vertices, 2 triangles, normals, uvs, material \"wood\" "
              "(tav_advanced), texture \"wood.png\"\n"
              "    object \"1\": 4 vertices, 2 triangles, normals, uvs, material \"red\" "
              "(tav_advanced)\n"
              "totals: 2 groups, 2 objects, 8 vertices, 4 triangles, 2 materials, 1 texture, " +
                  std::to_string(sample_scene().size()) + " bytes\n");
}

TEST(ObjExport, WritesEveryMeshWithGroupsMaterialsAndOneBasedIndices) {
    TempDir dir;
    const std::string indexed =
        array(8, "vertices", floats('c', {0.1f, 0, 0, 1, 0, 0, 1, 1e-7f, 0})) +
        array(8, "triangles_norm", ints({0, 0, 0})) + array(8, "normals", floats('c', {0, 0, -1})) +
        array(8, "triangles", ints({2, 1, 0}));
    const std::string text = scene_start() + "\n  group \"table top\" {\n" +
                             object("0", quad_arrays(), "wood", "\"tex/wood.png\"") + "  }\n" +
                             object("1", indexed, "red") + "}\n";
    const Checked checked = check(text);
    const std::string obj = dir.path() + "/out.obj";
    const inspect::ObjTotals totals = inspect::write_obj(checked.meshes, obj, "/scenes");
    EXPECT_EQ(totals.meshes, 2u);
    EXPECT_EQ(totals.vertices, 7u);
    EXPECT_EQ(totals.triangles, 3u);
    EXPECT_EQ(read_text(obj),
              "# written by vistrel-inspect\nmtllib out.mtl\n"
              "g table_top\nusemtl wood\n"
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
              "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n"
              "f 1/1/1 2/2/2 3/3/3\nf 1/1/1 3/3/3 4/4/4\n"
              "g room\nusemtl red\n"
              "v 0.1 0 0\nv 1 0 0\nv 1 1e-07 0\n"
              "vn 0 0 -1\n"
              "f 7//5 6//5 5//5\n");
    EXPECT_EQ(read_text(dir.path() + "/out.mtl"),
              "newmtl wood\nKd 0.2 0.4 0.6\nd 0.5\nmap_Kd /scenes/tex/wood.png\n\n"
              "newmtl red\nKd 0.2 0.4 0.6\nd 0.5\n\n");
    EXPECT_FALSE(std::filesystem::exists(obj + ".partial"));
}

TEST(ObjExport, LeavesNothingBehindWhenTheOutputCannotBeWritten) {
    TempDir dir;
    const Checked checked = check(sample_scene());
    const std::string obj = dir.path() + "/missing/out.obj";
    try {
        inspect::write_obj(checked.meshes, obj, "");
        FAIL() << "no exception";
    } catch (const std::ios_base::failure& error) {
        EXPECT_EQ(std::string(error.what()), "cannot write " + obj + ": No such file or directory");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
