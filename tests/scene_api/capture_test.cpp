// Anonymous shaders: capture into buffers, nesting, linking and splicing.
#include <string>

#include "writer_fixture.h"

TEST(ShaderBufferTest, GrowsGeometricallyAndKeepsItsText) {
    ShaderBuffer buffer;
    EXPECT_EQ(buffer.capacity(), -1);
    EXPECT_STREQ(buffer.text(), "");
    buffer.append("abc", 0);
    EXPECT_EQ(buffer.capacity(), 3 - 2 + 512);
    EXPECT_FALSE(buffer.binary());
    const std::string bytes(600, '\0');
    buffer.append(bytes.data(), 600);
    EXPECT_EQ(buffer.capacity(), 600 + 2 * 513 + 512);
    EXPECT_EQ(buffer.length(), 603);
    EXPECT_TRUE(buffer.binary());
    EXPECT_EQ(std::string(buffer.text(), 4), std::string("abc\0", 4));
    EXPECT_EQ(buffer.text()[603], '\0');
}

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
    ShaderBuffer* outer = w.current_shader();
    EXPECT_STREQ(inner->text(), "\"inner\" {\n  \"b\" 2,\n}");
    EXPECT_STREQ(outer->text(),
                 "\"outer\" {\n  \"a\" 1,\n  \"tex\" !   \"inner\" {\n    \"b\" 2,\n  }  ,\n}");
    w.set_shader(SHADER_SHADOW, outer);
    w.end_material();
    w.end_object();
    EXPECT_EQ(finish(),
              "\nobject \"o\" {\n"
              "  material \"m\" {\n"
              "    shadow     \"outer\" {\n"
              "      \"a\" 1,\n"
              "      \"tex\" !   \"inner\" {\n"
              "        \"b\" 2,\n"
              "      }  ,\n"
              "    }    \n"
              "  }\n"
              "}\n");
}

// end_shader leaves the finished buffer active; without pop_shader the outer shader's later
// parameters land in the inner buffer.
TEST_F(WriterTest, WithoutPopLaterWritesLandInTheInnerShader) {
    tavScene_api& w = open();
    w.begin_shader(nullptr, "outer");
    w.begin_shader(nullptr, "inner");
    w.end_shader(0);
    w.set_int_param("late", 1);
    w.end_shader(0);
    EXPECT_STREQ(w.current_shader()->text(), "\"inner\" {\n}  \"late\" 1,\n}");
    EXPECT_EQ(finish(), "");
}

TEST_F(WriterTest, NamedShaderIsWrittenInPlaceAndKeepsTheHandle) {
    tavScene_api& w = open();
    w.begin_shader(nullptr, "anon");
    w.end_shader(0);
    ShaderBuffer* anon = w.current_shader();
    w.begin_shader("env", "tav_envmap");
    w.set_param("image", PARAM_STRING, "startup.hdr");
    w.end_shader(0);
    EXPECT_EQ(w.current_shader(), anon);
    EXPECT_EQ(finish(),
              "#define shader \"env\" \"tav_envmap\" {\n"
              "  \"image\" \"startup.hdr\",\n"
              "}\n");
}

TEST_F(WriterTest, ShaderValuesAreSplicedTwoSpacesIn) {
    tavScene_api& w = open();
    w.begin_shader(nullptr, "t");
    w.set_int_param("x", 1);
    w.end_shader(0);
    ShaderBuffer* shader = w.current_shader();
    w.begin_object("o", true);
    w.set_param("map", PARAM_SHADER, &shader);
    w.begin_geometry("g");
    w.begin_geometry("g");  // the splice ignores this deeper indentation
    w.set_param("map", PARAM_SHADER, &shader);
    w.set_shader(SHADER_SURFACE, nullptr);
    w.set_shader(7, shader);
    EXPECT_EQ(finish(),
              "\nobject \"o\" {\n"
              "  map   \"t\" {\n    \"x\" 1,\n  }\n"
              "  geometry \"g\" {\n"
              "    geometry \"g\" {\n"
              "      \"map\"   \"t\" {\n    \"x\" 1,\n  },\n"
              "      // assuming surface shader\n"
              "      surface       \"t\" {\n        \"x\" 1,\n      }      \n");
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
    EXPECT_TRUE(inner->binary());
    EXPECT_EQ(std::string(inner->text(), static_cast<std::size_t>(inner->length())), inner_text);
    w.push_shader();
    w.begin_shader(nullptr, "outer");
    w.link_param("w", inner);
    w.end_shader(0);
    ShaderBuffer* outer = w.current_shader();
    EXPECT_TRUE(outer->binary());
    w.begin_object("o", true);
    w.set_shader(SHADER_VOLUME, outer);
    EXPECT_EQ(finish(), "\nobject \"o\" {\n  volume " +
                            ("\"outer\" {\n  \"w\" ! " + inner_text + "  ,\n}") + "  \n");
}
