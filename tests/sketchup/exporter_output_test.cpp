// The exporter's output files: temporary scene files, and failures to open or write them.
#include <gtest/gtest.h>

#include <filesystem>
#include <ios>
#include <stdexcept>
#include <string>

#include "SketchupExporter.h"
#include "scoped_environment.h"
#include "test_files.h"

namespace {

const float eye[3] = {1, 2, 3}, dir[3] = {0, 0, -1}, up[3] = {0, 1, 0};

template <typename F>
std::string failure_message(F f) {
    try {
        f();
    } catch (const std::ios_base::failure& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

std::size_t open_descriptors() {
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
         it != std::filesystem::directory_iterator(); ++it)
        ++count;
    return count;
}

TEST(ExporterOutput, TemporaryOutputIsANewVsfFileInTmpdir) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX temporary folder; tests/windows covers the Windows one";
#endif
    TemporaryFolder folder;
    ScopedEnvironment tmpdir("TMPDIR", folder.path() + "/");
    SketchupExporter exporter;
    exporter.open_file("m", "ignored.vsf", eye, dir, up, 45, 0, false);
    const std::string first = exporter.get_output_path();
    exporter.close_file();
    exporter.open_file("m", nullptr, eye, dir, up, 45, 0, false);
    const std::string second = exporter.get_output_path();
    exporter.close_file();

    for (const std::string& path : {first, second}) {
        const std::filesystem::path file(path);
        EXPECT_EQ(file.parent_path(), folder.path());
        EXPECT_EQ(file.extension(), ".vsf");
        EXPECT_EQ(file.stem().string().rfind("vis", 0), 0u) << path;
        EXPECT_EQ(read_file(path).rfind("//---tavren:dal:3---\n", 0), 0u);
    }
    EXPECT_NE(first, second);
    // Nothing but the two scenes is left behind.
    std::size_t files = 0;
    for (auto it = std::filesystem::directory_iterator(folder.path());
         it != std::filesystem::directory_iterator(); ++it)
        ++files;
    EXPECT_EQ(files, 2u);
    EXPECT_FALSE(std::filesystem::exists("ignored.vsf"));
}

TEST(ExporterOutput, TemporaryFolderThatIsMissingIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX temporary folder; tests/windows covers the Windows one";
#endif
    TemporaryFolder folder;
    const std::string missing = folder.file("gone");
    ScopedEnvironment tmpdir("TMPDIR", missing);
    SketchupExporter exporter;
    EXPECT_EQ(failure_message([&] { exporter.open_file("m", "", eye, dir, up, 45, 0, false); }),
              "cannot create a temporary scene file in " + missing + ": No such file or directory");
    EXPECT_THROW(exporter.begin_group("g"), std::logic_error);
}

TEST(ExporterOutput, OutputThatCannotBeOpenedIsReportedAndLeavesTheExporterClosed) {
    TemporaryFolder folder;
    const std::string path = folder.file("missing/scene.vsf");
    SketchupExporter exporter;
    EXPECT_EQ(
        failure_message([&] { exporter.open_file("m", path.c_str(), eye, dir, up, 45, 0, true); }),
        "cannot open scene file " + path + ": No such file or directory");
    EXPECT_FALSE(exporter.is_open());
    exporter.close_file();
}

TEST(ExporterOutput, FailedWritesAreReportedByCloseFile) {
#ifdef _WIN32
    GTEST_SKIP() << "no /dev/full";
#endif
    SketchupExporter exporter;
    exporter.open_file("m", "/dev/full", eye, dir, up, 45, 0, true);
    const float vs[9] = {}, ns[9] = {}, uvs[9] = {};
    const int fs[3] = {1, 2, 3};
    exporter.add_faces2(3, 1, vs, fs, ns, uvs, "m", "", 0, 0, 0, 1);
    EXPECT_EQ(failure_message([&] { exporter.close_file(); }),
              "cannot write scene file /dev/full: No space left on device");
    EXPECT_FALSE(exporter.is_open());
    exporter.close_file();  // closed: nothing more to report
}

TEST(ExporterOutput, DestroyingAnOpenExporterClosesItsOutput) {
#ifdef _WIN32
    GTEST_SKIP() << "no /proc/self/fd; tests/windows covers it";
#endif
    TemporaryFolder folder;
    const std::string path = folder.file("dropped.vsf");
    const std::size_t before = open_descriptors();
    {
        SketchupExporter exporter;
        exporter.open_file("m", path.c_str(), eye, dir, up, 45, 0, true);
        exporter.begin_group("g");
        exporter.end_group();
    }
    EXPECT_EQ(open_descriptors(), before);
    const std::string scene = read_file(path);
    EXPECT_EQ(scene.substr(scene.size() - 6), "  }\n}\n");
}

}  // namespace
