// The reader against hand-built bytes in the writer's layout, and its error reports.
#include "scene_parser.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>

#include "scene_bytes.h"
#include "scene_meshes.h"
#include "scene_summary.h"

using inspect::ParseStatus;
using namespace scene_bytes;

namespace {

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

long peak_kilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void expect_error(const std::string& bytes, ParseStatus status, std::size_t offset,
                  const std::string& message) {
    const inspect::ParseResult result = parse(bytes);
    EXPECT_EQ(result.status, status);
    EXPECT_EQ(result.error_offset, offset);
    EXPECT_EQ(result.message, message);
}

// Numbers are read as printf writes them, on any platform.
TEST(SceneParser, ReadsStatementsArraysAndNumbers) {
    const std::vector<float> items = {0, 0, 0, 1, 0, 0, 1, 1e-7f, 0};
    const std::string text = kHeader + "#modify \ncamera \"c\" {\n  caustics store off\n}\n" +
                             "object \"a\" {\n  geometry \"triangles\" {\n" +
                             "    \"v\" [\n      0 0 0, 1 0 0,\n      1 1 0 ],\n" +
                             array("w", floats('c', items)) + "  }\n}\nxX410a [ \"s\",\"t\" ] ,\n" +
                             "set transform 1 -2.5 1e+06 1.5e-07 -inf 1.#INF +3 .5 nan -1.#IND\n";
    const inspect::ParseResult result = parse(text);
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Block& root = result.scene.root;
    ASSERT_EQ(root.blocks.size(), 2u);
    EXPECT_EQ(root.blocks[0]->keyword, "#modify camera");
    EXPECT_EQ(root.blocks[0]->find_param("caustics store")->values.at(0).text, "off");
    const inspect::Block& geometry = *root.blocks[1]->blocks.at(0);
    EXPECT_EQ(geometry.find_param("v")->values.at(0).array->numbers,
              (std::vector<double>{0, 0, 0, 1, 0, 0, 1, 1, 0}));
    const inspect::ArrayData& array = *geometry.find_param("w")->values.at(0).array;
    for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(array.float_at(i), items[i]);
    EXPECT_EQ(root.find_param("A\n")->values.at(0).array->strings,
              (std::vector<std::string>{"s", "t"}));
    const std::vector<inspect::Value>& numbers = root.find_param("set transform")->values;
    ASSERT_EQ(numbers.size(), 10u);
    const double expected[] = {1, -2.5, 1e6, 1.5e-7, -INFINITY, INFINITY, 3, 0.5};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(numbers[i].number, expected[i]) << i;
    EXPECT_TRUE(std::isnan(numbers[8].number) && std::isnan(numbers[9].number));
}

TEST(SceneParser, NeverCallsACutOffExportMalformed) {
    const std::string text = data("room.vsf");
    for (std::size_t length = 0; length < text.size(); ++length) {
        // A cut shows everywhere short of the final line feed, right after the header too.
        const bool inside = length < text.size() - 1;
        const inspect::ParseResult result = parse(text.substr(0, length));
        ASSERT_EQ(result.status, inside ? ParseStatus::truncated : ParseStatus::ok)
            << "cut at " << length << ": " << result.message;
    }
}

TEST(SceneParser, ReportsMalformedDataWithOffsetAndExpectation) {
    const std::size_t at = kHeader.size();
    std::string marker = ints({});
    marker[2] = '\x04';
    expect_error(kHeader + "\"v\" [\n  " + marker, ParseStatus::malformed, at + 8,
                 "expected the binary block marker 01 02 03, found 01 02 04");
    // A count smaller than the items that follow: the next item is not the closing bracket.
    expect_error(kHeader + "\"v\" [\n  " + ints({7, 8}) + "\x05", ParseStatus::malformed, at + 24,
                 "expected ']' after the binary block at offset " + std::to_string(at + 8) +
                     " of 2 items, found byte 0x05");
    expect_error("<scene/>\n", ParseStatus::malformed, 0,
                 "expected the magic line \"//---tavren:dal:3---\" at the start of the file, "
                 "found something else");
}

// The message once quoted a broken number by reading on past the end of the data; the exact-size
// heap buffer lets the sanitizer builds see any such read.
TEST(SceneParser, QuotesABrokenNumberAtTheEndOfTheDataWithoutReadingPastIt) {
    const std::string text = kHeader + "fov 1e+06Q";
    const std::vector<std::uint8_t> exact(text.begin(), text.end());
    const inspect::ParseResult result = inspect::parse_scene(exact.data(), exact.size());
    EXPECT_EQ(result.error_offset, kHeader.size() + 4);
    EXPECT_EQ(result.message, "expected a number, found malformed number \"1e+06Q\"");
}

// The exporter sets no nesting limit: reading, walking and releasing a scene go without
// recursion at any depth, and a cut-off one names only its outermost and innermost blocks.
TEST(SceneParser, ReadsAnyNestingDepth) {
    constexpr int depth = 100000;
    std::string text = kHeader;
    for (int i = 0; i < depth; ++i) text += "group \"g\" {\n";
    text += "object \"o\" {\n\"s\" \"t\" {\n";
    const inspect::ParseResult cut = parse(text);
    EXPECT_EQ(cut.status, ParseStatus::truncated);
    EXPECT_EQ(cut.message.substr(cut.message.find(" still open")),
              " still open: group \"g\" at offset 54, group \"g\" at offset 66, group \"g\" at "
              "offset 78, group \"g\" at offset 90, (99994 more), group \"g\" at offset 1200030, "
              "group \"g\" at offset 1200042, object \"o\" at offset 1200054, shader \"t\" at "
              "offset 1200071");
    text += "},\n}\n" + std::string(depth, '}');
    const inspect::ParseResult whole = parse(text);
    ASSERT_EQ(whole.status, ParseStatus::ok) << whole.message;
    const auto meshes = inspect::find_meshes(whole.scene);
    EXPECT_EQ(meshes.at(0).group, std::size_t(depth - 1));
    const auto placements = inspect::find_placements(whole.scene, meshes);
    EXPECT_NE(
        inspect::summarize_scene(whole.scene, meshes, placements).find("totals: 100000 groups"),
        std::string::npos);

    // 12,000 objects in 12,000 nested groups (340 KB) share one list of groups: no object
    // copies its chain of groups, which took 1.1 GB.
    const std::string many = kHeader + repeat("group \"g\" {\n", 12000) +
                             repeat("object \"o\" {\n}\n", 12000) + std::string(12000, '}');
    const long peak = peak_kilobytes();
    const inspect::ParseResult nested = parse(many);
    const auto objects = inspect::find_meshes(nested.scene);
    EXPECT_LT(peak_kilobytes() - peak, 100 * 1024);
    EXPECT_EQ(objects.at(11999).innermost_group(), objects.at(0).innermost_group());
    EXPECT_EQ((*objects.at(0).groups)[objects.at(0).group].parent, std::size_t(11998));
}

}  // namespace
