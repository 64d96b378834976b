// Locating the renderer in the registry and starting it through the shell. The stand-in renderer
// and its "BinName" and "BinFolder" values are put in place by scripts/windows-test.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

#include "SketchupExporter.h"
#include "test_files.h"
#include "windows_support.h"

namespace {

namespace fs = std::filesystem;

const std::string key_name = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tavren\\Vistrel";
constexpr const wchar_t* key_path = L"SOFTWARE\\Tavren\\Vistrel";

// The text value of the renderer's key; none when missing.
std::optional<std::wstring> read_value(const wchar_t* name) {
    wchar_t text[1024];
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key_path, name, RRF_RT_REG_SZ, nullptr, text, &size))
        return std::nullopt;
    return std::wstring(text);
}

// Sets a text value of the renderer's key, creating the key when it is missing.
void set_value(const wchar_t* name, const std::wstring& text) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_path, name, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// The renderer's key as the test began, put back at the end.
struct RendererKey {
    ~RendererKey() {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_path);
        if (bin_name) set_value(L"BinName", *bin_name);
        if (bin_folder) set_value(L"BinFolder", *bin_folder);
    }
    const std::optional<std::wstring> bin_name = read_value(L"BinName");
    const std::optional<std::wstring> bin_folder = read_value(L"BinFolder");
};

class RendererLaunch : public ::testing::Test {
  protected:
    // Exports an empty scene and starts the renderer on it; returns what that throws.
    std::string run_error() {
        try {
            const float v[3] = {0, 0, 1};
            // Named from the scene's folder: the renderer, started in its own, gets the whole path.
            const fs::path caller = fs::current_path();
            fs::current_path(fs::u8path(scene).parent_path());
            launched_scene = (fs::current_path() / fs::u8path(scene).filename()).u8string();
            exporter.open_file("m", fs::u8path(scene).filename().u8string().c_str(), v, v, v, 45, 0,
                               true);
            fs::current_path(caller);
            exporter.close_file();
            exporter.run_vistrel();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    }

    RendererKey key;
    TemporaryFolder folder;
    const std::string report = folder.file("launched.txt");
    ScopedVariable report_variable{L"VISTREL_STANDIN_REPORT", wide(report)};
    // Blanks, and characters beyond any narrow code page.
    const std::string scene = folder.file("my sc\xC3\xA8ne \xE5\xA0\xB4.vsf");
    std::string launched_scene;
    SketchupExporter exporter;
};

TEST_F(RendererLaunch, StartsTheRegisteredProgramInItsFolderWithTheSceneAsOneArgument) {
    ASSERT_TRUE(key.bin_name) << "no BinName: scripts/windows-test.sh installs the stand-in";
    const std::string program = utf8(*key.bin_name);
    ASSERT_NE(program.find(' '), std::string::npos) << "the installed path should have blanks";
    ASSERT_EQ(run_error(), "");
    // The launch does not wait, so the report may come a little later.
    for (int i = 0; i < 1000 && !fs::exists(report); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto lines = read_lines(report);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], utf8(key.bin_folder.value_or(L"")));
    EXPECT_EQ(fs::u8path(lines[1]), fs::u8path(program));
    EXPECT_EQ(lines[2], "-import2");
    EXPECT_EQ(lines[3], launched_scene);
}

// A read is allowed 1024 bytes: 511 characters and the terminator. Longer names are refused,
// not cut.
TEST_F(RendererLaunch, MissingOrUnusableRendererIsReported) {
    const std::string not_configured = "renderer not configured: ";
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_path);
    EXPECT_EQ(run_error(), not_configured + "registry key " + key_name + " is missing");
    set_value(L"BinFolder", L"C:\\");
    EXPECT_EQ(run_error(), not_configured + "no BinName in " + key_name);
    const std::wstring longest = L"C:\\" + std::wstring(504, L'x') + L".exe";
    set_value(L"BinName", longest);
    EXPECT_EQ(run_error(), "cannot start renderer " + utf8(longest) + ": " +
                               std::system_category().message(ERROR_FILE_NOT_FOUND));
    set_value(L"BinName", longest + L"e");
    EXPECT_EQ(run_error(),
              not_configured + "BinName in " + key_name + " is longer than 511 characters");
    EXPECT_FALSE(fs::exists(report));
}

}  // namespace
