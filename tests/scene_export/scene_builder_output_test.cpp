// SceneBuilder with the real writer: where the scene goes and how output failures are reported.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <ios>
#include <stdexcept>
#include <string>

#include "SceneBuilder.h"
#include "test_files.h"

namespace {

const std::string header = "//---tavren:dal:3---\n// This is a Vistrel scene file\n\n";
// What open_scene and close_scene write around an empty scene with the top group "m".
const std::string empty_scene = header + "\ngroup \"m\" {\n  \n  accel \"auto\" {\n  }\n}\n";

// Runs f and returns the message of the std::ios_base::failure it throws.
template <typename F>
std::string failure_message(F f) {
    try {
        f();
    } catch (const std::ios_base::failure& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(SceneOutput, EmptySceneIsHeaderTopGroupAndAccel) {
    TemporaryFolder folder;
    const std::string path = folder.file("empty.vsf");
    SceneBuilder scene;
    scene.open_scene(path.c_str(), "m");
    scene.close_scene();
    EXPECT_EQ(read_file(path), empty_scene);
}

TEST(SceneOutput, UnopenableFileIsReportedWithPathAndOsError) {
    TemporaryFolder folder;
    const std::string missing = folder.file("no/such/folder/scene.vsf");
    SceneBuilder scene;
    EXPECT_EQ(failure_message([&] { scene.open_scene(missing.c_str(), "m"); }),
              "cannot open scene file " + missing + ": No such file or directory");
    EXPECT_FALSE(scene.is_open());
    EXPECT_THROW(scene.begin_mesh("m"), std::logic_error);
    scene.close_scene();  // nothing to close
}

#ifndef _WIN32  // folder modes, setuid, /dev/full
// Root may write anywhere, so then the attempt runs in a child that gives up its privileges.
TEST(SceneOutput, UnwritableFolderIsReported) {
    TemporaryFolder folder;
    chmod(folder.path().c_str(), 0555);
    const std::string path = folder.file("scene.vsf");
    const std::string expected = "cannot open scene file " + path + ": Permission denied";
    auto attempt = [&] {
        SceneBuilder scene;
        std::string message = failure_message([&] { scene.open_scene(path.c_str(), "m"); });
        return message == expected && !scene.is_open();
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(attempt());
    } else {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(setgid(65534) == 0 && setuid(65534) == 0 && attempt() ? 0 : 1);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SceneOutput, FullDeviceIsReportedWhenClosing) {
    SceneBuilder scene;
    scene.open_scene("/dev/full", "m");
    EXPECT_EQ(failure_message([&] { scene.close_scene(); }),
              "cannot write scene file /dev/full: No space left on device");
    EXPECT_FALSE(scene.is_open());
    scene.close_scene();
    // The builder is usable again.
    TemporaryFolder folder;
    const std::string path = folder.file("next.vsf");
    scene.open_scene(path.c_str(), "m");
    scene.close_scene();
    EXPECT_EQ(read_file(path), empty_scene);
}
#endif

TEST(SceneOutput, SecondOpenWhileOpenIsRefused) {
    TemporaryFolder folder;
    const std::string first = folder.file("first.vsf");
    const std::string second = folder.file("second.vsf");
    SceneBuilder scene;
    scene.open_scene(first.c_str(), "m");
    try {
        scene.open_scene(second.c_str(), "n");
        ADD_FAILURE() << "nothing thrown";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "open_scene: a scene is already open");
    }
    scene.close_scene();
    EXPECT_EQ(read_file(first), empty_scene);
    EXPECT_FALSE(std::filesystem::exists(second));
}

TEST(SceneOutput, NamesAreUtf8AndOnlyALoneDashMeansStandardOutput) {
    TemporaryFolder folder;
    const std::string accented = folder.file("sc\xC3\xA8ne \xE2\x82\xAC.vsf");
    SceneBuilder scene;
    scene.open_scene(accented.c_str(), "m");
    scene.close_scene();
    EXPECT_EQ(read_file(accented), empty_scene);

    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    scene.open_scene("-m", "m");
    scene.close_scene();
    std::filesystem::current_path(previous);
    EXPECT_EQ(read_file(folder.file("-m")), empty_scene);
}

#ifndef _WIN32  // fork
// The scene goes to the standard output the process had; prints after the opening go to
// standard error. Run in a child, whose standard streams are files.
TEST(SceneOutput, DashWritesToStandardOutputAndMovesLaterPrintsToStandardError) {
    TemporaryFolder folder;
    const std::string out = folder.file("stdout");
    const std::string err = folder.file("stderr");
    std::fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            _exit(2);
        std::printf("before\n");
        SceneBuilder scene;
        scene.open_scene("-", "m");
        std::printf("later\n");
        std::fflush(stdout);
        scene.close_scene();
        std::printf("after closing\n");
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(read_file(out), "before\n" + empty_scene);
    EXPECT_EQ(read_file(err), "later\nafter closing\n");
}
#endif

}  // namespace
