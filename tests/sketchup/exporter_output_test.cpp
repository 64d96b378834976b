// Scene files: whole files compared with data/*.vsf, the test scene, closing on destruction.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "exporter_test_support.h"

namespace {

// Camera, numbered and named groups, transforms, batches after an immediate textured mesh.
TEST(ExporterOutput, CompleteExportMatchesTheGoldenFile) {
    TemporaryFolder folder;
    const std::string path = folder.file("house.vsf");
    const float vs[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0}, ns[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    const float uvs[9] = {0, 0, 7, 1, 0, 7, 0, 1, 7};
    const int fs[3] = {1, 2, 3};
    float shift[16], identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) shift[i] = static_cast<float>(i + 1);

    SketchupExporter exporter;
    open_export(exporter, path, "C:\\models\\house.v2.skp");
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

// A link planted at the fixed path is replaced, and what it points to is left alone.
TEST(ExporterOutput, TestSceneIsOneTexturedSquareInTheTemporaryFolder) {
    TemporaryFolder folder;
    ScopedEnvironment tmpdir(temporary_folder_variable, folder.path());
    const std::string scene = folder.file("vistrel_test.vsf"), victim = folder.file("victim");
#ifndef _WIN32
    std::ofstream(victim) << "keep";
    std::filesystem::create_symlink(victim, scene);
#endif
    SketchupExporter exporter;
    exporter.test();
    std::string expected = golden("test_scene.vsf");
    expected.replace(expected.find("@TEXTURE@"), 9, folder.file("vistrel_test.jpg"));
    EXPECT_EQ(read_file(scene), expected);
    EXPECT_TRUE(exporter.get_output_path().empty());
#ifndef _WIN32
    EXPECT_EQ(read_file(victim), "keep");
#endif
}

#ifndef _WIN32  // /proc/self/fd
TEST(ExporterOutput, DestroyingAnOpenExporterClosesItsOutput) {
    auto open_files = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    TemporaryFolder folder;
    const std::string path = folder.file("dropped.vsf");
    const auto before = open_files();
    {
        SketchupExporter exporter;
        open_export(exporter, path);
        exporter.begin_group("g");
    }
    EXPECT_EQ(open_files(), before);
    const std::string scene = read_file(path);
    EXPECT_EQ(scene.substr(scene.size() - 6), "  }\n}\n");
}
#endif

}  // namespace
