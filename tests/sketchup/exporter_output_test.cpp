// The exporter's output files: temporary scene files, and failures to open or write them.
#include <gtest/gtest.h>

#include <filesystem>
#include <ios>
#include <stdexcept>
#include <string>

#include "SketchupExporter.h"
#include "exporter_test_support.h"
#include "test_files.h"

namespace {

const float eye[3] = {1, 2, 3}, dir[3] = {0, 0, -1}, up[3] = {0, 1, 0};

TEST(ExporterOutput, OutputThatCannotBeCreatedIsReportedAndLeavesTheExporterClosed) {
    TemporaryFolder folder;
    const std::string path = folder.file("gone/scene.vsf");
    SketchupExporter exporter;
    EXPECT_EQ(message_of<std::ios_base::failure>(
                  [&] { exporter.open_file("m", path.c_str(), eye, dir, up, 45, 0, true); }),
              "cannot open scene file " + path + ": No such file or directory");
    EXPECT_FALSE(exporter.is_open());
    // A scene that never opened is not one the renderer can be started on.
    EXPECT_EQ(message_of<std::logic_error>([&] { exporter.run_vistrel(); }),
              "run_vistrel: no scene has been exported");
    const std::string written = folder.file("written.vsf");
    exporter.open_file("m", written.c_str(), eye, dir, up, 45, 0, true);
    exporter.close_file();
    EXPECT_THROW(exporter.open_file("m", path.c_str(), eye, dir, up, 45, 0, true),
                 std::ios_base::failure);
    EXPECT_EQ(exporter.get_output_path(), written);
#ifndef _WIN32  // tests/windows covers the Windows temporary folder
    const std::string gone = folder.file("gone");
    ScopedEnvironment tmpdir("TMPDIR", gone);
    EXPECT_EQ(message_of<std::ios_base::failure>(
                  [&] { exporter.open_file("m", "", eye, dir, up, 45, 0, false); }),
              "cannot create a temporary scene file in " + gone + ": No such file or directory");
    EXPECT_FALSE(exporter.is_open());
#endif
}

#ifndef _WIN32  // TMPDIR, /dev/full and /proc/self/fd; tests/windows covers Windows
std::size_t files_in(const std::string& folder) {
    const std::filesystem::directory_iterator files(folder);
    return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

TEST(ExporterOutput, TemporaryOutputIsANewVsfFileInTmpdir) {
    TemporaryFolder folder;
    ScopedEnvironment tmpdir("TMPDIR", folder.path() + "/");
    SketchupExporter exporter;
    std::string paths[2];
    for (std::string& path : paths) {
        exporter.open_file("m", "ignored.vsf", eye, dir, up, 45, 0, false);
        path = exporter.get_output_path();
        exporter.close_file();
        const std::filesystem::path file(path);
        EXPECT_EQ(file.parent_path(), folder.path());
        EXPECT_EQ(file.extension(), ".vsf");
    }
    EXPECT_NE(paths[0], paths[1]);
    EXPECT_EQ(files_in(folder.path()), 2u);  // nothing but the two scenes is left behind
    EXPECT_FALSE(std::filesystem::exists("ignored.vsf"));
}

TEST(ExporterOutput, FailedWritesAreReportedByCloseFile) {
    SketchupExporter exporter;
    exporter.open_file("m", "/dev/full", eye, dir, up, 45, 0, true);
    EXPECT_EQ(message_of<std::ios_base::failure>([&] { exporter.close_file(); }),
              "cannot write scene file /dev/full: No space left on device");
    EXPECT_FALSE(exporter.is_open());
    exporter.close_file();  // closed: nothing more to report
}

TEST(ExporterOutput, DestroyingAnOpenExporterClosesItsOutput) {
    TemporaryFolder folder;
    const std::string path = folder.file("dropped.vsf");
    const std::size_t before = files_in("/proc/self/fd");
    {
        SketchupExporter exporter;
        exporter.open_file("m", path.c_str(), eye, dir, up, 45, 0, true);
        exporter.begin_group("g");
    }
    EXPECT_EQ(files_in("/proc/self/fd"), before);
    const std::string scene = read_file(path);
    EXPECT_EQ(scene.substr(scene.size() - 6), "  }\n}\n");
}
#endif

}  // namespace
