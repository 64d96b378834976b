// Checks of mesh data and the OBJ output, on stored and hand-built scenes. (The texture check
// is covered through the program, in command_line_test.cpp.)
#include "scene_checks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "obj_export.h"
#include "scene_bytes.h"
#include "scene_meshes.h"

using namespace scene_bytes;

namespace {

std::vector<inspect::MeshRef> meshes(const inspect::ParseResult& parsed) {
    EXPECT_EQ(parsed.status, inspect::ParseStatus::ok) << parsed.message;
    return inspect::find_meshes(parsed.scene);
}

// Checks a scene whose only object has these geometry arrays, expecting this one diagnostic.
void expect_one(const std::string& arrays, inspect::Severity severity, const std::string& offset_of,
                std::size_t past, const std::string& message) {
    const std::string text = scene_with(arrays);
    const inspect::ParseResult parsed = parse(text);
    const auto found = inspect::check_scene(parsed.scene, meshes(parsed), {"/nonexistent", true});
    ASSERT_EQ(found.size(), 1u) << message;
    EXPECT_EQ(found[0].severity, severity);
    EXPECT_EQ(found[0].offset, text.find(offset_of) + past);
    EXPECT_EQ(found[0].message, "object \"bad\": " + message);
}

const std::string vertices = array("vertices", floats('c', {0, 0, 0, 1, 0, 0, 1, 1, 0}));
const std::string triangle = array("triangles", ints({0, 1, 2}));

// Indices point at the first bad item; indexed normals count against the normals.
TEST(SceneChecks, RejectsIndicesOutsideTheirArrays) {
    expect_one(vertices + array("triangles", ints({0, 1, 2, 0, 3, -1})), inspect::Severity::error,
               "\x01\x02\x03i", 8 + 4 * 4,
               "\"triangles\" item 4 of triangle 1 is 3, expected an index below the 3 vertices "
               "(2 out of range)");
    expect_one(vertices + array("triangles_norm", ints({0, 1, 0})) +
                   array("normals", floats('c', {0, 0, 1})) + triangle,
               inspect::Severity::error, "\x01\x02\x03i", 8 + 4,
               "\"triangles_norm\" item 1 of triangle 0 is 1, expected an index below the 1 "
               "normals (1 out of range)");
}

TEST(SceneChecks, RejectsArraysOfTheWrongSizeOrKind) {
    expect_one(vertices + array("normals", floats('c', {0, 0, 1, 0, 0, 1})) + triangle,
               inspect::Severity::error, "\"normals\"", 0,
               "\"normals\" holds 6 numbers, expected 3 per vertex (9)");
    expect_one(vertices + array("triangles", floats('f', {0, 0, 0})), inspect::Severity::error,
               "\x01\x02\x03\x66", 3,
               "expected integer items (tag 'i') in \"triangles\", found tag 'f'");
    expect_one(array("vertices", floats('f', {0, 0, 0, 1, 0, 0, 1, 1, 0})) + triangle,
               inspect::Severity::error, "\x01\x02\x03\x66", 3,
               "expected three-float items (tag 'c') in \"vertices\", found tag 'f'");
}

// Indices are rebased past the earlier meshes; a mesh with indexed normals gets "v//n" corners.
// A line break in a texture path cannot start a statement of its own. A failed write leaves
// nothing behind.
TEST(ObjExport, WritesEveryMeshWithGroupsMaterialsAndOneBasedIndices) {
    TempDir dir;
    std::string text = data("table.vsf"), obj = dir.path + "/table.obj";
    EXPECT_EQ(inspect::write_obj(meshes(parse(text)), obj, "/scenes").vertices, 7u);
    EXPECT_EQ(read_text(obj), data("table.obj"));
    EXPECT_EQ(read_text(dir.path + "/table.mtl"), data("table.mtl"));
    text.replace(text.find("\"tex/wood.png\""), 14, "xX610d0a6e65776d746c2078");  // a\r\nnewmtl x
    inspect::write_obj(meshes(parse(text)), obj, "/scenes");
    EXPECT_NE(read_text(dir.path + "/table.mtl").find("map_Kd /scenes/a__newmtl x\n"),
              std::string::npos);
    EXPECT_THROW(inspect::write_obj(meshes(parse(text)), dir.path + "/no/t.obj", ""),
                 std::ios_base::failure);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);
}

}  // namespace
