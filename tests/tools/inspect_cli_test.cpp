// The vistrel-inspect program: exit codes, what it prints, and the OBJ it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "scene_bytes.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

class InspectCli : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/inspect-cli-XXXXXX";
        dir_ = mkdtemp(name);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    Outcome run(const std::string& arguments) {
        const std::string command = std::string(VISTREL_INSPECT) + " " + arguments + " >" + dir_ +
                                    "/stdout 2>" + dir_ + "/stderr";
        Outcome result;
        const int status = std::system(command.c_str());
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = read(dir_ + "/stdout");
        result.err = read(dir_ + "/stderr");
        return result;
    }

    std::string dir_;
};

TEST_F(InspectCli, SummarisesAValidSceneAndWritesItsObj) {
    write("wood.png", "png");
    const std::string scene = write("room.vsf", scene_bytes::sample_scene());
    const Outcome result = run(scene + " --obj " + dir_ + "/room.obj");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_NE(result.out.find("top group: \"room\"\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("wrote " + dir_ +
                              "/room.obj: 2 meshes, 8 vertices, 4 triangles\n"
                              "valid: 0 warnings\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(read(dir_ + "/room.obj").find("f 5/5/5 6/6/6 7/7/7\n"), std::string::npos);
    EXPECT_NE(read(dir_ + "/room.mtl").find("map_Kd " + dir_ + "/wood.png\n"), std::string::npos);
}

TEST_F(InspectCli, TellsATruncatedFileFromACorruptOne) {
    const std::string full = scene_bytes::sample_scene();
    const std::size_t block = full.find("\x01\x02\x03i", full.find("\"triangles\" ["));
    const std::string cut = full.substr(0, block + 8);
    const std::string truncated = write("cut.vsf", cut);
    Outcome result = run(truncated);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, truncated + ": truncated at byte offset " + std::to_string(cut.size()) +
                              ": expected 6 items (24 bytes) in the binary block, found end of "
                              "file after 0 bytes; 4 blocks still open: group \"room\" at offset "
                              "55, group \"table\" at offset 393, object \"0\" at offset 414, "
                              "geometry \"triangles\" at offset 433\n");

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

TEST_F(InspectCli, RefusesToConvertAnInvalidScene) {
    const std::string text = scene_bytes::scene_start() +
                             scene_bytes::object("0", scene_bytes::quad_arrays({0, 1, 9}), "red") +
                             "}\n";
    const std::string scene = write("bad.vsf", text);
    const Outcome result = run(scene + " --quiet --obj " + dir_ + "/bad.obj");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, scene + ": offset " + std::to_string(text.rfind("\x01\x02\x03i") + 16) +
                              ": error: object \"0\": \"triangles\" item 2 of triangle 0 is 9, "
                              "expected an index below the 4 vertices (1 out of range)\n" +
                              scene + ": invalid: 1 error, 0 warnings\n" + "vistrel-inspect: " +
                              dir_ + "/bad.obj not written because the scene is invalid\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/bad.obj"));
}

TEST_F(InspectCli, ReportsUsageAndInputErrors) {
    Outcome result = run(dir_ + "/none.vsf");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "vistrel-inspect: cannot read " + dir_ + "/none.vsf: No such file or directory\n");
    result = run("");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("vistrel-inspect: no scene file given\nusage: ", 0), 0u);
    result = run("--help");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("usage: vistrel-inspect FILE.vsf [--obj OUT.obj]", 0), 0u);
}

}  // namespace
