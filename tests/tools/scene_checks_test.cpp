// Checks of mesh data and the OBJ output, on stored and hand-built scenes. (The texture check
// is covered through the program, in command_line_test.cpp.)
#include "scene_checks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "obj_export.h"
#include "scene_bytes.h"
#include "scene_meshes.h"

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

// Checks a scene whose only object has these geometry arrays, expecting this one diagnostic.
void expect_one(const std::string& arrays, Severity severity, const std::string& offset_of,
                std::size_t past, const std::string& message) {
    const std::string text = scene_with(arrays);
    const Checked checked = check(text);
    ASSERT_EQ(checked.diagnostics.size(), 1u) << message;
    EXPECT_EQ(checked.diagnostics[0].severity, severity);
    EXPECT_EQ(checked.diagnostics[0].offset, text.find(offset_of) + past);
    EXPECT_EQ(checked.diagnostics[0].message, "object \"bad\": " + message);
}

const std::string vertices = array("vertices", floats('c', {0, 0, 0, 1, 0, 0, 1, 1, 0}));
const std::string triangle = array("triangles", ints({0, 1, 2}));

TEST(SceneChecks, RejectsIndicesOutsideTheirArraysAtTheFirstBadItem) {
    expect_one(vertices + array("triangles", ints({0, 1, 2, 0, 3, -1})), Severity::error,
               "\x01\x02\x03i", 8 + 4 * 4,
               "\"triangles\" item 4 of triangle 1 is 3, expected an index below the 3 vertices "
               "(2 out of range)");
    // Indexed normals are checked against the normals, not the vertices.
    const std::string one_normal = array("normals", floats('c', {0, 0, 1}));
    EXPECT_TRUE(check(scene_with(vertices + array("triangles_norm", ints({0, 0, 0})) + one_normal +
                                 triangle))
                    .diagnostics.empty());
    expect_one(vertices + array("triangles_norm", ints({0, 1, 0})) + one_normal + triangle,
               Severity::error, "\x01\x02\x03i", 8 + 4,
               "\"triangles_norm\" item 1 of triangle 0 is 1, expected an index below the 1 "
               "normals (1 out of range)");
}

TEST(SceneChecks, RejectsArraysOfTheWrongSizeKindOrAbsenceAndPassesOnNotes) {
    expect_one(vertices + array("normals", floats('c', {0, 0, 1, 0, 0, 1})) + triangle,
               Severity::error, "\"normals\"", 0,
               "\"normals\" holds 6 numbers, expected 3 per vertex (9)");
    expect_one(vertices + array("uv_tex", floats('f', {0, 0, 1, 0, 1})) + triangle, Severity::error,
               "\"uv_tex\"", 0, "\"uv_tex\" holds 5 numbers, expected a multiple of 2");
    expect_one(vertices + array("triangles", floats('f', {0, 0, 0})), Severity::error,
               "\x01\x02\x03\x66", 3,
               "expected integer items (tag 'i') in \"triangles\", found tag 'f'");
    expect_one(vertices, Severity::error, "geometry", 0,
               "expected a \"triangles\" array in the geometry, found none");
    const std::string note = "// number of normals does not equal number of vertices (9 != 12)\n";
    expect_one(vertices + "        " + note + triangle, Severity::warning, note, 0,
               "the exporter left a note: number of normals does not equal number of vertices "
               "(9 != 12)");
}

// Indices are rebased past the earlier meshes; a mesh with indexed normals gets "v//n" corners.
TEST(ObjExport, WritesEveryMeshWithGroupsMaterialsAndOneBasedIndices) {
    TempDir dir;
    const std::string text = data("table.vsf");
    const std::string obj = dir.path + "/table.obj";
    const inspect::ObjTotals totals = inspect::write_obj(check(text).meshes, obj, "/scenes");
    EXPECT_EQ((std::vector<std::size_t>{totals.meshes, totals.vertices, totals.triangles}),
              (std::vector<std::size_t>{2, 7, 3}));
    EXPECT_EQ(read_text(obj), data("table.obj"));
    EXPECT_EQ(read_text(dir.path + "/table.mtl"), data("table.mtl"));
    EXPECT_FALSE(std::filesystem::exists(obj + ".partial"));
}

TEST(ObjExport, LeavesNothingBehindWhenTheOutputCannotBeWritten) {
    TempDir dir;
    const std::string obj = dir.path + "/missing/out.obj";
    try {
        inspect::write_obj(check(data("room.vsf")).meshes, obj, "");
        FAIL() << "no exception";
    } catch (const std::ios_base::failure& error) {
        EXPECT_EQ(std::string(error.what()), "cannot write " + obj + ": No such file or directory");
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
}

}  // namespace
