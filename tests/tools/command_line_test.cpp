// The vistrel-inspect program: exit codes, what it prints, and the OBJ it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "scene_bytes.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

class CommandLine : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
        return dir_ + "/" + name;
    }
    Outcome run(const std::string& arguments) {
        const int status = std::system((std::string(VISTREL_INSPECT) + " " + arguments + " >" +
                                        dir_ + "/stdout 2>" + dir_ + "/stderr")
                                           .c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                scene_bytes::read_text(dir_ + "/stdout"), scene_bytes::read_text(dir_ + "/stderr")};
    }

    scene_bytes::TempDir temp_;
    const std::string& dir_ = temp_.path;
};

TEST_F(CommandLine, SummarisesAValidSceneAndWritesItsObj) {
    write("wood.png", "png");
    const std::string scene = write("room.vsf", scene_bytes::data("room.vsf"));
    const Outcome result = run(scene + " --obj " + dir_ + "/room.obj");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, scene + "\n" + scene_bytes::data("room_summary.txt") + "wrote " + dir_ +
                              "/room.obj: 2 meshes, 8 vertices, 4 triangles\nvalid: 0 warnings\n");
    EXPECT_NE(scene_bytes::read_text(dir_ + "/room.mtl").find("map_Kd " + dir_ + "/wood.png\n"),
              std::string::npos);
}

TEST_F(CommandLine, TellsATruncatedFileFromACorruptOne) {
    const std::string full = scene_bytes::data("room.vsf");
    const std::string cut = full.substr(0, full.find("\x01\x02\x03i") + 8);
    const std::string truncated = write("cut.vsf", cut);
    Outcome result = run(truncated);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, truncated + ": truncated at byte offset " + std::to_string(cut.size()) +
                              ": expected 6 items (24 bytes) in the binary block, found end of "
                              "file after 0 bytes; 4 blocks still open: group \"room\" at offset "
                              "55, group \"table\" at offset 310, object \"0\" at offset 331, "
                              "geometry \"triangles\" at offset 350\n");

    std::string damaged = full;
    damaged[full.find("geometry")] = '{';
    const std::string corrupt = write("corrupt.vsf", damaged);
    result = run(corrupt);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, corrupt + ": malformed at byte offset " +
                              std::to_string(full.find("geometry")) +
                              ": expected a keyword, a quoted parameter name or '}' closing object "
                              "\"0\", found '{'\n");
}

TEST_F(CommandLine, RefusesToConvertAnInvalidScene) {
    std::string text = scene_bytes::data("room.vsf");
    text[text.find("\x01\x02\x03i") + 16] = 9;  // item 2 of the first triangle
    const std::string scene = write("bad.vsf", text);
    const Outcome result = run(scene + " --quiet --obj " + dir_ + "/bad.obj");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, scene + ": offset " + std::to_string(text.find("\x01\x02\x03i") + 16) +
                              ": error: object \"0\": \"triangles\" item 2 of triangle 0 is 9, "
                              "expected an index below the 4 vertices (1 out of range)\n" +
                              scene + ": offset " + std::to_string(text.find("\"wood.png\"")) +
                              ": warning: material \"wood\": texture file \"wood.png\" not "
                              "found\n" +
                              scene + ": invalid: 1 error, 1 warning\nvistrel-inspect: " + dir_ +
                              "/bad.obj not written because the scene is invalid\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/bad.obj"));
}

TEST_F(CommandLine, ReportsUsageAndInputErrors) {
    Outcome result = run(dir_ + "/none.vsf");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "vistrel-inspect: cannot read " + dir_ + "/none.vsf: No such file or directory\n");
    result = run("");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("vistrel-inspect: no scene file given\nusage: ", 0), 0u);
}

}  // namespace
