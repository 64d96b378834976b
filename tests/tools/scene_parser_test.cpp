// The reader against hand-built bytes in the writer's layout, and its error reports.
#include "scene_parser.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene_bytes.h"

using inspect::ParseStatus;
using namespace scene_bytes;

namespace {

void expect_error(const std::string& bytes, ParseStatus status, std::size_t offset,
                  const std::string& message) {
    const inspect::ParseResult result = parse(bytes);
    EXPECT_EQ(result.status, status);
    EXPECT_EQ(result.error_offset, offset);
    EXPECT_EQ(result.message, message);
}

TEST(SceneParser, ReadsTextArraysAndBinaryArraysWithoutCopyingItems) {
    const std::string start = kHeader + "\nobject \"a\" {\n  geometry \"triangles\" {\n";
    const std::string text = start + "    \"v\" [\n      0 0 0, 1 0 0,\n      1 1 0 ],\n";
    const std::vector<float> items = {0, 0, 0, 1, 0, 0, 1, 1e-7f, 0};
    const std::string binary = text + array("w", floats('c', items)) + "  }\n}\n";
    const inspect::ParseResult result = parse(binary);
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Block& geometry = *result.scene.root.blocks.at(0)->blocks.at(0);
    const inspect::ArrayData& numbers = *geometry.find_param("v")->values.at(0).array;
    EXPECT_EQ(numbers.text_elements, 3u);
    EXPECT_EQ(numbers.numbers, (std::vector<double>{0, 0, 0, 1, 0, 0, 1, 1, 0}));
    const inspect::ArrayData& array = *geometry.find_param("w")->values.at(0).array;
    EXPECT_EQ(array.tag, 'c');
    EXPECT_EQ(array.item_count, 9u);
    EXPECT_EQ(array.items,
              reinterpret_cast<const std::uint8_t*>(binary.data()) + binary.find('\x01') + 8);
    for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(array.float_at(i), items[i]);
}

TEST(SceneParser, ReadsStatementsOfEveryShapeAndNumbersAsPrintfWritesThem) {
    const inspect::ParseResult result =
        parse(kHeader +
              "#modify \ncamera \"c\" {\n  caustics store off\n}\n"
              "motion 0.5 {\n  transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1   \n}\n"
              "#define shader \"n\" \"t\" {\n  \"k\" ,\n}\n"
              "progress \"Exporting: chair\" 0.250000\n\nicon bX01ff\n"
              "xX410a [ \"s\",\"t\" ] ,\nrender\n"
              "set transform 1 -2.5 1e+06 1.5e-07 -inf 1.#INF +3 .5 nan -1.#IND\n");
    ASSERT_EQ(result.status, ParseStatus::ok) << result.message;
    const inspect::Block& root = result.scene.root;
    ASSERT_EQ(root.blocks.size(), 3u);
    EXPECT_EQ(root.blocks[0]->keyword, "#modify camera");
    EXPECT_EQ(root.blocks[0]->find_param("caustics store")->values.at(0).text, "off");
    EXPECT_EQ(root.blocks[1]->find_param("transform")->values.size(), 16u);
    EXPECT_EQ(root.blocks[2]->keyword, "#define shader");
    EXPECT_EQ(root.blocks[2]->head.at(1).text, "t");
    EXPECT_EQ(root.find_param("progress")->values.at(1).number, 0.25);
    EXPECT_EQ(root.find_param("icon")->values.at(0).text, "\x01\xff");
    EXPECT_EQ(root.find_param("A\n")->values.at(0).array->strings,
              (std::vector<std::string>{"s", "t"}));
    const std::vector<inspect::Value>& numbers = root.find_param("set transform")->values;
    ASSERT_EQ(numbers.size(), 10u);
    const double expected[] = {1, -2.5, 1e6, 1.5e-7, -INFINITY, INFINITY, 3, 0.5};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(numbers[i].number, expected[i]) << i;
    EXPECT_TRUE(std::isnan(numbers[8].number) && std::isnan(numbers[9].number));
}

TEST(SceneParser, ReportsCutOffFilesAsTruncatedWithTheOpenBlocks) {
    const std::string start = kHeader + "\ngroup \"g\" {\n  object \"a\" {\n    geometry \"t\" {\n";
    const std::string open =
        "; 3 blocks still open: group \"g\" at offset 55, object \"a\" at "
        "offset 69, geometry \"t\" at offset 86";
    const std::string found_end =
        "expected a keyword, a quoted parameter name or '}' closing "
        "geometry \"t\", found end of file";
    expect_error(start, ParseStatus::truncated, start.size(), found_end + open);
    // Killed in the middle of a binary block.
    const std::string cut =
        start + "\"v\" [\n" + floats('c', {1, 2, 3, 4, 5, 6, 7, 8, 9}).substr(0, 28);
    const std::string in_block =
        "expected 9 items (36 bytes) in the binary block, found end of file after 20 bytes";
    expect_error(cut, ParseStatus::truncated, cut.size() - 20, in_block + open);
}

TEST(SceneParser, NeverCallsACutOffExportMalformed) {
    const std::string text = data("room.vsf");
    for (std::size_t length = 0; length < text.size(); ++length) {
        // A cut shows within the magic line's fixed part, at the lone '/' that begins the
        // second comment, and everywhere past the header short of the final line feed.
        const bool inside = length < std::string("//---tavren:dal:").size() ||
                            length == std::string("//---tavren:dal:3---\n/").size() ||
                            (length > kHeader.size() + 1 && length < text.size() - 1);
        const inspect::ParseResult result = parse(text.substr(0, length));
        ASSERT_EQ(result.status, inside ? ParseStatus::truncated : ParseStatus::ok)
            << "cut at " << length << ": " << result.message;
    }
}

TEST(SceneParser, ReportsMalformedDataWithOffsetAndExpectation) {
    const std::size_t at = kHeader.size();
    const auto in_array = [](const std::string& items) {
        return kHeader + "\"v\" [\n  " + items + " ],\n";
    };
    std::string marker = block('c', 0, "", 0);
    marker[2] = '\x04';
    expect_error(in_array(marker), ParseStatus::malformed, at + 8,
                 "expected the binary block marker 01 02 03, found 01 02 04");
    expect_error(in_array(block('d', 0, "", 0)), ParseStatus::malformed, at + 11,
                 "expected a binary block tag 'c', 'f' or 'i', found byte 0x64");
    expect_error(in_array(block('i', -2, "", 0)), ParseStatus::malformed, at + 12,
                 "expected a binary block item count of 0 or more, found -2");
    // A count smaller than the items that follow: the next item is not the closing bracket.
    expect_error(in_array(ints({7, 8}) + "\x05"), ParseStatus::malformed, at + 24,
                 "expected ']' after the binary block at offset " + std::to_string(at + 8) +
                     " of 2 items, found byte 0x05");
    expect_error(kHeader + "}\n", ParseStatus::malformed, at,
                 "expected a keyword or a quoted parameter name, found '}' with no block open");
    expect_error(kHeader + "group \"g {\n}\n", ParseStatus::malformed, at + 10,
                 "expected '\"' closing the string begun at offset " + std::to_string(at + 6) +
                     ", found end of line");
    expect_error(kHeader + "\"a\" xX414,\n", ParseStatus::malformed, at + 9,
                 "expected an even number of hexadecimal digits after xX, found 3");
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

TEST(SceneParser, CapsTheNestingSoDeepInputCannotExhaustTheStack) {
    std::string allowed = kHeader, shaders = kHeader;
    for (int i = 0; i < 63; ++i) allowed += "group \"g\" {\n";
    EXPECT_EQ(parse(allowed + std::string(63, '}')).status, ParseStatus::ok);
    for (int i = 0; i < 100000; ++i) shaders += "\"a\" \"t\" {\n";
    EXPECT_EQ(parse(shaders).message, "expected at most 64 levels of nested blocks, found more");
}

}  // namespace
