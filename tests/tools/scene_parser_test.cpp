// The reader against hand-built bytes in the writer's exact layout, and its error reports.
#include "scene_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "scene_bytes.h"

using inspect::ParseStatus;
using inspect::Value;
using namespace scene_bytes;

namespace {

const inspect::Block& only_block(const inspect::Block& block) {
    EXPECT_EQ(block.blocks.size(), 1u);
    return *block.blocks.at(0);
}

// Parses and expects an error with exactly this status, offset and message.
void expect_error(const std::string& bytes, ParseStatus status, std::size_t offset,
                  const std::string& message) {
    const inspect::ParseResult result = parse(bytes);
    EXPECT_EQ(result.status, status);
    EXPECT_EQ(result.error_offset, offset);
    EXPECT_EQ(result.message, message);
}

TEST(SceneParser, ReadsTheTextArrayObject) {
    const std::string text = kHeader +
                             "\nobject \"a\" {\n  geometry \"triangles\" {\n    \"vertices\" [\n"
                             "      0 0 0, 1 0 0,\n      1 1 0 ],\n  }\n}\n";
    const inspect::ParseResult result = parse(text);
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Block& object = only_block(result.scene.root);
    EXPECT_EQ(object.keyword, "object");
    EXPECT_EQ(object.name(), "a");
    const inspect::Block& geometry = only_block(object);
    EXPECT_EQ(geometry.keyword, "geometry");
    EXPECT_EQ(geometry.name(), "triangles");
    const inspect::Param* vertices = geometry.find_param("vertices");
    ASSERT_NE(vertices, nullptr);
    EXPECT_FALSE(vertices->keyword_form);
    const inspect::ArrayData& array = *vertices->values.at(0).array;
    EXPECT_FALSE(array.is_binary());
    EXPECT_EQ(array.text_elements, 3u);
    EXPECT_EQ(array.numbers, (std::vector<double>{0, 0, 0, 1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(result.scene.format_version, "3");
    EXPECT_EQ(result.scene.root.comments.size(), 2u);
}

TEST(SceneParser, ReadsTheBinaryArrayObjectWithoutCopyingItems) {
    const std::vector<float> items = {0, 0, 0, 1, 0, 0, 1, 1, 0};
    const std::string text = kHeader +
                             "\nobject \"a\" {\n  geometry \"triangles\" {\n    \"vertices\" [\n"
                             "      " +
                             floats('c', items) + " ],\n  }\n}\n";
    const inspect::ParseResult result = parse(text);
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::ArrayData& array =
        *only_block(only_block(result.scene.root)).find_param("vertices")->values.at(0).array;
    EXPECT_EQ(array.tag, 'c');
    EXPECT_EQ(array.item_count, 9u);
    EXPECT_EQ(array.block_offset, text.find('\x01'));
    EXPECT_EQ(array.items,
              reinterpret_cast<const std::uint8_t*>(text.data()) + array.block_offset + 8);
    for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(array.float_at(i), items[i]);
}

TEST(SceneParser, ReadsASplicedSurfaceShader) {
    const std::string text = kHeader +
                             "material \"m\" {\n"
                             "    surface     \"tav_diffuse\" {\n"
                             "      \"diffuse\" 1 0 0,\n"
                             "    }    \n"
                             "}\n";
    const inspect::ParseResult result = parse(text);
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Block& material = only_block(result.scene.root);
    const inspect::Block* surface = material.find_shader("surface", false);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->name(), "tav_diffuse");
    const inspect::Param* diffuse = surface->find_param("diffuse");
    ASSERT_NE(diffuse, nullptr);
    ASSERT_EQ(diffuse->values.size(), 3u);
    EXPECT_EQ(diffuse->values[0].number, 1.0);
}

TEST(SceneParser, ReadsAnExportedSceneWithLinkedTextureAndCamera) {
    const inspect::ParseResult result = parse(sample_scene("xX77c3b6642e706e67"));
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Block& top = only_block(result.scene.root);
    EXPECT_EQ(top.keyword, "group");
    ASSERT_EQ(top.blocks.size(), 4u);  // accel, camera, group, object
    EXPECT_EQ(top.blocks[0]->keyword, "accel");
    const inspect::Block& camera = *top.blocks[1];
    EXPECT_EQ(camera.find_param("position")->values.at(2).number, 3.5);
    EXPECT_EQ(camera.find_param("transform")->values.size(), 16u);
    const inspect::Block* environment = camera.find_shader("reflection map", false);
    ASSERT_NE(environment, nullptr);
    EXPECT_EQ(environment->name(), "tav_envmap");
    EXPECT_EQ(environment->find_param("texture")->values.at(0).text, "startup.hdr");

    const inspect::Block& object = *top.blocks[2]->blocks.at(0);
    const inspect::Block* surface = object.find_block("material")->find_shader("surface", false);
    ASSERT_NE(surface, nullptr);
    const inspect::Block* texture = surface->find_shader("diffuse", true);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->name(), "texture_rgb");
    const inspect::Value& path = texture->find_param("texture")->values.at(0);
    EXPECT_TRUE(path.hex);
    EXPECT_EQ(path.text,
              "w\xc3\xb6"
              "d.png");
    // "diffuse" stands twice: the colour, then the link.
    EXPECT_EQ(surface->find_param("diffuse")->values.size(), 3u);
}

TEST(SceneParser, ReadsNumbersAsPrintfWritesThem) {
    const inspect::ParseResult result =
        parse(kHeader +
              "set transform 1 -2.5 1e+06 1.5e-07 inf -inf nan -nan 0.500000 "
              "1.#INF -1.#IND 1.#QNAN +3 .5 -0 7\n");
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Param& param = result.scene.root.params.at(0);
    EXPECT_EQ(param.name, "set transform");
    ASSERT_EQ(param.values.size(), 16u);
    const double expected[] = {1, -2.5, 1e6, 1.5e-7, INFINITY, -INFINITY};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(param.values[i].number, expected[i]);
    EXPECT_TRUE(std::isnan(param.values[6].number));
    EXPECT_TRUE(std::isnan(param.values[7].number));
    EXPECT_EQ(param.values[8].number, 0.5);
    EXPECT_EQ(param.values[9].number, INFINITY);
    EXPECT_TRUE(std::isnan(param.values[10].number));
    EXPECT_TRUE(std::isnan(param.values[11].number));
    EXPECT_EQ(param.values[12].number, 3);
    EXPECT_EQ(param.values[13].number, 0.5);
    EXPECT_EQ(param.values[15].text, "7");
}

TEST(SceneParser, ReadsStatementsOfEveryShape) {
    const std::string text = kHeader +
                             "#modify \ncamera \"c\" {\n  fov 30\n}\n"
                             "\n#define   group \"def\" {\n}\n"
                             "progress \"Exporting: chair\" 0.250000\n\n"
                             "icon bX01ff\n"
                             "object \"o\" {\n  caustics store off\n  invisible on\n}\n"
                             "motion 0.5 {\n  transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1   \n}\n"
                             "xX410a [ \"s\",\"t\" ] ,\n"
                             "#define shader \"n\" \"t\" {\n  \"k\" ,\n}\n"
                             "render\n";
    const inspect::ParseResult result = parse(text);
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Block& root = result.scene.root;
    ASSERT_EQ(root.blocks.size(), 5u);
    EXPECT_EQ(root.blocks[0]->keyword, "#modify camera");
    EXPECT_EQ(root.blocks[1]->keyword, "#define group");
    EXPECT_EQ(root.blocks[4]->keyword, "#define shader");
    EXPECT_EQ(root.blocks[4]->head.at(1).text, "t");
    const inspect::Param* progress = root.find_param("progress");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->values.at(0).text, "Exporting: chair");
    EXPECT_EQ(progress->values.at(1).number, 0.25);
    EXPECT_EQ(root.find_param("icon")->values.at(0).text, "\x01\xff");
    const inspect::Param* caustics = root.blocks[2]->find_param("caustics store");
    ASSERT_NE(caustics, nullptr);
    EXPECT_EQ(caustics->values.at(0).text, "off");
    EXPECT_EQ(root.blocks[3]->find_param("transform")->values.size(), 16u);
    const inspect::Param* strings = root.find_param("A\n");
    ASSERT_NE(strings, nullptr);
    EXPECT_EQ(strings->values.at(0).array->strings, (std::vector<std::string>{"s", "t"}));
}

TEST(SceneParser, ReportsCutOffFilesAsTruncatedWithTheOpenBlocks) {
    const std::string start = kHeader +
                              "\ngroup \"g\" {\n  \n  object \"a\" {\n"
                              "    geometry \"triangles\" {\n";
    expect_error(start, ParseStatus::truncated, start.size(),
                 "expected a keyword, a quoted parameter name or '}' closing geometry "
                 "\"triangles\", found end of file; 3 blocks still open: group \"g\" at offset "
                 "55, object \"a\" at offset 72, geometry \"triangles\" at offset 89");
    // Killed in the middle of a binary block.
    const std::string items = floats('c', {1, 2, 3, 4, 5, 6, 7, 8, 9});
    const std::string cut = start + "      \"vertices\" [\n        " + items.substr(0, 28);
    expect_error(cut, ParseStatus::truncated, cut.size() - 20,
                 "expected 9 items (36 bytes) in the binary block, found end of file after 20 "
                 "bytes; 3 blocks still open: group \"g\" at offset 55, object \"a\" at offset 72, "
                 "geometry \"triangles\" at offset 89");
    expect_error("", ParseStatus::truncated, 0,
                 "expected the magic line \"//---tavren:dal:3---\" at the start of the file, found "
                 "end of file");
}

TEST(SceneParser, NeverCallsACutOffExportMalformed) {
    const std::string text = sample_scene();
    for (std::size_t length = 0; length < text.size(); ++length) {
        const inspect::ParseResult result = parse(text.substr(0, length));
        // A cut shows within the magic line's fixed part, at the lone '/' that begins the
        // second comment, and everywhere past the header short of the final line feed.
        const bool inside = length < std::string("//---tavren:dal:").size() ||
                            length == std::string("//---tavren:dal:3---\n/").size() ||
                            (length > kHeader.size() + 1 && length < text.size() - 1);
        ASSERT_EQ(result.status, inside ? ParseStatus::truncated : ParseStatus::ok)
            << "cut at " << length << ": " << result.message;
    }
    EXPECT_EQ(parse(text).status, ParseStatus::ok);
}

TEST(SceneParser, ReportsBrokenBinaryBlocksWithOffsetAndExpectation) {
    const std::string start = kHeader + "\"v\" [\n  ";
    const std::size_t at = start.size();
    expect_error(start + std::string("\x01\x02\x04", 3) + "c" + std::string(4, '\0') + " ],\n",
                 ParseStatus::malformed, at,
                 "expected the binary block marker 01 02 03, found 01 02 04");
    expect_error(start + std::string("\x01\x02\x03", 3) + "d" + std::string(4, '\0') + " ],\n",
                 ParseStatus::malformed, at + 3,
                 "expected a binary block tag 'c', 'f' or 'i', found byte 0x64");
    expect_error(start + block('i', -2, "", 0) + " ],\n", ParseStatus::malformed, at + 4,
                 "expected a binary block item count of 0 or more, found -2");
    // A count smaller than the items that follow: the next item is not the closing bracket.
    const std::vector<std::int32_t> items = {7, 8, 5};
    expect_error(start + block('i', 2, items.data(), 12) + " ],\n", ParseStatus::malformed, at + 16,
                 "expected ']' after the binary block at offset " + std::to_string(at) +
                     " of 2 items, found byte 0x05");
}

TEST(SceneParser, ReportsMalformedTextWithOffsetAndExpectation) {
    const std::size_t at = kHeader.size();
    expect_error(kHeader + "}\n", ParseStatus::malformed, at,
                 "expected a keyword or a quoted parameter name, found '}' with no block open");
    expect_error(kHeader + "group \"g {\n}\n", ParseStatus::malformed, at + 10,
                 "expected '\"' closing the string begun at offset " + std::to_string(at + 6) +
                     ", found end of line");
    expect_error(kHeader + "\"a\" 1 2 }\n", ParseStatus::malformed, at + 8,
                 "expected a value or ',' ending the parameter \"a\", found '}'");
    expect_error(kHeader + "\"a\" xX414,\n", ParseStatus::malformed, at + 9,
                 "expected an even number of hexadecimal digits after xX, found 3");
    expect_error(kHeader + "fov 1.5.2\n", ParseStatus::malformed, at + 4,
                 "expected a number, found malformed number \"1.5.2\"");
    expect_error(kHeader + "\"a\" " + floats('f', {1}) + ",\n", ParseStatus::malformed, at + 4,
                 "expected a value or ',' ending the parameter \"a\", found a binary block");
    expect_error(kHeader + "group \"g\" {\n  \x05\n}\n", ParseStatus::malformed, at + 14,
                 "expected a keyword, a quoted parameter name or '}' closing group \"g\", found "
                 "byte 0x05");
    expect_error("<scene/>\n", ParseStatus::malformed, 0,
                 "expected the magic line \"//---tavren:dal:3---\" at the start of the file, "
                 "found something else");
}

TEST(SceneParser, CapsTheNestingOfBlocks) {
    std::string deep = kHeader;
    for (int i = 0; i < 64; ++i) deep += "group \"g\" {\n";
    for (int i = 0; i < 64; ++i) deep += "}\n";
    EXPECT_EQ(parse(deep).status, ParseStatus::malformed);
    EXPECT_EQ(parse(deep).message, "expected at most 64 levels of nested blocks, found more");
    std::string allowed = kHeader;
    for (int i = 0; i < 63; ++i) allowed += "group \"g\" {\n";
    for (int i = 0; i < 63; ++i) allowed += "}\n";
    EXPECT_EQ(parse(allowed).status, ParseStatus::ok);
    // Nested anonymous shaders count too; deep input cannot exhaust the stack.
    std::string shaders = kHeader;
    for (int i = 0; i < 100000; ++i) shaders += "\"a\" \"t\" {\n";
    EXPECT_EQ(parse(shaders).message, "expected at most 64 levels of nested blocks, found more");
}

TEST(SceneParser, SurvivesDamagedExports) {
    const std::string text = sample_scene();
    std::mt19937 random(20240601);
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = text;
        const int edits = 1 + round % 4;
        for (int i = 0; i < edits; ++i) {
            const std::size_t at = random() % damaged.size();
            damaged[at] = static_cast<char>(random() % 256);
        }
        const inspect::ParseResult result = parse(damaged);
        if (result.status != ParseStatus::ok) {
            EXPECT_FALSE(result.message.empty());
            EXPECT_LE(result.error_offset, damaged.size());
        }
    }
}

}  // namespace
