// Scene output on Windows: UTF-8 file names, no newline translation in files or on the standard
// output "-". Holds the tests' entry, which also runs the child of the standard output test.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "SceneBuilder.h"
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

TEST(Utf8Names, OpenTheFileOfThatExactName) {
    TemporaryFolder folder;
    // Latin, euro sign and CJK: no single narrow code page holds them all.
    const std::wstring name = L"sc\u00e8ne \u20ac \u5834.vsf";
    const std::string path = folder.file(utf8(name));
    FILE* file = fopen_utf8(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("scene\n", file);
    std::fclose(file);
    EXPECT_EQ(read_file(path), "scene\n");
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder.path())))
        names.push_back(entry.path().filename().wstring());
    EXPECT_EQ(names, std::vector<std::wstring>{name});

    EXPECT_EQ(fopen_utf8(folder.file("missing \u5834/x.vsf").c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

// A scene file keeps its bare line feeds. So does the scene on the standard output "-" of a
// child, whose standard output and error are files: its prints go through text-mode streams, so
// their line ends become "\r\n", and those after the opening go to standard error.
TEST(BinaryOutput, SceneFileAndStandardOutputKeepLineFeedsUntranslated) {
    TemporaryFolder folder;
    write_scene(folder.file("expected.vsf").c_str());
    const std::string expected_scene = read_file(folder.file("expected.vsf"));
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
