// The Windows tests' entry: GoogleTest, or the child of the standard output test.
#include <gtest/gtest.h>

#include <cstring>

#include "standard_output_child.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], standard_output_child_argument) == 0)
        return write_scene_to_standard_output();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
