// Whole files written through the writer, compared byte for byte.
#include "writer_fixture.h"

TEST_F(WriterTest, TriangleObjectInTextAndBinaryArrays) {
    const float triangle[3][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    for (const bool binary : {false, true}) {
        tavScene_api& w = open(binary);
        w.begin_object("a", true);
        w.begin_geometry("triangles");
        w.begin_array_param("vertices");
        for (const auto& vertex : triangle) w.add_array_value(PARAM_COLOR, vertex);
        w.end_array_param();
        w.end_geometry();
        w.end_object();
        EXPECT_EQ(finish(), golden(binary ? "binary_array_object.vsf" : "text_array_object.vsf"));
    }
}

TEST_F(WriterTest, CapturedShaderIsSplicedAtTheMaterialsIndentation) {
    tavScene_api& w = open();
    w.begin_object("o", true);
    w.begin_material("m", true);
    w.begin_shader(nullptr, "tav_diffuse");
    w.set_color_param("diffuse", 1, 0, 0);
    w.end_shader(0);
    ShaderBuffer* shader = w.current_shader();
    EXPECT_STREQ(shader->text(), "\"tav_diffuse\" {\n  \"diffuse\" 1 0 0,\n}");
    w.set_shader(SHADER_SURFACE, shader);
    w.end_material();
    w.end_object();
    EXPECT_EQ(finish(), golden("spliced_shader.vsf"));
}
