// Block statements and the exclusive top-level blocks.
#include "writer_fixture.h"

// A refused camera writes nothing, yet its end resets the block: the options block can no
// longer close with its text.
TEST_F(WriterTest, RefusedCameraInsideOptionsWritesNothingButEndsTheBlock) {
    tavScene_api& w = open();
    EXPECT_TRUE(w.begin_options());
    w.set_int_param("samples", 4);
    EXPECT_FALSE(w.begin_camera("c"));
    EXPECT_FALSE(w.begin_image());
    EXPECT_FALSE(w.begin_options());
    w.end_camera();
    w.end_options();
    w.set_int_param("after", 1);
    EXPECT_TRUE(w.begin_camera(nullptr));
    w.end_camera();
    EXPECT_EQ(finish(), "\noptions {\n  samples 4\n  \"after\" 1,\n  \n  camera {\n  }\n");
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
              "frame 3 {\n  output \"a\" \"b\" \"c\" {\n    \"x\" 1,\n  }\n  y 2\n"
              "  animation \"a1\"   \"a2\" {\n    \"z\" 3,\n  }\n  still keyword 4\n"
              "  load \"lib\" {\n  }\n}\n");
}

TEST_F(WriterTest, ProgressAndIconsAndBlobsInHexadecimal) {
    tavScene_api& w = open();
    const unsigned char bytes[2] = {1, 255};
    w.progress("p", 0.25f);
    w.icon(bytes, 2);
    w.begin_frame(0);
    w.blob("thumb nail", bytes, 2);
    w.icon(nullptr, 0);
    w.end_frame();
    EXPECT_EQ(finish(),
              "progress \"p\" 0.250000\n\nicon bX01ff\nframe 0 {\n  thumb nail bX01ff  \n  icon bX "
              " \n}\n");
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
