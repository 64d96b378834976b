// Whole scene files written by the exporter, compared byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "SketchupExporter.h"
#include "scoped_environment.h"
#include "test_files.h"

namespace {

std::string little_endian(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    return bytes;
}

// A binary array block: three marker bytes, the tag, the item count and the items.
std::string block(char tag, std::initializer_list<float> items) {
    std::string bytes = std::string("\x01\x02\x03") + tag + little_endian(items.size());
    for (float item : items) {
        std::uint32_t bits;
        std::memcpy(&bits, &item, sizeof bits);
        bytes += little_endian(bits);
    }
    return bytes;
}

std::string block(std::initializer_list<std::int32_t> items) {
    std::string bytes = std::string("\x01\x02\x03i") + little_endian(items.size());
    for (std::int32_t item : items) bytes += little_endian(static_cast<std::uint32_t>(item));
    return bytes;
}

// An array parameter of a geometry whose contents are at the given indentation.
std::string array(int indent, const std::string& name, const std::string& items) {
    const std::string blanks(indent, ' ');
    return blanks + "\"" + name + "\" [\n" + blanks + "  " + items + " ],\n";
}

// The geometry of the triangle (0,0,0), (1,0,0), (0,1,0) facing +z, at indentation 6.
const std::string triangle_geometry =
    "      geometry \"triangles\" {\n" +
    array(8, "vertices", block('c', {0, 0, 0, 1, 0, 0, 0, 1, 0})) +
    array(8, "normals", block('c', {0, 0, 1, 0, 0, 1, 0, 0, 1})) +
    array(8, "uv_tex", block('f', {0, 0, 1, 0, 0, 1})) + array(8, "triangles", block({0, 1, 2})) +
    "      }\n";

// A batched mesh of the triangle at indentation 4, untextured.
std::string batched_triangle(const std::string& key, const std::string& diffuse,
                             const std::string& alpha) {
    return "\n    object \"" + key + "\" {\n" + triangle_geometry +  //
           "      material \"" + key +
           "\" {\n"
           "        surface         \"tav_advanced\" {\n"
           "          \"diffuse\" " +
           diffuse +
           ",\n"
           "          \"specular\" 0 0 0,\n"
           "          \"fresnel\" on,\n"
           "          \"roughness\" -1,\n"
           "          \"ior\" 1.5,\n"
           "          \"glossy\" on,\n"
           "          \"glossy_samples\" 9,\n"
           "          \"alpha\" " +
           alpha +
           ",\n"
           "        }        \n"
           "      }\n"
           "    }\n";
}

const std::string header =
    "//---tavren:dal:3---\n"
    "// This is a Vistrel scene file\n"
    "\n";

const std::string complete_export = header +
                                    "\n"
                                    "group \"house\" {\n"
                                    "  \n"
                                    "  accel \"auto\" {\n"
                                    "  }\n"
                                    "  \n"
                                    "  camera \"last_active\" {\n"
                                    "    reflection map   \"tav_envmap\" {\n"
                                    "    \"texture\" \"startup.hdr\",\n"
                                    "    \"format\" 3,\n"
                                    "    \"radius\" 25,\n"
                                    "    \"transform\" 0 0 -1 0 1 0 0 0 0 1 0 0 0 0 0 1,\n"
                                    "  }\n"
                                    "    position 1 2 3\n"
                                    "    direction 0 0 -1\n"
                                    "    up 0 1 0\n"
                                    "    fov 45\n"
                                    "    transform 0 0 1 0 0 1 0 0 1 0 0 0 0 0 0 1\n"
                                    "  }\n"
                                    "\n"
                                    "  group \"Group #0\" {\n"
                                    "    transform 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n"
                                    "\n"
                                    "    object \"wood\" {\n" +
                                    triangle_geometry +
                                    "      material \"wood\" {\n"
                                    "        surface         \"tav_advanced\" {\n"
                                    "          \"diffuse\" 1 1 1,\n"
                                    "          \"specular\" 0 0 0,\n"
                                    "          \"fresnel\" on,\n"
                                    "          \"roughness\" -1,\n"
                                    "          \"ior\" 1.5,\n"
                                    "          \"glossy\" on,\n"
                                    "          \"glossy_samples\" 9,\n"
                                    "          \"alpha\" 1,\n"
                                    "          \"diffuse\" !   \"texture_rgb\" {\n"
                                    "            \"project\" 3,\n"
                                    "            \"wrap\" on,\n"
                                    "            \"texture\" \"tex/wood.jpg\",\n"
                                    "            \"default_color\" 1 1 1,\n"
                                    "          }  ,\n"
                                    "        }        \n"
                                    "      }\n"
                                    "    }\n" +
                                    batched_triangle("Default 255:128:0", "1 0.501961 0", "1") +
                                    batched_triangle("brick", "0.784314 0.392157 0.196078", "0.5") +
                                    "  }\n"
                                    "\n"
                                    "  group \"Roof\" {\n"
                                    "    transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n" +
                                    batched_triangle("slate", "0.501961 0.501961 0.501961", "1") +
                                    "  }\n"
                                    "}\n";

TEST(ExporterGolden, CompleteExport) {
    TemporaryFolder folder;
    const std::string path = folder.file("house.vsf");
    const float eye[3] = {1, 2, 3}, dir[3] = {0, 0, -1}, up[3] = {0, 1, 0};
    const float vs[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const float ns[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    const float uvs[9] = {0, 0, 7, 1, 0, 7, 0, 1, 7};
    const int fs[3] = {1, 2, 3};
    float shift[16], identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) shift[i] = static_cast<float>(i + 1);

    SketchupExporter exporter;
    exporter.open_file("C:\\models\\house.v2.skp", path.c_str(), eye, dir, up, 45, 0, true);
    exporter.begin_group("");
    exporter.transform(shift);
    exporter.add_faces2(3, 1, vs, fs, ns, uvs, "brick", "", 200, 100, 50, 0.5f);
    exporter.add_faces2(3, 1, vs, fs, ns, uvs, "", "", 255, 128, 0, 1);
    exporter.add_faces(3, 1, vs, fs, ns, uvs, "wood", "tex/wood.jpg", 255, 255, 255, 1);
    exporter.end_group();
    exporter.begin_group("Roof");
    exporter.transform(identity);
    exporter.add_faces2(3, 1, vs, fs, ns, uvs, "slate", "", 128, 128, 128, 1);
    exporter.end_group();
    exporter.close_file();

    EXPECT_EQ(read_file(path), complete_export);
}

TEST(ExporterGolden, TestSceneIsOneTexturedSquareInTheTemporaryFolder) {
    TemporaryFolder folder;
    ScopedEnvironment tmpdir(temporary_folder_variable, folder.path());
    SketchupExporter exporter;
    exporter.test();

    const std::string expected =
        header +
        "\n"
        "group \"object\" {\n"
        "  \n"
        "  accel \"auto\" {\n"
        "  }\n"
        "\n"
        "  object \"Square\" {\n"
        "    geometry \"triangles\" {\n" +
        array(6, "vertices", block('c', {0, 0, 0, 0, 0, 20, 0, 20, 0, 0, 20, 20})) +
        array(6, "normals", block('c', {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0})) +
        array(6, "uv_tex", block('f', {0, 0, 0, 1, 1, 0, 1, 1})) +
        array(6, "triangles", block({0, 1, 2, 1, 3, 2})) +
        "    }\n"
        "    material \"hellomat\" {\n"
        "      surface       \"tav_advanced\" {\n"
        "        \"diffuse\" 0 0 0,\n"
        "        \"specular\" 0 0 0,\n"
        "        \"fresnel\" on,\n"
        "        \"roughness\" -1,\n"
        "        \"ior\" 1.5,\n"
        "        \"glossy\" on,\n"
        "        \"glossy_samples\" 9,\n"
        "        \"alpha\" 1,\n"
        "        \"diffuse\" !   \"texture_rgb\" {\n"
        "          \"project\" 3,\n"
        "          \"wrap\" on,\n"
        "          \"texture\" \"" +
        folder.file("vistrel_test.jpg") +
        "\",\n"
        "          \"default_color\" 0 0 0,\n"
        "        }  ,\n"
        "      }      \n"
        "    }\n"
        "  }\n"
        "}\n";
    EXPECT_EQ(read_file(folder.file("vistrel_test.vsf")), expected);
    EXPECT_TRUE(exporter.get_output_path().empty());
}

}  // namespace
