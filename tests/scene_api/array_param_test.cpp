// write_array_param, the whole-array path that SceneBuilder takes, whole or in pieces: the same
// bytes, at the same flush points, as begin_array_param, one add_array_value per element and
// end_array_param.
#include <stdexcept>
#include <string>

#include "writer_fixture.h"

namespace {

// Enough elements for the line breaks of text arrays, zeros included (printed as -1).
const float floats[] = {0, -0.0f, 1.5f, -3, 1e-7f, 4, 5, 6, 7, 8, 3e8f, 2, 3, 4, 5};
const int ints[] = {0, 1, -1, 2147483647, -2147483647 - 1, 5, 6, 7, 8, 9, 10, 11, 12, 13};

class ArrayParamTest : public WriterTest {
  protected:
    // The file once the array is written, then the whole file. The array sits in a geometry
    // block between stray items, which the next begin_array_param drops, and an empty array;
    // then again in a captured shader.
    // way: 0 element by element, 1 whole, 2 in pieces (the first two elements, an empty piece,
    // the rest).
    std::string written(bool binary, int kind, const void* items, int count, int way) {
        tavScene_api_file& w = open(binary);
        const std::size_t size = kind == PARAM_COLOR ? 12 : 4;
        const int head = count < 2 ? count : 2;
        const tavScene_api_file::ArrayPiece pieces[] = {
            {items, std::size_t(head)},
            {nullptr, 3},
            {static_cast<const char*>(items) + head * size, std::size_t(count - head)}};
        const auto write = [&] {
            if (way == 1) return w.write_array_param("a", kind, items, count);
            if (way == 2) return w.write_array_param("a", kind, pieces, 3);
            w.begin_array_param("a");
            for (int i = 0; i < count; ++i)
                w.add_array_value(kind, static_cast<const char*>(items) + i * size);
            w.end_array_param();
        };
        w.begin_object("o", true);
        w.begin_geometry("triangles");
        w.add_array_value(PARAM_FLOAT, &floats[2]);
        write();
        const std::string at_end = on_disk();
        w.add_array_value(PARAM_INT, &ints[1]);
        w.begin_array_param("after");
        w.end_array_param();
        w.end_geometry();
        w.begin_shader(nullptr, "mesh_data");
        write();
        w.end_shader(0);
        w.set_shader(SHADER_SURFACE, w.current_shader());
        w.end_object();
        return at_end + "|" + finish();
    }
};

}  // namespace

TEST_F(ArrayParamTest, SameBytesAndFlushPointsAsElementByElement) {
    for (const bool binary : {true, false}) {
        for (const int kind : {PARAM_COLOR, PARAM_FLOAT, PARAM_INT}) {
            const void* items = kind == PARAM_INT ? static_cast<const void*>(ints) : floats;
            for (const int count : {0, kind == PARAM_COLOR ? 5 : 14}) {
                SCOPED_TRACE(::testing::Message()
                             << kind << (binary ? " binary " : " text ") << count);
                const std::string expected = written(binary, kind, items, count, 0);
                EXPECT_EQ(written(binary, kind, items, count, 1), expected);
                EXPECT_EQ(written(binary, kind, items, count, 2), expected);
            }
        }
    }
}

TEST_F(ArrayParamTest, KindsWithoutFourByteItemsAreRefusedBeforeAnythingIsWritten) {
    const double vector[3] = {1, 2, 3};
    EXPECT_THROW(open(true).write_array_param("v", PARAM_VECTOR, vector, 1), std::invalid_argument);
    EXPECT_EQ(finish(), "");
}
