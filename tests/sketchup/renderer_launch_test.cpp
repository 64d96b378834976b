// Locating the renderer through its configuration file and starting it on the exported scene.
// A shell script stands in for the renderer: it writes its working folder and arguments to a file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "exporter_test_support.h"

namespace {

void write_text(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
}

// Each failure names what is missing, or the program and the OS error of its start. The user's
// configuration comes first, a byte-order mark does not hide its first key, and the renderer,
// which starts in its own folder, gets the scene's absolute path as one argument.
TEST(RendererLaunch, StartsTheConfiguredProgramOrSaysWhyNot) {
    TemporaryFolder folder;
    const std::string user = folder.file("home config"), system = folder.file("xdg");
    const std::string user_file = user + "/Tavren/Vistrel.conf";
    ScopedEnvironment config_home("XDG_CONFIG_HOME", user);
    ScopedEnvironment config_dirs("XDG_CONFIG_DIRS", folder.file("none") + ":" + system);
    const std::string bin_folder = folder.file("renderer bin"), renderer = bin_folder + "/vistrel";
    const std::string report = folder.file("launched");
    write_text(renderer, "#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > " + report + ".part && mv " +
                             report + ".part " + report + "\n");
    std::filesystem::permissions(renderer, std::filesystem::perms::owner_all);
    SketchupExporter exporter;
    auto failure = [&] { return message_of<std::runtime_error>([&] { exporter.run_vistrel(); }); };
    EXPECT_EQ(message_of<std::logic_error>([&] { exporter.run_vistrel(); }),
              "run_vistrel: no scene has been exported");
    const auto caller_folder = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const std::string scene = (std::filesystem::current_path() / "my scene.vsf").string();
    open_export(exporter, "my scene.vsf");
    exporter.close_file();
    std::filesystem::current_path(caller_folder);
    EXPECT_EQ(failure(), "renderer not configured: none of " + user_file + ", " +
                             folder.file("none") + "/Tavren/Vistrel.conf, " + system +
                             "/Tavren/Vistrel.conf exists");
    write_text(user_file, "BinFolder=" + bin_folder + "\n#BinName=" + renderer + "\nBinName=\n");
    EXPECT_EQ(failure(), "renderer not configured: no BinName in " + user_file);
    write_text(user_file, "BinName=" + folder.file("none") + "\n");
    EXPECT_EQ(failure(),
              "cannot start renderer " + folder.file("none") + ": No such file or directory");
    write_text(user_file, "BinName=" + user_file + "\n");  // not executable
    EXPECT_EQ(failure(), "cannot start renderer " + user_file + ": Permission denied");
    write_text(user_file, "BinName=" + renderer + "\nBinFolder=" + folder.file("gone") + "\n");
    EXPECT_EQ(failure(), "cannot start renderer " + renderer + " in " + folder.file("gone") +
                             ": No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(report));

    write_text(user_file, "\xEF\xBB\xBF  BinName =  " + renderer +
                              "  \n# where it lives\n\nBinFolder=" + bin_folder + "\n");
    write_text(system + "/Tavren/Vistrel.conf", "BinName=/nowhere/vistrel\n");
    exporter.run_vistrel();
    // The renderer does not wait, so its report may come a little later.
    for (int i = 0; i < 500 && !std::filesystem::exists(report); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(read_lines(report), (std::vector<std::string>{bin_folder, "-import2", scene}));
    // The renderer was handed to init: no child of ours is left, finished or not.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

}  // namespace
