// Scene output on Windows: temporary scene files from GetTempFileNameW in the folder of
// GetTempPathW (which reads TMP), UTF-8 names, no newline translation in files or on the
// standard output "-". Holds the tests' entry, which also runs the standard output test's child.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "SceneBuilder.h"
#include "SketchupExporter.h"
#include "test_files.h"
#include "windows_support.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* standard_output_child = "--write-scene-to-standard-output";

// A scene of one small mesh with text and binary parts. A vertex coordinate has a line feed
// (0x0A) among its bytes, so that a translating stream would change the binary block too. On
// the standard output, a print follows the opening.
void write_scene(const char* file_name) {
    const std::uint32_t bits = 0x3F80000A;
    float coordinate;
    std::memcpy(&coordinate, &bits, sizeof coordinate);
    SceneBuilder scene;
    scene.open_scene(file_name, "m");
    if (std::strcmp(file_name, "-") == 0) {
        std::printf("later\n");
        std::fflush(stdout);
    }
    scene.begin_mesh("mesh");
    scene.add_vertex(coordinate, 0, 0);
    scene.add_vertex(0, 1, 0);
    scene.add_vertex(0, 0, 1);
    scene.add_triangle(0, 1, 2);
    scene.end_mesh();
    scene.close_scene();
}

// A scene file, here under a name that no single narrow code page holds, keeps its bare line
// feeds. So does the scene on the standard output "-" of a child, whose standard output and
// error are files: its prints go through text-mode streams, so their line ends become "\r\n",
// and those after the opening go to standard error.
TEST(WindowsOutput, Utf8NamedFileAndStandardOutputKeepLineFeedsUntranslated) {
    TemporaryFolder folder;
    const std::string path = folder.file(utf8(L"sc\u00e8ne \u20ac \u5834.vsf"));
    write_scene(path.c_str());
    const std::string expected_scene = read_file(path);
    EXPECT_EQ(expected_scene.find('\r'), std::string::npos);
    EXPECT_NE(expected_scene.find(std::string("\x0A\x00\x80\x3F", 4)), std::string::npos);

    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    // The command processor takes the line without its outer quotes.
    const std::wstring command =
        L"\"\"" + std::wstring(program) + L"\" " + wide(standard_output_child) + L" >\"" +
        wide(folder.file("stdout")) + L"\" 2>\"" + wide(folder.file("stderr")) + L"\"\"";
    EXPECT_EQ(_wsystem(command.c_str()), 0);
    EXPECT_EQ(read_file(folder.file("stdout")), "before\r\n" + expected_scene);
    EXPECT_EQ(read_file(folder.file("stderr")), "later\r\nafter closing\r\n");
}

// A new temporary scene, as an export without a file name makes it.
std::string export_to_temporary_file() {
    const float eye[3] = {1, 2, 3}, dir[3] = {0, 0, -1}, up[3] = {0, 1, 0};
    SketchupExporter exporter;
    exporter.open_file("m", "ignored.vsf", eye, dir, up, 45, 0, false);
    exporter.close_file();
    return exporter.get_output_path();
}

// The scene is a new "vis*.vsf"; the system's own empty ".tmp" beside it keeps the stem taken. A
// scene that outlived its ".tmp" (cleaned away by the user or the system) keeps its contents.
// GetTempFileNameW counts up from the clock, past the names whose ".tmp" exists, so the names
// after the one it gave last are given earlier scenes here.
TEST(TemporaryScene, IsANewVsfFileThatNeverOverwritesAnEarlierScene) {
    TemporaryFolder folder;
    ScopedVariable tmp{L"TMP", wide(folder.path())};
    auto name_with = [&](unsigned number, const char* extension) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "vis%x.%s", number, extension);
        return fs::u8path(folder.file(stem));
    };
    bool passed_over = false;
    for (int attempt = 0; attempt < 20 && !passed_over; ++attempt) {
        wchar_t given[MAX_PATH + 1] = {};
        ASSERT_NE(GetTempFileNameW(wide(folder.path()).c_str(), L"vistrel", 0, given), 0u);
        const unsigned last = std::stoul(fs::path(given).stem().string().substr(3), nullptr, 16);
        if (last + 20 > 0xffff) continue;
        for (unsigned n = last + 1; n <= last + 20; ++n)
            std::ofstream(name_with(n, "vsf"), std::ios::binary) << "earlier scene";
        const fs::path scene = fs::u8path(export_to_temporary_file());
        EXPECT_EQ(scene.parent_path(), fs::u8path(folder.path())) << scene;
        EXPECT_EQ(scene.extension(), ".vsf");
        EXPECT_EQ(read_file(scene.u8string()).rfind("//---tavren:dal:3---\n", 0), 0u);
        EXPECT_EQ(fs::file_size(fs::path(scene).replace_extension(".tmp")), 0u);
        for (unsigned n = last + 1; n <= last + 20; ++n) {
            EXPECT_EQ(read_file(name_with(n, "vsf").u8string()), "earlier scene");
            // The system handed out this name, so the case under test happened.
            passed_over = passed_over || fs::exists(name_with(n, "tmp"));
        }
    }
    EXPECT_TRUE(passed_over) << "the system never handed out a name of an earlier scene";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], standard_output_child) == 0) {
        std::printf("before\n");
        write_scene("-");
        std::printf("after closing\n");
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
