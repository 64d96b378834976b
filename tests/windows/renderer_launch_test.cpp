// Locating the renderer in the registry and starting it through the shell. scripts/windows-test.sh
// installs the stand-in renderer and puts "BinName" and "BinFolder" in place with `wine reg add`;
// each test changes the key through RendererKey, which puts it back afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SketchupExporter.h"
#include "renderer_key.h"
#include "test_files.h"
#include "windows_support.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string key_name = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tavren\\Vistrel";

class RendererLaunch : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!key.original(L"BinName")) {
            GTEST_FAIL() << "no BinName in " << key_name
                         << ": scripts/windows-test.sh installs the stand-in renderer";
        }
        program = utf8(*key.original(L"BinName"));
        bin_folder = utf8(key.original(L"BinFolder").value_or(L""));
    }

    // Exports an empty scene and starts the renderer on it.
    void export_and_run() {
        const float v[3] = {0, 0, 1};
        exporter.open_file("m", scene.c_str(), v, v, v, 45, 0, true);
        exporter.close_file();
        exporter.run_vistrel();
    }

    // The launch does not wait, so the stand-in's report may come a little later.
    Lines launched() {
        for (int i = 0; i < 1000 && !fs::exists(report); ++i)
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

    RendererKey key;
    std::string program;
    std::string bin_folder;
    TemporaryFolder folder;
    const std::string report = folder.file("launched.txt");
    ScopedVariable report_variable{L"VISTREL_STANDIN_REPORT", wide(report)};
    // Blanks, and characters beyond any narrow code page.
    const std::string scene = folder.file("my sc\xC3\xA8ne \xE5\xA0\xB4.vsf");
    SketchupExporter exporter;
};

TEST_F(RendererLaunch, StartsTheRegisteredProgramInItsFolderWithTheSceneAsOneArgument) {
    ASSERT_NE(program.find(' '), std::string::npos) << "the installed path should have blanks";
    export_and_run();
    const Lines lines = launched();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], bin_folder);
    EXPECT_EQ(fs::u8path(lines[1]), fs::u8path(program));
    EXPECT_EQ(lines[2], "-import2");
    EXPECT_EQ(lines[3], scene);
}

TEST_F(RendererLaunch, WithoutBinFolderTheProgramStartsInTheCallersFolder) {
    key.remove_value(L"BinFolder");
    export_and_run();
    EXPECT_EQ(launched().at(0), fs::current_path().u8string());
}

TEST_F(RendererLaunch, ExpandableValuesAreExpanded) {
    key.set(L"BinFolder", L"%SystemRoot%", REG_EXPAND_SZ);
    export_and_run();
    wchar_t windows_folder[MAX_PATH] = {};
    GetWindowsDirectoryW(windows_folder, MAX_PATH);
    EXPECT_EQ(launched().at(0), utf8(windows_folder));
}

TEST_F(RendererLaunch, MissingKeyIsReported) {
    key.remove_key();
    EXPECT_EQ(run_error(), "renderer not configured: registry key " + key_name + " is missing");
    EXPECT_FALSE(fs::exists(report));
}

TEST_F(RendererLaunch, MissingOrEmptyBinNameIsReported) {
    const std::string expected = "renderer not configured: no BinName in " + key_name;
    key.remove_value(L"BinName");
    EXPECT_EQ(run_error(), expected);
    key.set(L"BinName", L"");
    EXPECT_EQ(run_error(), expected);
    EXPECT_FALSE(fs::exists(report));
}

// A read is allowed 1024 bytes: 511 characters and the terminator.
TEST_F(RendererLaunch, ValuesLongerThanAReadAreReportedNotCut) {
    const std::wstring longest = L"C:\\" + std::wstring(504, L'x') + L".exe";
    ASSERT_EQ(longest.size(), 511u);
    key.set(L"BinName", longest);
    EXPECT_EQ(run_error(), "cannot start renderer " + utf8(longest) + ": " +
                               system_message(ERROR_FILE_NOT_FOUND));
    key.set(L"BinName", longest + L"e");
    EXPECT_EQ(run_error(),
              "renderer not configured: BinName in " + key_name + " is longer than 511 characters");
}

TEST_F(RendererLaunch, ValueThatIsNotTextIsReported) {
    const DWORD number = 7;
    key.set_bytes(L"BinName", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(run_error(),
              "renderer not configured: BinName in " + key_name + " is not a string value");
}

TEST_F(RendererLaunch, ProgramOrFolderThatCannotBeUsedIsReported) {
    const std::string missing = folder.file("no renderer.exe");
    key.set(L"BinName", wide(missing));
    EXPECT_EQ(run_error(),
              "cannot start renderer " + missing + ": " + system_message(ERROR_FILE_NOT_FOUND));

    const std::string gone = folder.file("gone");
    key.set(L"BinName", wide(program));
    key.set(L"BinFolder", wide(gone));
    EXPECT_EQ(run_error(), "cannot start renderer " + program + " in " + gone + ": " +
                               system_message(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(fs::exists(report));
}

}  // namespace
