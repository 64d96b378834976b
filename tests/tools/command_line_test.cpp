// The vistrel-inspect program: exit codes, what it prints, and the OBJ it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "scene_bytes.h"

using namespace scene_bytes;

namespace {

class CommandLine : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
        return dir + "/" + name;
    }
    // The exit status; what the program printed is left in `out` and `err`.
    int run(const std::string& arguments) {
        const std::string redirect = " >" + dir + "/stdout 2>" + dir + "/stderr";
        const int status = std::system((VISTREL_INSPECT " " + arguments + redirect).c_str());
        out = read_file(dir + "/stdout");
        err = read_file(dir + "/stderr");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TemporaryFolder temp;
    const std::string& dir = temp.path();
    std::string out, err;
};

TEST_F(CommandLine, SummarisesAValidSceneAndWritesItsObj) {
    write("wood.png", "png");
    const std::string scene = write("room.vsf", data("room.vsf"));
    EXPECT_EQ(run(scene + " --obj " + dir + "/room.obj"), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, scene + "\n" + data("room_summary.txt") + "wrote " + dir +
                       "/room.obj: 2 meshes, 8 vertices, 4 triangles\nvalid: 0 warnings\n");
    EXPECT_NE(read_file(dir + "/room.mtl").find("map_Kd " + dir + "/wood.png\n"),
              std::string::npos);
}

// Exit status 3 for a cut-off file, 1 for a corrupt or invalid one (no OBJ then), 2 for no file
// or an output that would replace one of the scene's files.
TEST_F(CommandLine, TellsTruncatedCorruptInvalidAndMissingFilesApart) {
    const std::string full = data("room.vsf"), room = write("room.vsf", full);
    const std::string cut = full.substr(0, full.find("\x01\x02\x03i") + 8);
    std::string damaged = full, invalid = full;
    damaged[full.find("geometry")] = '{';
    const std::size_t item = full.find("\x01\x02\x03i") + 16;  // item 2 of the first triangle
    invalid[item] = 9;
    const std::string truncated = write("cut.vsf", cut), corrupt = write("corrupt.vsf", damaged),
                      scene = write("bad.vsf", invalid);
    const std::tuple<std::string, int, std::string> rows[] = {
        {truncated, 3,
         truncated + ": truncated at byte offset " + std::to_string(cut.size()) +
             ": expected 6 items (24 bytes) in the binary block, found end of file after 0 bytes; "
             "4 blocks still open: group \"room\" at offset 55, group \"table\" at offset 310, "
             "object \"0\" at offset 331, geometry \"triangles\" at offset 350\n"},
        {corrupt, 1,
         corrupt + ": malformed at byte offset " + std::to_string(full.find("geometry")) +
             ": expected a keyword, a quoted parameter name or '}' closing object \"0\", found "
             "'{'\n"},
        {dir + "/none.vsf", 2,
         "vistrel-inspect: cannot read " + dir + "/none.vsf: No such file or directory\n"},
        {room + " --png " + room, 2,
         "vistrel-inspect: cannot write " + room + ": it is the scene being read (" + room + ")\n"},
        {room + " --obj " + dir + "/out.obj --png " + dir + "/wood.png", 2,
         "vistrel-inspect: cannot write " + dir + "/wood.png: it is a texture of the scene (" +
             dir + "/wood.png)\n"},
        {scene + " --quiet --obj " + dir + "/bad.obj", 1,
         scene + ": offset " + std::to_string(item) +
             ": error: object \"0\": \"triangles\" item 2 of triangle 0 is 9, expected an index "
             "below the 4 vertices (1 out of range)\n" +
             scene + ": offset " + std::to_string(invalid.find("\"wood.png\"")) +
             ": warning: material \"wood\": texture file \"wood.png\" not found\n" + scene +
             ": invalid: 1 error, 1 warning\nvistrel-inspect: " + dir +
             "/bad.obj not written because the scene is invalid\n"},
    };
    for (const auto& [arguments, status, message] : rows) {
        EXPECT_EQ(run(arguments), status) << arguments;
        EXPECT_EQ(err, message) << arguments;
    }
    EXPECT_EQ(out, "");  // --quiet
    EXPECT_FALSE(std::filesystem::exists(dir + "/bad.obj"));
}

// Instance lines name definitions that have ended before them; a definition nothing places is
// a warning. In the messages '@' stands for "<scene>: offset " and '%' for "<scene>: ".
TEST_F(CommandLine, ChecksDefinitionsAndTheirPlacements) {
    const std::size_t base = forest("").size() - 2;  // where the top group's body starts
    auto at = [&](const std::string& body, const std::string& marker, bool second = false) {
        return std::to_string(base + body.find(marker, second ? body.find(marker) + 1 : 0));
    };
    const std::string unknown = define("tree") + place("tree", "p") + place("bush", "q"),
                      unused = define("tree") + define("rock") + place("tree", "p"),
                      early = place("tree", "p") + define("tree"),
                      self =
                          "\n  #define group \"tree\" {\n    instance \"tree\"\n  }\n  instance\n",
                      twice = define("tree") + define("tree") + place("tree", "p");
    const std::tuple<std::string, int, std::string> rows[] = {
        {unknown, 1,
         "@" + at(unknown, "instance \"bush") + ": error: instance \"bush\" names no definition\n" +
             "%invalid: 1 error, 0 warnings\n"},
        {unused, 0,
         "@" + at(unused, "#define   group \"rock") +
             ": warning: definition \"rock\" is never placed by an instance\n"},
        {early, 1,
         "@" + at(early, "instance") +
             ": error: instance \"tree\" comes before its definition at " + "offset " +
             at(early, "#define") + "\n@" + at(early, "#define") +
             ": warning: definition \"tree\" is never placed by an instance\n%invalid: 1 error, "
             "1 " +
             "warning\n"},
        {self, 1,
         "@" + at(self, "instance") + ": error: instance \"tree\" lies inside the definition it " +
             "places\n@" + at(self, "instance", true) +
             ": error: expected the quoted name of a definition after instance\n@" +
             at(self, "#define") + ": warning: definition \"tree\" is never placed by an " +
             "instance\n%invalid: 2 errors, 1 warning\n"},
        {twice, 1,
         "@" + at(twice, "#define", true) + ": error: definition \"tree\" is defined again; the " +
             "first definition is at offset " + at(twice, "#define") +
             "\n%invalid: 1 error, 0 warnings\n"},
    };
    for (const auto& [body, status, messages] : rows) {
        const std::string scene = write("placed.vsf", forest(body));
        std::string expected;
        for (char c : messages) {
            expected += c == '@'   ? scene + ": offset "
                        : c == '%' ? scene + ": "
                                   : std::string(1, c);
        }
        EXPECT_EQ(run("--quiet " + scene), status) << body;
        EXPECT_EQ(err, expected) << body;
    }
}

}  // namespace
