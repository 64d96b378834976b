// The stream: output of any length, flush points, closing, ownership, and the number format.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
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

#ifndef _WIN32  // POSIX pipes and descriptor flags
TEST(WriterStreamTest, DestructionClosesTheGivenStream) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    { tavScene_api_file(fdopen(ends[1], "wb"), false).render(); }
    EXPECT_EQ(fcntl(ends[1], F_GETFD), -1);
    char got[16] = {};
    EXPECT_EQ(read(ends[0], got, sizeof got), 8);
    EXPECT_STREQ(got, "\nrender\n");
    close(ends[0]);
}
#endif

TEST(WriterStreamTest, StandardOutputServesWhenThePathCannotBeOpened) {
    ::testing::internal::CaptureStdout();
    {
        tavScene_api_file w("/nonexistent-folder/scene.vsf", false);
        w.instance("to stdout");
        EXPECT_EQ(w.error(), ENOENT);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "instance \"to stdout\"\n");
}

// A host with a decimal-comma locale still gets full stops in the file.
TEST_F(WriterTest, NumbersUseFullStopsWhateverTheHostLocale) {
    const char* comma_locale = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (!comma_locale && std::setlocale(LC_NUMERIC, name) &&
            *std::localeconv()->decimal_point == ',')
            comma_locale = name;
    }
    if (!comma_locale) {
        std::setlocale(LC_NUMERIC, "C");
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    tavScene_api& w = open();
    w.set_float_param("f", 0.5f);
    w.scale(1.25, 0, 0);
    EXPECT_EQ(finish(), "\"f\" 0.5,\nscale 1.25 0 0\n");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}
