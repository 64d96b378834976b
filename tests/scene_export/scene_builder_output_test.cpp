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

// What open_scene and close_scene write around an empty scene with the top group "m".
const std::string empty_scene =
    "//---tavren:dal:3---\n// This is a Vistrel scene file\n\n"
    "\ngroup \"m\" {\n  \n  accel \"auto\" {\n  }\n}\n";

// Runs f and returns the message of the Error it throws.
template <typename Error = std::ios_base::failure, typename F>
std::string failure_message(F f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// A second open is refused and leaves the first scene whole.
TEST(SceneOutput, EmptySceneIsWrittenWholeAndASecondOpenIsRefused) {
    TemporaryFolder folder;
    const std::string first = folder.file("first.vsf");
    SceneBuilder scene;
    scene.open_scene(first.c_str(), "m");
    EXPECT_EQ(failure_message<std::logic_error>(
                  [&] { scene.open_scene(folder.file("second.vsf").c_str(), "n"); }),
              "open_scene: a scene is already open");
    scene.close_scene();
    EXPECT_EQ(read_file(first), empty_scene);
    EXPECT_FALSE(std::filesystem::exists(folder.file("second.vsf")));
    // Only the name "-" itself means standard output; a name that starts with a dash is a file.
    const std::string dashed = folder.file("-m");
    scene.open_scene(dashed.c_str(), "m");
    scene.close_scene();
    EXPECT_EQ(read_file(dashed), empty_scene);
}

TEST(SceneOutput, UnopenableFileIsReportedWithPathAndOsError) {
    TemporaryFolder folder;
    const std::string missing = folder.file("no/such/folder/scene.vsf");
    SceneBuilder scene;
    EXPECT_EQ(failure_message([&] { scene.open_scene(missing.c_str(), "m"); }),
              "cannot open scene file " + missing + ": No such file or directory");
    EXPECT_FALSE(scene.is_open());
    EXPECT_EQ(failure_message<std::logic_error>([&] { scene.begin_mesh("m"); }),
              "begin_mesh: no scene is open");
    scene.close_scene();  // nothing to close
}

#ifndef _WIN32  // folder modes, setuid, /dev/full, fork
// Runs f in a child process; true when it returned true there.
template <typename F>
bool in_child(F f) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) _exit(f() ? 0 : 1);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Root may write anywhere, so then the attempt runs in a child that gives up its privileges.
TEST(SceneOutput, UnwritableFolderIsReported) {
    TemporaryFolder folder;
    chmod(folder.path().c_str(), 0555);
    const std::string path = folder.file("scene.vsf");
    auto attempt = [&] {
        SceneBuilder scene;
        return failure_message([&] { scene.open_scene(path.c_str(), "m"); }) ==
                   "cannot open scene file " + path + ": Permission denied" &&
               !scene.is_open();
    };
    EXPECT_TRUE(geteuid() != 0 ? attempt() : in_child([&] {
        return setgid(65534) == 0 && setuid(65534) == 0 && attempt();
    }));
    EXPECT_FALSE(std::filesystem::exists(path));
}

// The failure comes when closing; the builder is closed and usable again.
TEST(SceneOutput, FullDeviceIsReportedWhenClosing) {
    SceneBuilder scene;
    scene.open_scene("/dev/full", "m");
    EXPECT_EQ(failure_message([&] { scene.close_scene(); }),
              "cannot write scene file /dev/full: No space left on device");
    EXPECT_FALSE(scene.is_open());
    TemporaryFolder folder;
    const std::string path = folder.file("next.vsf");
    scene.open_scene(path.c_str(), "m");
    scene.close_scene();
    EXPECT_EQ(read_file(path), empty_scene);
}

// The scene goes to the standard output the process had; prints after the opening go to
// standard error. Run in a child, whose standard streams are files.
TEST(SceneOutput, DashWritesToStandardOutputAndMovesLaterPrintsToStandardError) {
    TemporaryFolder folder;
    const std::string out = folder.file("stdout");
    const std::string err = folder.file("stderr");
    EXPECT_TRUE(in_child([&] {
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            return false;
        std::printf("before\n");
        SceneBuilder scene;
        scene.open_scene("-", "m");
        std::printf("later\n");
        std::fflush(stdout);
        scene.close_scene();
        std::printf("after closing\n");
        return std::fflush(stdout) == 0;
    }));
    EXPECT_EQ(read_file(out), "before\n" + empty_scene);
    EXPECT_EQ(read_file(err), "later\nafter closing\n");
}
#endif

}  // namespace
