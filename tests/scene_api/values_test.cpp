// Value kinds, parameter forms, names and arrays.
#include <string>

#include "writer_fixture.h"

TEST_F(WriterTest, EveryScalarKindInParameterListForm) {
    tavScene_api& w = open();
    const float f4[4] = {0.5f, 25, 0, -0.0f};
    const double d3[3] = {0.1, 1e20, -2};
    const int i4[4] = {-7, 0, 2, 3};
    const double m[16] = {0.1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float zero = 0.0f, negative_zero = -0.0f, quarter = 0.25f;
    const char* text = "t";
    w.set_param("color", PARAM_COLOR, f4);
    w.set_param("float4", PARAM_FLOAT4, f4);
    w.set_param("float4b", PARAM_FLOAT4B, f4);
    w.set_param("float2", PARAM_FLOAT2, f4);
    w.set_param("zero", PARAM_FLOAT, &zero);
    w.set_param("negative zero", PARAM_FLOAT, &negative_zero);
    w.set_param("quarter", PARAM_FLOAT, &quarter);
    w.set_param("double", PARAM_DOUBLE, d3);
    w.set_param("vector", PARAM_VECTOR, d3);
    w.set_param("int", PARAM_INT, i4);
    w.set_param("int2", PARAM_INT2, i4);
    w.set_param("int3", PARAM_INT3, i4);
    w.set_param("int4", PARAM_INT4, i4);
    w.set_bool_param("on", 2);
    w.set_bool_param("off", 0);
    w.set_param("matrix", PARAM_MATRIX, m);
    w.set_param("string", PARAM_STRING, "s");
    w.set_param("string ptr", PARAM_STRING_PTR, &text);
    for (int kind : {0, 8, 12, 19, -1, PARAM_ARRAY | PARAM_BOOL}) w.set_param("u", kind, i4);
    w.set_param("null", PARAM_INT, nullptr);
    EXPECT_EQ(finish(),
              "\"color\" 0.5 25 0,\n"
              "\"float4\" 0.5 25 0 -0,\n"
              "\"float4b\" 0.5 25 0 -0,\n"
              "\"float2\" 0.5 25,\n"
              "\"zero\" -1,\n"
              "\"negative zero\" -1,\n"
              "\"quarter\" 0.25,\n"
              "\"double\" 0.1,\n"
              "\"vector\" 0.1 1e+20 -2,\n"
              "\"int\" -7,\n"
              "\"int2\" -7 0,\n"
              "\"int3\" -7 0 2,\n"
              "\"int4\" -7 0 2 3,\n"
              "\"on\" on,\n"
              "\"off\" off,\n"
              "\"matrix\" 0.1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1,\n"
              "\"string\" \"s\",\n"
              "\"string ptr\" \"t\",\n"
              "\"u\" ,\n\"u\" ,\n\"u\" ,\n\"u\" ,\n\"u\" ,\n\"u\" ,\n"
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
              "\nobject xX410a {\n"
              "  reflection map 3\n"
              "  geometry \"\" {\n"
              "    \"format\" 3,\n"
              "xX612262 1,\n"
              "    \"path\" xX636166c3a90d,\n");
}

TEST_F(WriterTest, TextArrayValuesBreakAfterNineThenEight) {
    tavScene_api& w = open();
    int ints[18];
    for (int i = 0; i < 18; ++i) ints[i] = i;
    const float floats[2] = {0, 1.5f};
    const float colours[2][3] = {{1, 0, 0}, {0, 1, 0}};
    const double vectors[1][3] = {{0.5, 2, 3}};
    w.begin_object("o", true);
    set_array(w, "ten", PARAM_INT, ints, 10);
    set_array(w, "eighteen", PARAM_INT, ints, 18);
    set_array(w, "one", PARAM_INT, ints + 5, 1);
    set_array(w, "none", PARAM_INT, ints, 0);
    set_array(w, "floats", PARAM_FLOAT, floats, 2);
    set_array(w, "colours", PARAM_COLOR, colours, 2);
    set_array(w, "vectors", PARAM_VECTOR, vectors, 1);
    EXPECT_EQ(finish(),
              "\nobject \"o\" {\n"
              "  ten [ 0,1,2,3,4,5,6,7,8,\n  9 ] \n"
              "  eighteen [ 0,1,2,3,4,5,6,7,8,\n  9,10,11,12,13,14,15,16,\n  17 ] \n"
              "  one [ 5 ] \n"
              "  none [ ] \n"
              "  floats [ -1,1.5 ] \n"
              "  colours [ 1 0 0,0 1 0 ] \n"
              "  vectors [ 0.5 2 3 ] \n");
}

TEST_F(WriterTest, StringAndMatrixArraysEndEveryElementLine) {
    tavScene_api& w = open();
    const char* names[10] = {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8", "s\n"};
    double matrices[2][16] = {};
    matrices[0][0] = 0.1;
    matrices[1][15] = 1;
    w.begin_object("o", true);
    set_array(w, "names", PARAM_STRING_PTR, names, 10);
    set_array(w, "m", PARAM_MATRIX, matrices, 2);
    EXPECT_EQ(finish(),
              "\nobject \"o\" {\n"
              "  names [ \"s0\",\n\"s1\",\n\"s2\",\n\"s3\",\n\"s4\",\n\"s5\",\n\"s6\",\n\"s7\",\n"
              "\"s8\",  \nxX730a \n] \n"
              "  m [   0.1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ,\n"
              "  0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 \n] \n");
}

TEST_F(WriterTest, BinaryArrayValuesOnlyForColoursFloatsAndInts) {
    tavScene_api& w = open(true);
    const float colours[2][3] = {{1, 0, 0}, {0, 1, 0}};
    const double vectors[1][3] = {{0.5, 2, 3}};
    set_array(w, "c", PARAM_COLOR, colours, 2);
    set_array(w, "f", PARAM_FLOAT, colours, 0);
    set_array(w, "v", PARAM_VECTOR, vectors, 1);
    EXPECT_EQ(finish(), "\"c\" [ " + block_header('c', 6) + bytes_of(colours) + "] ,\n" +
                            "\"f\" [ " + block_header('f', 0) + "] ,\n" + "\"v\" [ 0.5 2 3 ] ,\n");
}

// Element by element: kind 1 two per line, all other kinds six per line.
TEST_F(WriterTest, ArrayParamsAddedElementByElement) {
    tavScene_api& w = open();
    w.begin_array_param("ints");
    for (int i = 0; i < 13; ++i) w.add_array_value(PARAM_INT, &i);
    w.end_array_param();
    w.begin_array_param("colours");
    const float c[3] = {1, 0, 0.5f};
    for (int i = 0; i < 5; ++i) w.add_array_value(PARAM_COLOR, c);
    w.end_array_param();
    w.begin_array_param("mixed");
    const char* name = "n";
    const float zero = 0;
    w.add_array_value(PARAM_STRING_PTR, &name);
    w.add_array_value(PARAM_FLOAT, &zero);
    w.add_array_value(PARAM_RESERVED8, c);
    w.end_array_param();
    w.begin_array_param("empty");
    w.end_array_param();
    EXPECT_EQ(finish(),
              "\"ints\" [\n"
              "  0, 1, 2, 3, 4, 5,\n  6, 7, 8, 9, 10, 11,\n  12 ],\n"
              "\"colours\" [\n"
              "  1 0 0.5, 1 0 0.5,\n  1 0 0.5, 1 0 0.5,\n  1 0 0.5 ],\n"
              "\"mixed\" [\n"
              "  \"n\", -1,  ],\n"
              "\"empty\" [\n"
              "   ],\n");
}

TEST_F(WriterTest, BinaryArrayParamsCollectOneBlockUnderTheLastTag) {
    tavScene_api& w = open(true);
    const float c[3] = {1, 2, 3};
    const int i = 7;
    const double v[3] = {4, 5, 6};
    w.add_array_value(PARAM_INT, &i);  // outside an array: discarded by the next begin
    w.begin_array_param("mixed");
    w.add_array_value(PARAM_COLOR, c);
    w.add_array_value(PARAM_VECTOR, v);  // not binary: printed at once
    w.add_array_value(PARAM_INT, &i);
    w.end_array_param();
    w.begin_array_param("empty");
    w.end_array_param();
    EXPECT_EQ(finish(), "\"mixed\" [\n  4 5 6" + block_header('i', 4) + bytes_of(c) +
                            std::string("\x07\0\0\0", 4) + " ],\n\"empty\" [\n   ],\n");
}
