// Locating the renderer through its configuration file and starting it on the exported scene.
// A small shell script stands in for the renderer: it writes its working folder and arguments
// to a file.
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
#include "scoped_environment.h"
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
        try {
            export_and_run();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "(nothing thrown)";
    }

    TemporaryFolder folder;
    const std::string user_config = folder.file("home config");
    const std::string system_config = folder.file("xdg");
    ScopedEnvironment config_home{"XDG_CONFIG_HOME", user_config};
    ScopedEnvironment config_dirs{"XDG_CONFIG_DIRS", folder.file("none") + ":" + system_config};
    const std::string bin_folder = folder.file("renderer bin");
    const std::string renderer = bin_folder + "/vistrel.sh";
    const std::string report = folder.file("launched");
    const std::string scene = folder.file("my scene.vsf");
    SketchupExporter exporter;
};

TEST_F(RendererLaunch, StartsConfiguredProgramInItsFolderWithTheSceneAsOneArgument) {
    write_text(user_config + "/Tavren/Vistrel.conf",
               "# where the renderer lives\n\n  BinName =  " + renderer +
                   "  \nBinFolder=" + bin_folder + "\n");
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
    EXPECT_EQ(launched().at(1), "-import2");
}

TEST_F(RendererLaunch, UserConfigurationComesFirst) {
    write_text(user_config + "/Tavren/Vistrel.conf", "BinName=" + renderer + "\n");
    write_text(system_config + "/Tavren/Vistrel.conf", "BinName=/nowhere/vistrel\n");
    export_and_run();
    EXPECT_EQ(launched().at(2), scene);
}

TEST_F(RendererLaunch, MissingConfigurationIsReported) {
    EXPECT_EQ(run_error(), "renderer not configured: none of " + user_config +
                               "/Tavren/Vistrel.conf, " + folder.file("none") +
                               "/Tavren/Vistrel.conf, " + system_config +
                               "/Tavren/Vistrel.conf exists");
}

TEST_F(RendererLaunch, ConfigurationWithoutProgramIsReported) {
    const std::string config = user_config + "/Tavren/Vistrel.conf";
    write_text(config, "BinFolder=" + bin_folder + "\n#BinName=" + renderer + "\nBinName=\n");
    EXPECT_EQ(run_error(), "renderer not configured: no BinName in " + config);
}

TEST_F(RendererLaunch, ProgramThatCannotStartIsReportedWithTheOsError) {
    const std::string config = user_config + "/Tavren/Vistrel.conf";
    const std::string missing = folder.file("no-renderer");
    write_text(config, "BinName=" + missing + "\n");
    EXPECT_EQ(run_error(), "cannot start renderer " + missing + ": No such file or directory");

    const std::string not_executable = folder.file("plain.txt");
    write_text(not_executable, "text\n");
    write_text(config, "BinName=" + not_executable + "\n");
    EXPECT_EQ(run_error(), "cannot start renderer " + not_executable + ": Permission denied");

    write_text(config, "BinName=" + renderer + "\nBinFolder=" + folder.file("gone") + "\n");
    EXPECT_EQ(run_error(), "cannot start renderer " + renderer + " in " + folder.file("gone") +
                               ": No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(report));
}

TEST_F(RendererLaunch, NothingToRenderBeforeTheFirstExport) {
    try {
        exporter.run_vistrel();
        ADD_FAILURE() << "nothing thrown";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "run_vistrel: no scene has been exported");
    }
}
#endif

TEST(WindowsCommandLine, ArgumentsWithBlanksOrQuotesAreQuotedSoTheyReadBackWhole) {
    EXPECT_EQ(platform::quote_windows_argument("C:\\scenes\\a.vsf"), "C:\\scenes\\a.vsf");
    EXPECT_EQ(platform::quote_windows_argument("C:\\My Scenes\\a b.vsf"),
              "\"C:\\My Scenes\\a b.vsf\"");
    EXPECT_EQ(platform::quote_windows_argument("C:\\My Scenes\\"), "\"C:\\My Scenes\\\\\"");
    EXPECT_EQ(platform::quote_windows_argument("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(platform::quote_windows_argument(""), "\"\"");
    EXPECT_EQ(platform::join_windows_arguments({"-import2", "C:\\Temp\\my scene.vsf"}),
              "-import2 \"C:\\Temp\\my scene.vsf\"");
}

}  // namespace
