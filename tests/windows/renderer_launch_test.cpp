// Locating the renderer in the registry and starting it through the shell. scripts/windows-test.sh
// installs the stand-in renderer and puts "BinName" and "BinFolder" in place with `wine reg add`;
// each test changes the key through RendererKey, which puts it back afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SketchupExporter.h"
#include "test_files.h"
#include "windows_support.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string key_name = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tavren\\Vistrel";

// The renderer's registry key. The tests change its values BinName and BinFolder or remove it;
// RendererKey puts those two back as they were at the end.
class RendererKey {
  public:
    static constexpr const wchar_t* path = L"SOFTWARE\\Tavren\\Vistrel";

    ~RendererKey() {
        remove_key();
        if (bin_name) set(L"BinName", *bin_name);
        if (bin_folder) set(L"BinFolder", *bin_folder);
    }

    void remove_key() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, path); }
    void remove_value(const wchar_t* name) { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, path, name); }
    // Creates the key when it is missing.
    void set(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        set_bytes(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    void set_bytes(const wchar_t* name, DWORD type, const void* data, std::size_t size) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, path, name, type, data, static_cast<DWORD>(size));
    }

    // The text values as they were when the test began; none when missing.
    const std::optional<std::wstring> bin_name = read(L"BinName");
    const std::optional<std::wstring> bin_folder = read(L"BinFolder");

  private:
    static std::optional<std::wstring> read(const wchar_t* name) {
        wchar_t text[1024];
        DWORD size = sizeof text;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(text);
    }
};

class RendererLaunch : public ::testing::Test {
  protected:
    // Exports an empty scene and starts the renderer on it; returns what that throws.
    std::string run_error() {
        try {
            const float v[3] = {0, 0, 1};
            exporter.open_file("m", scene.c_str(), v, v, v, 45, 0, true);
            exporter.close_file();
            exporter.run_vistrel();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    }

    // What the stand-in reported, removed for the next launch. The launch does not wait, so the
    // report may come a little later.
    Lines launched() {
        for (int i = 0; i < 1000 && !fs::exists(report); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const Lines lines = read_lines(report);
        fs::remove(report);
        return lines;
    }

    RendererKey key;
    TemporaryFolder folder;
    const std::string report = folder.file("launched.txt");
    ScopedVariable report_variable{L"VISTREL_STANDIN_REPORT", wide(report)};
    // Blanks, and characters beyond any narrow code page.
    const std::string scene = folder.file("my sc\xC3\xA8ne \xE5\xA0\xB4.vsf");
    SketchupExporter exporter;
};

TEST_F(RendererLaunch, StartsTheRegisteredProgramInItsFolderWithTheSceneAsOneArgument) {
    ASSERT_TRUE(key.bin_name) << "no BinName: scripts/windows-test.sh installs the stand-in";
    const std::string program = utf8(*key.bin_name);
    ASSERT_NE(program.find(' '), std::string::npos) << "the installed path should have blanks";
    ASSERT_EQ(run_error(), "");
    const Lines lines = launched();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], utf8(key.bin_folder.value_or(L"")));
    EXPECT_EQ(fs::u8path(lines[1]), fs::u8path(program));
    EXPECT_EQ(lines[2], "-import2");
    EXPECT_EQ(lines[3], scene);
}

// Without BinFolder the program starts in the caller's folder; expandable values are expanded.
TEST_F(RendererLaunch, BinFolderMayBeMissingOrExpandable) {
    key.remove_value(L"BinFolder");
    ASSERT_EQ(run_error(), "");
    EXPECT_EQ(launched().at(0), fs::current_path().u8string());
    key.set(L"BinFolder", L"%SystemRoot%", REG_EXPAND_SZ);
    ASSERT_EQ(run_error(), "");
    wchar_t windows_folder[MAX_PATH] = {};
    GetWindowsDirectoryW(windows_folder, MAX_PATH);
    EXPECT_EQ(launched().at(0), utf8(windows_folder));
}

TEST_F(RendererLaunch, MissingKeyOrUnusableBinNameIsReported) {
    const std::string not_configured = "renderer not configured: ";
    key.remove_key();
    EXPECT_EQ(run_error(), not_configured + "registry key " + key_name + " is missing");
    key.set(L"BinFolder", L"C:\\");
    EXPECT_EQ(run_error(), not_configured + "no BinName in " + key_name);
    key.set(L"BinName", L"");
    EXPECT_EQ(run_error(), not_configured + "no BinName in " + key_name);
    const DWORD number = 7;
    key.set_bytes(L"BinName", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(run_error(), not_configured + "BinName in " + key_name + " is not a string value");
    EXPECT_FALSE(fs::exists(report));
}

// A read is allowed 1024 bytes: 511 characters and the terminator. Names that cannot be used are
// reported whole.
TEST_F(RendererLaunch, ProgramOrFolderThatCannotBeUsedIsReportedNotCut) {
    const std::wstring longest = L"C:\\" + std::wstring(504, L'x') + L".exe";
    ASSERT_EQ(longest.size(), 511u);
    key.set(L"BinName", longest);
    EXPECT_EQ(run_error(), "cannot start renderer " + utf8(longest) + ": " +
                               system_message(ERROR_FILE_NOT_FOUND));
    key.set(L"BinName", longest + L"e");
    EXPECT_EQ(run_error(),
              "renderer not configured: BinName in " + key_name + " is longer than 511 characters");
    ASSERT_TRUE(key.bin_name);
    const std::string gone = folder.file("gone");
    key.set(L"BinName", *key.bin_name);
    key.set(L"BinFolder", wide(gone));
    EXPECT_EQ(run_error(), "cannot start renderer " + utf8(*key.bin_name) + " in " + gone + ": " +
                               system_message(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(fs::exists(report));
}

}  // namespace
