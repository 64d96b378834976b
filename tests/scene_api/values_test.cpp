// Value kinds, parameter forms, names and arrays.
#include <string>

#include "writer_fixture.h"

// A colour has three numbers whatever follows, a float zero prints as -1, unknown kinds and
// null values print the name alone.
TEST_F(WriterTest, ScalarKindsInParameterListForm) {
    tavScene_api& w = open();
    const float f4[4] = {0.5f, 25, 0, -0.0f}, zero = 0.0f;
    const double d3[3] = {0.1, 1e20, -2};
    const char* text = "t";
    w.set_param("color", PARAM_COLOR, f4);
    w.set_param("float4", PARAM_FLOAT4, f4);
    w.set_param("zero", PARAM_FLOAT, &zero);
    w.set_param("double", PARAM_DOUBLE, d3);
    w.set_param("vector", PARAM_VECTOR, d3);
    w.set_bool_param("on", 2);
    w.set_param("string ptr", PARAM_STRING_PTR, &text);
    w.set_param("unknown", 19, d3);
    w.set_param("null", PARAM_INT, nullptr);
    EXPECT_EQ(finish(),
              "\"color\" 0.5 25 0,\n\"float4\" 0.5 25 0 -0,\n\"zero\" -1,\n\"double\" 0.1,\n"
              "\"vector\" 0.1 1e+20 -2,\n\"on\" on,\n\"string ptr\" \"t\",\n\"unknown\" ,\n"
              "\"null\" ,\n");
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

TEST_F(WriterTest, TextArraysBreakAfterNineThenEightAndStringsEndEveryLine) {
    tavScene_api& w = open();
    int ints[18];
    for (int i = 0; i < 18; ++i) ints[i] = i;
    const float floats[2] = {0, 1.5f};
    const float colours[2][3] = {{1, 0, 0}, {0, 1, 0}};
    const char* names[10] = {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "s\n"};
    double matrices[2][16] = {};
    matrices[0][0] = 0.1;
    matrices[1][15] = 1;
    w.begin_object("o", true);
    set_array(w, "eighteen", PARAM_INT, ints, 18);
    set_array(w, "none", PARAM_INT, ints, 0);
    set_array(w, "floats", PARAM_FLOAT, floats, 2);
    set_array(w, "colours", PARAM_COLOR, colours, 2);
    set_array(w, "names", PARAM_STRING_PTR, names, 10);
    set_array(w, "m", PARAM_MATRIX, matrices, 2);
    EXPECT_EQ(finish(),
              "\nobject \"o\" {\n"
              "  eighteen [ 0,1,2,3,4,5,6,7,8,\n  9,10,11,12,13,14,15,16,\n  17 ] \n"
              "  none [ ] \n  floats [ -1,1.5 ] \n  colours [ 1 0 0,0 1 0 ] \n"
              "  names [ \"s0\",\n\"s1\",\n\"s2\",\n\"s3\",\n\"s4\",\n\"s5\",\n\"s6\",\n\"s7\",\n"
              "\"s8\",  \nxX730a \n] \n"
              "  m [   0.1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ,\n"
              "  0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 \n] \n");
}

// Element by element: colours two per line, all other kinds six per line.
TEST_F(WriterTest, ArrayParamsAddedElementByElement) {
    tavScene_api& w = open();
    w.begin_array_param("ints");
    for (int i = 0; i < 13; ++i) w.add_array_value(PARAM_INT, &i);
    w.end_array_param();
    w.begin_array_param("mixed");
    const char* name = "n";
    const float zero = 0, c[3] = {1, 0, 0.5f};
    w.add_array_value(PARAM_STRING_PTR, &name);
    w.add_array_value(PARAM_FLOAT, &zero);
    w.add_array_value(PARAM_RESERVED8, c);
    w.end_array_param();
    EXPECT_EQ(finish(),
              "\"ints\" [\n  0, 1, 2, 3, 4, 5,\n  6, 7, 8, 9, 10, 11,\n  12 ],\n"
              "\"mixed\" [\n  \"n\", -1,  ],\n");
}

// In binary mode items of the binary kinds collect in one block under the last tag; other
// kinds print at once, and items added outside an array are dropped by the next begin. Whole
// arrays of those kinds are one block each, of others text.
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
    w.begin_array_param("empty");
    w.end_array_param();
    set_array(w, "c", PARAM_COLOR, c, 1);
    set_array(w, "f", PARAM_FLOAT, c, 0);
    set_array(w, "v", PARAM_VECTOR, v, 1);
    EXPECT_EQ(finish(), "\"mixed\" [\n  4 5 6" + block_header('i', 4) + bytes_of(c) +
                            std::string("\x07\0\0\0", 4) + " ],\n\"empty\" [\n   ],\n\"c\" [ " +
                            block_header('c', 3) + bytes_of(c) + "] ,\n\"f\" [ " +
                            block_header('f', 0) + "] ,\n\"v\" [ 4 5 6 ] ,\n");
}
