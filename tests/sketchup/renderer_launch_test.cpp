// Locating the renderer through its configuration file and starting it on the exported scene.
// A shell script stands in for the renderer: it writes its working folder and arguments to a file.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SketchupExporter.h"
#include "command_line.h"
#include "exporter_test_support.h"
#include "test_files.h"

namespace {

#ifndef _WIN32  // configuration files, shell scripts, fork; tests/windows covers Windows
using Lines = std::vector<std::string>;

void write_text(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
}

class RendererLaunch : public ::testing::Test {
  protected:
    RendererLaunch() {
        write_text(renderer,
                   "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > " +
                       report + ".part && mv " + report + ".part " + report + "\n");
        chmod(renderer.c_str(), 0755);
    }

    // Exports an empty scene to a path with blanks and starts the renderer on it.
    void export_and_run() {
        const float v[3] = {0, 0, 1};
        exporter.open_file("m", scene.c_str(), v, v, v, 45, 0, true);
        exporter.close_file();
        exporter.run_vistrel();
    }

    // The renderer does not wait, so its report may come a little later.
    Lines launched() {
        for (int i = 0; i < 500 && !std::filesystem::exists(report); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return read_lines(report);
    }

    std::string run_error() {
        return message_of<std::runtime_error>([this] { export_and_run(); });
    }

    TemporaryFolder folder;
    const std::string user_config = folder.file("home config");
    const std::string system_config = folder.file("xdg");
    const std::string user_file = user_config + "/Tavren/Vistrel.conf";
    ScopedEnvironment config_home{"XDG_CONFIG_HOME", user_config};
    ScopedEnvironment config_dirs{"XDG_CONFIG_DIRS", folder.file("none") + ":" + system_config};
    const std::string bin_folder = folder.file("renderer bin");
    const std::string renderer = bin_folder + "/vistrel.sh";
    const std::string report = folder.file("launched");
    const std::string scene = folder.file("my scene.vsf");
    SketchupExporter exporter;
};

// The user's configuration comes first; the scene path keeps its blanks as one argument.
TEST_F(RendererLaunch, StartsConfiguredProgramInItsFolderWithTheSceneAsOneArgument) {
    write_text(user_file, "# where the renderer lives\n\n  BinName =  " + renderer +
                              "  \nBinFolder=" + bin_folder + "\n");
    write_text(system_config + "/Tavren/Vistrel.conf", "BinName=/nowhere/vistrel\n");
    export_and_run();
    EXPECT_EQ(launched(), (Lines{bin_folder, "-import2", scene}));
    // The renderer was handed to init: no child of ours is left, finished or not.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(RendererLaunch, SystemConfigurationServesWhenTheUserHasNone) {
    write_text(system_config + "/Tavren/Vistrel.conf", "BinName=" + renderer + "\n");
    ScopedEnvironment home("HOME", folder.file("home"));
    ScopedEnvironment no_user_config("XDG_CONFIG_HOME", std::nullopt);
    export_and_run();
    EXPECT_EQ(launched().at(2), scene);
}

// Each failure names what is missing, or the program and the OS error of its start.
TEST_F(RendererLaunch, FailuresAreReported) {
    EXPECT_EQ(message_of<std::logic_error>([this] { exporter.run_vistrel(); }),
              "run_vistrel: no scene has been exported");
    EXPECT_EQ(run_error(), "renderer not configured: none of " + user_file + ", " +
                               folder.file("none") + "/Tavren/Vistrel.conf, " + system_config +
                               "/Tavren/Vistrel.conf exists");
    write_text(user_file, "BinFolder=" + bin_folder + "\n#BinName=" + renderer + "\nBinName=\n");
    EXPECT_EQ(run_error(), "renderer not configured: no BinName in " + user_file);

    const std::string missing = folder.file("no-renderer");
    write_text(user_file, "BinName=" + missing + "\n");
    EXPECT_EQ(run_error(), "cannot start renderer " + missing + ": No such file or directory");
    write_text(user_file, "BinName=" + renderer + "\nBinFolder=" + folder.file("gone") + "\n");
    EXPECT_EQ(run_error(), "cannot start renderer " + renderer + " in " + folder.file("gone") +
                               ": No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(report));
}
#endif

TEST(WindowsCommandLine, ArgumentsWithBlanksOrQuotesAreQuotedSoTheyReadBackWhole) {
    EXPECT_EQ(platform::quote_windows_argument("C:\\scenes\\a.vsf"), "C:\\scenes\\a.vsf");
    EXPECT_EQ(platform::quote_windows_argument("C:\\My Scenes\\"), "\"C:\\My Scenes\\\\\"");
    EXPECT_EQ(platform::quote_windows_argument("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(platform::quote_windows_argument(""), "\"\"");
    EXPECT_EQ(platform::join_windows_arguments({"-import2", "C:\\Temp\\my scene.vsf"}),
              "-import2 \"C:\\Temp\\my scene.vsf\"");
}

}  // namespace
