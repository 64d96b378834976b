// The stream: output of any length, flush points, closing and the number format.
#include <clocale>
#include <string>

#include "writer_fixture.h"

// Nothing is cut or overrun, however long one write is.
TEST_F(WriterTest, LongOutputIsWrittenWhole) {
    tavScene_api& w = open();
    const std::string line(3000, 'p');
    const std::string value(70000, 'v');
    w.print_text("%s 100%%\n", line.c_str());
    w.begin_frame(1);
    w.begin_shader(nullptr, "big");
    w.set_param("s", PARAM_STRING, value.c_str());
    w.end_shader(0);
    w.set_shader(SHADER_SURFACE, w.current_shader());
    w.set_int_param(value.c_str(), 1);
    w.end_frame();
    EXPECT_EQ(finish(), line + " 100%\nframe 1 {\n  surface   \"big\" {\n    \"s\" \"" + value +
                            "\",\n  }  \n  \"" + value + "\" 1,\n}\n");
}

// Each statement reaches the file before the call returns, binary blocks included; after
// close() nothing more is written or captured.
TEST_F(WriterTest, FileIsCompleteAfterEveryStatementUntilClosed) {
    tavScene_api_file& w = open(true);
    w.render();
    EXPECT_EQ(on_disk(), "\nrender\n");
    const int i = 1;
    w.begin_array_param("t");
    w.add_array_value(PARAM_INT, &i);
    w.end_array_param();
    const std::string complete =
        "\nrender\n\"t\" [\n  " + block_header('i', 1) + std::string("\1\0\0\0 ],\n", 8);
    EXPECT_EQ(on_disk(), complete);
    EXPECT_EQ(w.close(), 0);
    w.render();
    w.begin_shader(nullptr, "skipped");
    w.end_shader(0);
    EXPECT_EQ(w.current_shader()->length(), 0);
    EXPECT_EQ(finish(), complete);
}

// A host with a decimal-comma locale still gets full stops in the file.
TEST_F(WriterTest, NumbersUseFullStopsWhateverTheHostLocale) {
    bool comma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        comma =
            comma || (std::setlocale(LC_NUMERIC, name) && *std::localeconv()->decimal_point == ',');
    if (!comma) {
        std::setlocale(LC_NUMERIC, "C");
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    tavScene_api& w = open();
    w.set_float_param("f", 0.5f);
    w.scale(1.25, 0, 0);
    EXPECT_EQ(finish(), "\"f\" 0.5,\nscale 1.25 0 0\n");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}
