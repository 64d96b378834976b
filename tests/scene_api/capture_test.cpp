// Anonymous shaders: capture into buffers, nesting, linking and splicing.
#include "writer_fixture.h"

TEST_F(WriterTest, NestedShadersLinkedThroughPushAndPop) {
    tavScene_api& w = open();
    w.begin_object("o", true);
    w.begin_material("m", true);  // indentation 4 while the shaders are captured
    w.begin_shader(nullptr, "outer");
    w.set_int_param("a", 1);
    w.push_shader();
    w.begin_shader(nullptr, "inner");
    w.set_int_param("b", 2);
    w.end_shader(0);
    ShaderBuffer* inner = w.current_shader();
    w.pop_shader();
    w.link_param("tex", inner);
    w.end_shader(0);
    w.set_shader(SHADER_SHADOW, w.current_shader());
    w.end_material();
    w.end_object();
    EXPECT_EQ(finish(), golden("linked_shaders.vsf"));
}

// end_shader leaves the finished buffer active: without pop_shader the outer shader's later
// parameters land in the inner buffer. A named shader is written in place and leaves the
// active buffer as it was. Popping the empty stack yields null.
TEST_F(WriterTest, WithoutPopLaterWritesLandInTheInnerShaderAndNamedShadersGoInPlace) {
    tavScene_api& w = open();
    w.pop_shader();
    EXPECT_EQ(w.current_shader(), nullptr);
    w.begin_shader(nullptr, "outer");
    w.begin_shader(nullptr, "inner");
    w.end_shader(0);
    w.set_int_param("late", 1);
    w.end_shader(0);
    ShaderBuffer* inner = w.current_shader();
    EXPECT_STREQ(inner->text(), "\"inner\" {\n}  \"late\" 1,\n}");
    w.begin_shader("env", "tav_envmap");
    w.set_param("image", PARAM_STRING, "startup.hdr");
    w.end_shader(0);
    EXPECT_EQ(w.current_shader(), inner);
    EXPECT_EQ(finish(),
              "#define shader \"env\" \"tav_envmap\" {\n  \"image\" \"startup.hdr\",\n}\n");
}

// A shader holding a binary array is copied byte for byte, never re-indented.
TEST_F(WriterTest, BinaryShaderIsCopiedByLength) {
    tavScene_api& w = open(true);
    const float half = 0.5f;
    w.begin_shader(nullptr, "inner");
    w.begin_array_param("weights");
    w.add_array_value(PARAM_FLOAT, &half);
    w.end_array_param();
    w.end_shader(0);
    ShaderBuffer* inner = w.current_shader();
    const std::string inner_text = "\"inner\" {\n  \"weights\" [\n    " + block_header('f', 1) +
                                   std::string("\0\0\0\x3f", 4) + " ],\n}";
    EXPECT_EQ(std::string(inner->text(), static_cast<std::size_t>(inner->length())), inner_text);
    w.push_shader();
    w.begin_shader(nullptr, "outer");
    w.link_param("w", inner);
    w.end_shader(0);
    w.begin_object("o", true);
    w.set_shader(SHADER_VOLUME, w.current_shader());
    EXPECT_EQ(finish(), "\nobject \"o\" {\n  volume " +
                            ("\"outer\" {\n  \"w\" ! " + inner_text + "  ,\n}") + "  \n");
}
