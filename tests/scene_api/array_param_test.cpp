// write_array_param, the whole-array path that SceneBuilder takes: the same bytes, at the same
// flush points, as begin_array_param, one add_array_value per element and end_array_param.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "writer_fixture.h"

namespace {

// Five three-float elements, ten floats (zeros included: text arrays print a float zero as -1)
// and fourteen ints: enough for the line breaks of text arrays.
const float colors[] = {0, 0, 0, 1, 0.5f, -2, 3e8f, 1e-3f, 7, -0.0f, 2, 3, 4, 5, 6};
const float floats[] = {0, -0.0f, 1.5f, -3, 1e-7f, 4, 5, 6, 7, 8};
const int ints[] = {0, 1, -1, 2147483647, -2147483647 - 1, 5, 6, 7, 8, 9, 10, 11, 12, 13};

struct Array {
    const char* name;
    int kind;
    const void* elements;
    std::size_t count;
};

const Array arrays[] = {{"vertices", PARAM_COLOR, colors, 5},
                        {"uv_tex", PARAM_FLOAT, floats, 10},
                        {"triangles", PARAM_INT, ints, 14},
                        {"empty", PARAM_COLOR, colors, 0},
                        {"none", PARAM_INT, nullptr, 0}};

void element_by_element(tavScene_api& w, const Array& a) {
    const std::size_t bytes = a.kind == PARAM_COLOR ? 12 : 4;
    w.begin_array_param(a.name);
    for (std::size_t i = 0; i < a.count; ++i)
        w.add_array_value(a.kind, static_cast<const char*>(a.elements) + i * bytes);
    w.end_array_param();
}

void whole(tavScene_api_file& w, const Array& a) {
    w.write_array_param(a.name, a.kind, a.elements, a.count);
}

using Body = std::function<void(tavScene_api_file&)>;

class ArrayParamTest : public WriterTest {
  protected:
    // Everything a writer writes around body, and what had reached the file when body ended.
    struct Output {
        std::string when_body_ended;
        std::string all;
    };

    Output written(bool binary, const Body& body) {
        tavScene_api_file& w = open(binary);
        w.begin_object("o", true);
        w.begin_geometry("triangles");
        body(w);
        Output output;
        output.when_body_ended = on_disk();
        w.end_geometry();
        w.end_object();
        output.all = finish();
        return output;
    }

    void expect_same(bool binary, const Body& expected, const Body& actual) {
        const Output want = written(binary, expected);
        const Output got = written(binary, actual);
        EXPECT_EQ(want.all, got.all);
        EXPECT_EQ(want.when_body_ended, got.when_body_ended);
    }
};

}  // namespace

TEST_F(ArrayParamTest, SameBytesAndFlushPointsAsElementByElement) {
    for (const bool binary : {true, false}) {
        for (const Array& a : arrays) {
            SCOPED_TRACE(std::string(a.name) + (binary ? " binary" : " text"));
            expect_same(
                binary, [&](tavScene_api_file& w) { element_by_element(w, a); },
                [&](tavScene_api_file& w) { whole(w, a); });
        }
    }
}

TEST_F(ArrayParamTest, BinaryArrayIsOneBlockOfTheItemsAsTheyStand) {
    const Output output = written(true, [](tavScene_api_file& w) { whole(w, arrays[0]); });
    const std::string expected =
        "    \"vertices\" [\n      " + block_header('c', 15) + bytes_of(colors) + " ],\n";
    EXPECT_NE(output.all.find(expected), std::string::npos);
}

// begin_array_param drops items collected outside an array, and the tag of a later stray
// element is that of the last array.
TEST_F(ArrayParamTest, ItemsLeftOverBeforeAndAfterAreTreatedAlike) {
    const int stray = 42;
    const auto around = [&](const std::function<void(tavScene_api_file&)>& array) {
        return [&, array](tavScene_api_file& w) {
            w.add_array_value(PARAM_FLOAT, &floats[2]);
            array(w);
            w.add_array_value(PARAM_INT, &stray);
            w.begin_array_param("after");
            w.end_array_param();
        };
    };
    expect_same(true, around([](tavScene_api_file& w) { element_by_element(w, arrays[2]); }),
                around([](tavScene_api_file& w) { whole(w, arrays[2]); }));
}

TEST_F(ArrayParamTest, CapturedShaderGetsTheSameBytes) {
    const auto captured = [&](const std::function<void(tavScene_api_file&)>& array) {
        tavScene_api_file& w = open(true);
        w.begin_shader(nullptr, "mesh_data");
        array(w);
        w.end_shader(0);
        const ShaderBuffer* shader = w.current_shader();
        std::string bytes(shader->text(), static_cast<std::size_t>(shader->length()));
        EXPECT_TRUE(shader->binary());
        finish();
        return bytes;
    };
    const std::string expected = captured([](tavScene_api_file& w) {
        for (const Array& a : arrays) element_by_element(w, a);
    });
    EXPECT_EQ(expected, captured([](tavScene_api_file& w) {
                  for (const Array& a : arrays) whole(w, a);
              }));
}

TEST_F(ArrayParamTest, KindsWithoutFourByteItemsAreRefusedBeforeAnythingIsWritten) {
    tavScene_api_file& w = open(true);
    const double vector[3] = {1, 2, 3};
    try {
        w.write_array_param("v", PARAM_VECTOR, vector, 1);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "write_array_param: kind 5 has no 4-byte items");
    }
    EXPECT_EQ(finish(), "");
}
