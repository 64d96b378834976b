// write_array_param, the whole-array path that SceneBuilder takes: the same bytes, at the same
// flush points, as begin_array_param, one add_array_value per element and end_array_param.
#include <functional>
#include <stdexcept>
#include <string>

#include "writer_fixture.h"

namespace {

// Enough elements for the line breaks of text arrays, zeros included (text arrays print a
// float zero as -1).
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
                        {"none", PARAM_INT, nullptr, 0}};

using Write = std::function<void(tavScene_api_file&, const Array&)>;

const Write element_by_element = [](tavScene_api_file& w, const Array& a) {
    w.begin_array_param(a.name);
    for (std::size_t i = 0; i < a.count; ++i) {
        w.add_array_value(
            a.kind, static_cast<const char*>(a.elements) + i * (a.kind == PARAM_COLOR ? 12 : 4));
    }
    w.end_array_param();
};
const Write whole = [](tavScene_api_file& w, const Array& a) {
    w.write_array_param(a.name, a.kind, a.elements, a.count);
};

class ArrayParamTest : public WriterTest {
  protected:
    // The file once the array is written, then the whole file. The array sits in a geometry
    // block between stray items, which the next begin_array_param drops, and an empty array;
    // then again in a captured shader.
    std::string written(bool binary, const Array& a, const Write& write) {
        tavScene_api_file& w = open(binary);
        w.begin_object("o", true);
        w.begin_geometry("triangles");
        w.add_array_value(PARAM_FLOAT, &floats[2]);
        write(w, a);
        const std::string at_end = on_disk();
        w.add_array_value(PARAM_INT, &ints[1]);
        w.begin_array_param("after");
        w.end_array_param();
        w.end_geometry();
        w.begin_shader(nullptr, "mesh_data");
        write(w, a);
        w.end_shader(0);
        w.set_shader(SHADER_SURFACE, w.current_shader());
        w.end_object();
        return at_end + "|" + finish();
    }
};

}  // namespace

TEST_F(ArrayParamTest, SameBytesAndFlushPointsAsElementByElement) {
    for (const bool binary : {true, false}) {
        for (const Array& a : arrays) {
            SCOPED_TRACE(std::string(a.name) + (binary ? " binary" : " text"));
            EXPECT_EQ(written(binary, a, whole), written(binary, a, element_by_element));
        }
    }
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
