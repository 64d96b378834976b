// Whole scenes written through the writer, compared byte for byte.
#include "writer_fixture.h"

namespace {

const float triangle[3][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};

void write_triangle_object(tavScene_api& w) {
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
    EXPECT_EQ(finish(),
              "\nobject \"a\" {\n"
              "  geometry \"triangles\" {\n"
              "    \"vertices\" [\n"
              "      0 0 0, 1 0 0,\n"
              "      1 1 0 ],\n"
              "  }\n"
              "}\n");
}

TEST_F(WriterTest, BinaryArrayObjectWritesOneBlock) {
    write_triangle_object(open(true));
    EXPECT_EQ(finish(),
              "\nobject \"a\" {\n"
              "  geometry \"triangles\" {\n"
              "    \"vertices\" [\n"
              "      " +
                  block_header('c', 9) + bytes_of(triangle) +
                  " ],\n"
                  "  }\n"
                  "}\n");
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
    EXPECT_FALSE(shader->binary());
    w.set_shader(SHADER_SURFACE, shader);
    w.end_material();
    w.end_object();
    EXPECT_EQ(finish(),
              "\nobject \"o\" {\n"
              "  material \"m\" {\n"
              "    surface     \"tav_diffuse\" {\n"
              "      \"diffuse\" 1 0 0,\n"
              "    }    \n"
              "  }\n"
              "}\n");
}

// The frame every exported scene has: header text, top group, acceleration block, camera.
TEST_F(WriterTest, SceneFrameWithCameraAndNestedGroup) {
    tavScene_api& w = open();
    w.print_text("//---tavren:dal:%d---\n", 3);
    w.print_text("// This is a Vistrel scene file\n\n");
    w.begin_group("model", true);
    w.begin_accel("auto");
    w.end_accel();
    w.begin_camera("last_active");
    const double position[3] = {1, 2.5, 0};
    w.set_vector_param("position", position);
    w.set_float_param("fov", 45);
    w.end_camera();
    w.begin_group("inner", false);
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.1, 0, 0, 1};
    w.transform(identity, false);
    w.transform(identity, true);
    w.end_group();
    w.end_group();
    EXPECT_EQ(finish(),
              "//---tavren:dal:3---\n"
              "// This is a Vistrel scene file\n\n"
              "\ngroup \"model\" {\n"
              "  \n  accel \"auto\" {\n"
              "  }\n"
              "  \n  camera \"last_active\" {\n"
              "    position 1 2.5 0\n"
              "    fov 45\n"
              "  }\n"
              "\n  #define   group \"inner\" {\n"
              "    transform 1 0 0 0 0 1 0 0 0 0 1 0 0.1 0 0 1\n"
              "    set transform 1 0 0 0 0 1 0 0 0 0 1 0 0.1 0 0 1\n"
              "  }\n"
              "}\n");
}

TEST_F(WriterTest, TransformStatementsAndMotionBlock) {
    tavScene_api& w = open();
    const double m[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1};
    w.begin_matrix("m");
    w.scale(0.1, 1, 2);
    w.rotate(0, 90, 0);
    w.translate(-1, 0, 1e-7);
    w.motion(m, 0.5f);
    w.end_matrix();
    EXPECT_EQ(finish(),
              "#define matrix \"m\" {\n"
              "  scale 0.1 1 2\n"
              "  rotate 0 90 0\n"
              "  translate -1 0 1e-07\n"
              "  motion 0.5 {\n"
              "    transform 2 0 0 0 0 2 0 0 0 0 2 0 0 0 0 1    \n"
              "  }\n"
              "}\n");
}
