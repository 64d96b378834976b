// Whole scene files written by the exporter, compared byte for byte with data/*.vsf.
#include <gtest/gtest.h>

#include <string>

#include "SketchupExporter.h"
#include "exporter_test_support.h"
#include "test_files.h"

namespace {

std::string golden(const std::string& name) {
    return read_file(std::string(VISTREL_SKETCHUP_TEST_DATA) + "/" + name);
}

// Camera, a numbered group with a transform, two batches in byte order of their keys after an
// immediate textured mesh, and a named group.
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

    EXPECT_EQ(read_file(path), golden("complete_export.vsf"));
}

TEST(ExporterGolden, TestSceneIsOneTexturedSquareInTheTemporaryFolder) {
    TemporaryFolder folder;
    ScopedEnvironment tmpdir(temporary_folder_variable, folder.path());
    SketchupExporter exporter;
    exporter.test();

    std::string expected = golden("test_scene.vsf");
    const std::string placeholder = "@TEXTURE@";
    const std::size_t at = expected.find(placeholder);
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, placeholder.size(), folder.file("vistrel_test.jpg"));
    EXPECT_EQ(read_file(folder.file("vistrel_test.vsf")), expected);
    EXPECT_TRUE(exporter.get_output_path().empty());
}

}  // namespace
