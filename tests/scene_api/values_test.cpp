// Value kinds, parameter forms, names and arrays.
#include "writer_fixture.h"

// A colour has three numbers whatever follows, a float zero prints as -1; unknown and negative
// kinds and null values print the name alone and read nothing (the sanitizers see any read past
// the 4-byte value).
TEST_F(WriterTest, ScalarKindsInParameterListForm) {
    tavScene_api& w = open();
    const float f4[4] = {0.5f, 25, 0, -0.0f}, zero = 0.0f;
    const double d3[3] = {0.1, 1e20, -2};
    const auto four_bytes = std::make_unique<int>(1);
    w.set_param("color", PARAM_COLOR, f4);
    w.set_param("float4", PARAM_FLOAT4, f4);
    w.set_param("zero", PARAM_FLOAT, &zero);
    w.set_param("vector", PARAM_VECTOR, d3);
    w.set_param("unknown", 19, d3);
    w.set_param("null", PARAM_INT, nullptr);
    for (int kind : {-3, -1, PARAM_ARRAY | 19}) w.set_param("n", kind, four_bytes.get());
    w.add_array_value(-3, four_bytes.get());
    EXPECT_EQ(finish(),
              "\"color\" 0.5 25 0,\n\"float4\" 0.5 25 0 -0,\n\"zero\" -1,\n"
              "\"vector\" 0.1 1e+20 -2,\n\"unknown\" ,\n\"null\" ,\n\"n\" ,\n\"n\" ,\n\"n\" ,\n");
}

// Keyword lines carry the name verbatim; list lines quote it, or write "xX" and hexadecimal
// digits (without indentation) when quoting cannot hold it.
TEST_F(WriterTest, NamesInBothParameterForms) {
    tavScene_api& w = open();
    w.begin_object("A\n", true);
    w.set_int_param("reflection map", 3);
    w.begin_geometry("");
    w.set_int_param("format", 3);
    w.set_int_param("a\"b", 1);
    w.set_param("path", PARAM_STRING, "caf\xc3\xa9\r");
    EXPECT_EQ(finish(),
              "\nobject xX410a {\n  reflection map 3\n  geometry \"\" {\n    \"format\" 3,\n"
              "xX612262 1,\n    \"path\" xX636166c3a90d,\n");
}

// Whole arrays break after nine items, then every eight; element by element, six per line
// (three-float values two per line).
TEST_F(WriterTest, TextArrayLineBreaks) {
    tavScene_api& w = open();
    int ints[18];
    for (int i = 0; i < 18; ++i) ints[i] = i;
    const float colours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    w.begin_array_param("ints");
    for (int i = 0; i < 13; ++i) w.add_array_value(PARAM_INT, &ints[i]);
    w.end_array_param();
    w.begin_array_param("c");
    for (const auto& colour : colours) w.add_array_value(PARAM_COLOR, colour);
    w.end_array_param();
    w.begin_object("o", true);
    set_array(w, "eighteen", PARAM_INT, ints, 18);
    set_array(w, "none", PARAM_INT, ints, 0);
    set_array(w, "colours", PARAM_COLOR, colours, 2);
    EXPECT_EQ(finish(),
              "\"ints\" [\n  0, 1, 2, 3, 4, 5,\n  6, 7, 8, 9, 10, 11,\n  12 ],\n\"c\" [\n  1 0 0, "
              "0 1 0,\n  0 0 1 ],\n\nobject \"o\" {\n"
              "  eighteen [ 0,1,2,3,4,5,6,7,8,\n  9,10,11,12,13,14,15,16,\n  17 ] \n"
              "  none [ ] \n  colours [ 1 0 0,0 1 0 ] \n");
}

// In binary mode items of the binary kinds collect in one block under the last tag; other
// kinds print at once, and items added outside an array are dropped by the next begin. A whole
// array is one block.
TEST_F(WriterTest, BinaryArraysCollectOneBlockUnderTheLastTag) {
    tavScene_api& w = open(true);
    const float c[3] = {1, 2, 3};
    const int i = 7;
    const double v[3] = {4, 5, 6};
    w.add_array_value(PARAM_INT, &i);
    w.begin_array_param("mixed");
    w.add_array_value(PARAM_COLOR, c);
    w.add_array_value(PARAM_VECTOR, v);
    w.add_array_value(PARAM_INT, &i);
    w.end_array_param();
    set_array(w, "c", PARAM_COLOR, c, 1);
    const std::string c_bytes(reinterpret_cast<const char*>(c), sizeof c);
    EXPECT_EQ(finish(), "\"mixed\" [\n  4 5 6" + block_header('i', 4) + c_bytes +
                            std::string("\x07\0\0\0", 4) + " ],\n\"c\" [ " + block_header('c', 3) +
                            c_bytes + "] ,\n");
}
