// Scene output on Windows: UTF-8 file names, no newline translation in files or on the standard
// output "-", and the output closed when its exporter goes away.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "SceneBuilder.h"
#include "SketchupExporter.h"
#include "standard_output_child.h"
#include "test_files.h"
#include "windows_support.h"

namespace {

namespace fs = std::filesystem;

// A vertex coordinate whose bytes include a line feed (0x0A), so that a translating stream
// would change the binary block too.
float coordinate_with_line_feed() {
    const std::uint32_t bits = 0x3F80000A;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// One small mesh with text and binary parts.
void write_mesh(SceneBuilder& scene) {
    scene.begin_mesh("mesh");
    scene.add_vertex(coordinate_with_line_feed(), 0, 0);
    scene.add_vertex(0, 1, 0);
    scene.add_vertex(0, 0, 1);
    scene.add_triangle(0, 1, 2);
    scene.set_diffuse(1, 0.5f, 0);
    scene.end_mesh();
}

void write_scene(SceneBuilder& scene, const char* file_name) {
    scene.open_scene(file_name, "m");
    write_mesh(scene);
    scene.close_scene();
}

TEST(Utf8Names, OpenTheFileOfThatExactName) {
    TemporaryFolder folder;
    // Latin, euro sign and CJK: no single narrow code page holds them all.
    const std::wstring name = L"sc\u00e8ne \u20ac \u5834.vsf";
    const std::string path = folder.file(utf8(name));
    FILE* file = fopen_utf8(path.c_str(), "wb+");
    ASSERT_NE(file, nullptr);
    std::fputs("scene", file);
    std::rewind(file);
    char back[8] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, file), 5u);  // "+" opened it for reading too
    std::fclose(file);
    EXPECT_STREQ(back, "scene");

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide(folder.file("*")).c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> names;
    do {
        if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(names, std::vector<std::wstring>{name});

    EXPECT_EQ(fopen_utf8(folder.file("missing \u5834/x.vsf").c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

TEST(BinaryOutput, SceneFileKeepsLineFeedsUntranslated) {
    TemporaryFolder folder;
    const std::string path = folder.file("scene.vsf");
    SceneBuilder scene;
    write_scene(scene, path.c_str());
    const std::string bytes = read_file(path);
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
    EXPECT_EQ(bytes.rfind("//---tavren:dal:3---\n// This is a Vistrel scene file\n\n", 0), 0u);
    const std::string coordinate("\x0A\x00\x80\x3F", 4);
    EXPECT_NE(bytes.find(coordinate), std::string::npos);
}

// The child's standard output and error are files. Its prints go through text-mode streams, so
// their line ends become "\r\n"; the scene in between must keep its bare "\n".
TEST(BinaryOutput, DashWritesTheSceneUntranslatedAndMovesLaterPrintsToStandardError) {
    TemporaryFolder folder;
    const std::string expected_scene_path = folder.file("expected.vsf");
    {
        SceneBuilder scene;
        write_scene(scene, expected_scene_path.c_str());
    }
    const std::string expected_scene = read_file(expected_scene_path);

    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto create = [&](const std::string& path) {
        return CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE out = create(folder.file("stdout"));
    HANDLE err = create(folder.file("stderr"));
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    ASSERT_NE(err, INVALID_HANDLE_VALUE);

    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(program) + L"\" " + wide(standard_output_child_argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(program, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &child);
    CloseHandle(out);
    CloseHandle(err);
    ASSERT_TRUE(started) << system_message(GetLastError());
    WaitForSingleObject(child.hProcess, 60000);
    DWORD status = 1;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    EXPECT_EQ(status, 0u);
    EXPECT_EQ(read_file(folder.file("stdout")), "before\r\n" + expected_scene);
    EXPECT_EQ(read_file(folder.file("stderr")), "later\r\nafter closing\r\n");
}

// Windows refuses to delete a file that is open, so deleting shows whether the output is closed.
TEST(BinaryOutput, DestroyingAnOpenExporterClosesItsOutput) {
    TemporaryFolder folder;
    const std::string path = folder.file("dropped.vsf");
    {
        SketchupExporter exporter;
        const float v[3] = {0, 0, 1};
        exporter.open_file("m", path.c_str(), v, v, v, 45, 0, true);
        EXPECT_FALSE(DeleteFileW(wide(path).c_str()));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    const std::string scene = read_file(path);
    EXPECT_EQ(scene.substr(scene.size() - 2), "}\n");
    EXPECT_TRUE(DeleteFileW(wide(path).c_str())) << system_message(GetLastError());
}

}  // namespace

int write_scene_to_standard_output() {
    std::printf("before\n");
    SceneBuilder scene;
    scene.open_scene("-", "m");
    std::printf("later\n");
    std::fflush(stdout);
    write_mesh(scene);
    scene.close_scene();
    std::printf("after closing\n");
    std::fflush(stdout);
    return 0;
}
