// Whole files written through the writer, compared byte for byte.
#include "writer_fixture.h"

namespace {

void write_triangle_object(tavScene_api& w) {
    const float triangle[3][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    w.begin_object("a", true);
    w.begin_geometry("triangles");
    w.begin_array_param("vertices");
    for (const auto& vertex : triangle) w.add_array_value(PARAM_COLOR, vertex);
    w.end_array_param();
    w.end_geometry();
    w.end_object();
}

}  // namespace

TEST_F(WriterTest, TextArrayObjectHoldsTwoColoursPerLine) {
    write_triangle_object(open(false));
    EXPECT_EQ(finish(), golden("text_array_object.vsf"));
}

TEST_F(WriterTest, BinaryArrayObjectWritesOneBlock) {
    write_triangle_object(open(true));
    EXPECT_EQ(finish(), golden("binary_array_object.vsf"));
}

TEST_F(WriterTest, CapturedShaderIsSplicedAtTheMaterialsIndentation) {
    tavScene_api& w = open();
    w.begin_object("o", true);
    w.begin_material("m", true);
    w.begin_shader(nullptr, "tav_diffuse");
    w.set_color_param("diffuse", 1, 0, 0);
    w.end_shader(0);
    ShaderBuffer* shader = w.current_shader();
    ASSERT_NE(shader, nullptr);
    EXPECT_STREQ(shader->text(), "\"tav_diffuse\" {\n  \"diffuse\" 1 0 0,\n}");
    w.set_shader(SHADER_SURFACE, shader);
    w.end_material();
    w.end_object();
    EXPECT_EQ(finish(), golden("spliced_shader.vsf"));
}

// A group kept out of the scene (the indentation lands after "#define"), its transforms and a
// motion block.
TEST_F(WriterTest, DefinedGroupWithTransformsAndMotionBlock) {
    tavScene_api& w = open();
    const double m[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0.1, 0, 0, 1};
    w.begin_group("model", true);
    w.begin_group("inner", false);
    w.transform(m, true);
    w.motion(m, 0.5f);
    w.end_group();
    w.end_group();
    EXPECT_EQ(finish(),
              "\ngroup \"model\" {\n\n  #define   group \"inner\" {\n"
              "    set transform 2 0 0 0 0 2 0 0 0 0 2 0 0.1 0 0 1\n    motion 0.5 {\n"
              "      transform 2 0 0 0 0 2 0 0 0 0 2 0 0.1 0 0 1      \n    }\n  }\n}\n");
}
