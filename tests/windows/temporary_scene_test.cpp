// Temporary scene files: named by GetTempFileNameW in the folder of GetTempPathW, which reads
// the variable TMP; the tests point it at a private folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iterator>
#include <string>

#include "SketchupExporter.h"
#include "test_files.h"
#include "windows_support.h"

namespace {

namespace fs = std::filesystem;

const float eye[3] = {1, 2, 3}, dir[3] = {0, 0, -1}, up[3] = {0, 1, 0};
const std::string header = "//---tavren:dal:3---\n";

std::string export_to_temporary_file() {
    SketchupExporter exporter;
    exporter.open_file("m", "ignored.vsf", eye, dir, up, 45, 0, false);
    exporter.close_file();
    return exporter.get_output_path();
}

class TemporaryScene : public ::testing::Test {
  protected:
    TemporaryFolder folder;
    ScopedVariable tmp{L"TMP", wide(folder.path())};
};

// Each scene is a new "vis*.vsf"; the system's own empty ".tmp" beside it keeps the stem taken.
TEST_F(TemporaryScene, IsANewVsfFileInTheWindowsTemporaryFolder) {
    const std::string first = export_to_temporary_file();
    const std::string second = export_to_temporary_file();
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        const fs::path scene = fs::u8path(path);
        EXPECT_EQ(scene.parent_path(), fs::u8path(folder.path())) << path;
        EXPECT_EQ(scene.extension(), ".vsf");
        EXPECT_EQ(scene.stem().string().rfind("vis", 0), 0u) << path;
        EXPECT_EQ(read_file(path).rfind(header, 0), 0u);
        EXPECT_EQ(fs::file_size(fs::path(scene).replace_extension(".tmp")), 0u);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 4);
    EXPECT_FALSE(fs::exists("ignored.vsf"));
}

// A scene that outlived its ".tmp" (cleaned away by the user or the system) keeps its contents.
// GetTempFileNameW counts up from the clock, past the names whose ".tmp" exists, so the names
// after the one it gave last are given earlier scenes here.
TEST_F(TemporaryScene, AnEarlierSceneWhoseTmpFileIsGoneIsNotOverwritten) {
    auto name_with = [&](unsigned number, const char* extension) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "vis%x.%s", number, extension);
        return folder.file(stem);
    };
    bool passed_over = false;
    for (int attempt = 0; attempt < 20 && !passed_over; ++attempt) {
        wchar_t given[MAX_PATH + 1] = {};
        ASSERT_NE(GetTempFileNameW(wide(folder.path()).c_str(), L"vistrel", 0, given), 0u);
        const unsigned last = std::stoul(fs::path(given).stem().string().substr(3), nullptr, 16);
        if (last + 20 > 0xffff) continue;
        for (unsigned n = last + 1; n <= last + 20; ++n)
            std::ofstream(fs::u8path(name_with(n, "vsf")), std::ios::binary) << "earlier scene";
        const std::string scene = export_to_temporary_file();
        EXPECT_EQ(read_file(scene).rfind(header, 0), 0u);
        for (unsigned n = last + 1; n <= last + 20; ++n) {
            EXPECT_EQ(read_file(name_with(n, "vsf")), "earlier scene");
            // The system handed out this name, so the case under test happened.
            if (fs::exists(fs::u8path(name_with(n, "tmp")))) passed_over = true;
        }
    }
    EXPECT_TRUE(passed_over) << "the system never handed out a name of an earlier scene";
}

TEST_F(TemporaryScene, MissingTemporaryFolderIsReported) {
    const std::string missing = folder.file("gone");
    ScopedVariable gone{L"TMP", wide(missing)};
    SketchupExporter exporter;
    try {
        exporter.open_file("m", "", eye, dir, up, 45, 0, false);
        ADD_FAILURE() << "nothing thrown";
    } catch (const std::ios_base::failure& e) {
        const int error = e.code().value();
        EXPECT_TRUE(error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY) << error;
        EXPECT_EQ(std::string(e.what()), "cannot create a temporary scene file in " + missing +
                                             ": " + system_message(error));
    }
    EXPECT_FALSE(exporter.is_open());
}

}  // namespace
