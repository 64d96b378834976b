// Block statements and the exclusive top-level blocks.
#include "writer_fixture.h"

TEST_F(WriterTest, RefusedCameraInsideOptionsWritesNothingButEndsTheBlock) {
    tavScene_api& w = open();
    EXPECT_TRUE(w.begin_options());
    w.set_int_param("samples", 4);
    EXPECT_FALSE(w.begin_camera("c"));
    EXPECT_FALSE(w.begin_image());
    EXPECT_FALSE(w.begin_options());
    w.end_camera();  // resets the block: the options block can no longer close with its text
    w.end_options();
    w.set_int_param("after", 1);
    EXPECT_TRUE(w.begin_camera(nullptr));
    w.end_camera();
    EXPECT_EQ(finish(),
              "\noptions {\n"
              "  samples 4\n"
              "  \"after\" 1,\n"
              "  \n  camera {\n"
              "  }\n");
}

TEST_F(WriterTest, ModifyCameraKeepsItsTextWhenRefused) {
    tavScene_api& w = open();
    EXPECT_TRUE(w.begin_image());
    EXPECT_FALSE(w.modify_camera("cam"));
    w.end_image();
    EXPECT_TRUE(w.modify_camera("cam"));
    const double position[3] = {1, 2.5, 0};
    w.set_vector_param("position", position);
    w.end_camera();
    EXPECT_EQ(finish(),
              "\nimage {\n"
              "  #modify }\n"
              "#modify \ncamera \"cam\" {\n"
              "  position 1 2.5 0\n"
              "}\n");
}

TEST_F(WriterTest, ObjectFlagLinesInTheirOrder) {
    tavScene_api& w = open();
    w.begin_object("plain", true);
    w.end_object();
    w.begin_object("all", false);
    w.set_object_flags(FLAG_CAUSTICS_TRACE | FLAG_AMBIENT_TRACE | FLAG_AMBIENT_STORE, false);
    w.set_object_flags(FLAG_CAUSTICS_STORE, false);
    w.set_object_flags(FLAG_INVISIBLE | 1, true);
    w.end_object();
    w.modify_object("all");
    w.set_object_flags(FLAG_INVISIBLE, false);
    w.end_object();
    EXPECT_EQ(finish(),
              "\nobject \"plain\" {\n}\n"
              "\n#define object \"all\" {\n"
              "  caustics store off\n"
              "  caustics trace off\n"
              "  ambient store off\n"
              "  ambient trace off\n"
              "  invisible on\n"
              "}\n"
              "#modify object \"all\" {\n"
              "  caustics store off\n"
              "  caustics trace off\n"
              "  ambient store off\n"
              "  ambient trace off\n"
              "}\n");
}

TEST_F(WriterTest, LightsMaterialsAndInstances) {
    tavScene_api& w = open();
    w.begin_light("sun", 0);
    w.set_global_photons(100);
    w.set_caustic_photons(20);
    w.set_volume_photons(3);
    w.end_light();
    w.modify_light("sun");
    w.end_light();
    w.begin_material("m", false);
    w.use_material("base", 0);
    w.end_material();
    w.modify_material("m");
    w.instance("sun");
    w.end_material();
    EXPECT_EQ(finish(),
              "\nlight \"sun\" {\n"
              "  global photons 100\n"
              "  caustic photons 20\n"
              "  volume photons 3\n"
              "}\n"
              "#modify light \"sun\" {\n}\n"
              "\n#define material \"m\" {\n"
              "  material \"base\"\n"
              "}\n"
              "#modify material \"m\" {\n"
              "  instance \"sun\"\n"
              "}\n");
}

// Output blocks switch to list form and leave keyword form behind them.
TEST_F(WriterTest, FramesOutputsAnimationsAndLoads) {
    tavScene_api& w = open();
    w.begin_frame(3);
    w.begin_output("a", "b", "c");
    w.set_int_param("x", 1);
    w.end_output();
    w.set_int_param("y", 2);
    w.begin_animation("a1", "a2");
    w.set_int_param("z", 3);
    EXPECT_EQ(w.end_animation(), 0);
    w.set_int_param("still keyword", 4);
    w.begin_load("lib");
    w.end_load();
    w.end_frame();
    EXPECT_EQ(finish(),
              "frame 3 {\n"
              "  output \"a\" \"b\" \"c\" {\n"
              "    \"x\" 1,\n"
              "  }\n"
              "  y 2\n"
              "  animation \"a1\"   \"a2\" {\n"
              "    \"z\" 3,\n"
              "  }\n"
              "  still keyword 4\n"
              "  load \"lib\" {\n"
              "  }\n"
              "}\n");
}

TEST_F(WriterTest, RenderProgressIconAndBlob) {
    tavScene_api& w = open();
    const unsigned char bytes[2] = {1, 255};
    EXPECT_TRUE(w.render());
    w.progress("p", 0.25f);
    w.icon(bytes, 2);
    w.begin_frame(0);
    w.blob("thumb nail", bytes, 2);
    w.icon(nullptr, 0);
    w.end_frame();
    EXPECT_EQ(finish(),
              "\nrender\n"
              "progress \"p\" 0.250000\n\n"
              "icon bX01ff\n"
              "frame 0 {\n"
              "  thumb nail bX01ff  \n"
              "  icon bX  \n"
              "}\n");
}

// Unbalanced ends pop empty stacks: they yield zero, false or null.
TEST_F(WriterTest, UnbalancedEndsPopEmptyStacks) {
    tavScene_api& w = open();
    w.pop_shader();
    EXPECT_EQ(w.current_shader(), nullptr);
    w.begin_options();
    w.end_object();  // keyword form popped back to the empty stack's false
    w.set_int_param("n", 1);
    w.end_shader(0);
    w.set_shader(SHADER_SURFACE, w.current_shader());
    EXPECT_EQ(finish(), "\noptions {\n}\n\"n\" 1,\n}\n");
}
