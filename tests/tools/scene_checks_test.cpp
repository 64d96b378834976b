// Checks of mesh data and the OBJ output, on stored and hand-built scenes. (The texture check
// is covered through the program, in command_line_test.cpp.)
#include "scene_checks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "obj_export.h"
#include "scene_bytes.h"
#include "scene_meshes.h"
#include "scene_summary.h"

using namespace scene_bytes;

namespace {

const std::string vertices = array("vertices", floats('c', {0, 0, 0, 1, 0, 0, 1, 1, 0}));
const std::string triangle = array("triangles", ints({0, 1, 2}));

// Each scene's only object has these geometry arrays and one error, at the first bad item:
// indices outside their arrays (indexed normals count against the normals), arrays of the wrong
// size or kind.
TEST(SceneChecks, RejectsBadIndicesAndArraysOfTheWrongSizeOrKind) {
    const struct {
        std::string arrays, offset_of;
        std::size_t past;
        std::string message;
    } cases[] = {
        {vertices + array("triangles", ints({0, 1, 2, 0, 3, -1})), "\x01\x02\x03i", 8 + 4 * 4,
         "\"triangles\" item 4 of triangle 1 is 3, expected an index below the 3 vertices (2 out "
         "of range)"},
        {vertices + array("triangles_norm", ints({0, 1, 0})) +
             array("normals", floats('c', {0, 0, 1})) + triangle,
         "\x01\x02\x03i", 8 + 4,
         "\"triangles_norm\" item 1 of triangle 0 is 1, expected an index below the 1 normals (1 "
         "out of range)"},
        {vertices + array("normals", floats('c', {0, 0, 1, 0, 0, 1})) + triangle, "\"normals\"", 0,
         "\"normals\" holds 6 numbers, expected 3 per vertex (9)"},
        {vertices + array("triangles", floats('f', {0, 0, 0})), "\x01\x02\x03\x66", 3,
         "expected integer items (tag 'i') in \"triangles\", found tag 'f'"},
        {array("vertices", floats('f', {0, 0, 0, 1, 0, 0, 1, 1, 0})) + triangle, "\x01\x02\x03\x66",
         3, "expected three-float items (tag 'c') in \"vertices\", found tag 'f'"},
    };
    for (const auto& c : cases) {
        const std::string text = scene_with(c.arrays);
        const ReadScene read(text);
        const auto found = inspect::check_scene(read.parsed.scene, read.meshes, read.placements,
                                                {"/nonexistent", true});
        ASSERT_EQ(found.size(), 1u) << c.message;
        EXPECT_EQ(found[0].severity, inspect::Severity::error);
        EXPECT_EQ(found[0].offset, text.find(c.offset_of) + c.past);
        EXPECT_EQ(found[0].message, "object \"bad\": " + c.message);
    }
}

// Indices are rebased past the earlier meshes; a mesh with indexed normals gets "v//n" corners.
// A line break in a texture path cannot start a statement of its own. A failed write leaves
// nothing behind.
TEST(ObjExport, WritesEveryMeshWithGroupsMaterialsAndOneBasedIndices) {
    TemporaryFolder dir;
    std::string text = data("table.vsf"), obj = dir.path() + "/table.obj";
    const ReadScene table(text);
    EXPECT_EQ(inspect::write_obj(table.meshes, table.placements, obj, "/scenes").vertices, 7u);
    EXPECT_EQ(read_file(obj), data("table.obj"));
    EXPECT_EQ(read_file(dir.path() + "/table.mtl"), data("table.mtl"));
    text.replace(text.find("\"tex/wood.png\""), 14, "xX610d0a6e65776d746c2078");  // a\r\nnewmtl x
    const ReadScene broken(text);
    inspect::write_obj(broken.meshes, broken.placements, obj, "/scenes");
    EXPECT_NE(read_file(dir.path() + "/table.mtl").find("map_Kd /scenes/a__newmtl x\n"),
              std::string::npos);
    EXPECT_THROW(inspect::write_obj(broken.meshes, broken.placements, dir.path() + "/no/t.obj", ""),
                 std::ios_base::failure);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// Placements show a definition where the whole chain of their groups' transforms puts it,
// nested placements too; a mirroring one keeps the normals and turns the corners round. Meshes
// a definition holds directly take the name of the group of the instance line. In
// data/forest.vsf "leaf" is placed as "a" (x + 5) in "big" (doubled), mirrored as "m", and in
// the definition "tree" as "in" (x + 1), which is placed as "t" (y + 10).
TEST(ObjExport, ExpandsEveryPlacementAndTheSummaryCountsThem) {
    const std::string text = data("forest.vsf");
    const ReadScene read(text);
    EXPECT_EQ(inspect::summarize_scene(read.parsed.scene, read.meshes, read.placements),
              data("forest_summary.txt"));
    TemporaryFolder dir;
    const std::string obj = dir.path() + "/forest.obj";
    EXPECT_EQ(inspect::write_obj(read.meshes, read.placements, obj, "").triangles, 4u);
    EXPECT_EQ(read_file(obj), data("forest.obj"));
}

}  // namespace
