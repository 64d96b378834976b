// The child process of the standard output test: the test program started with this argument
// runs write_scene_to_standard_output instead of the tests.
#pragma once

constexpr const char* standard_output_child_argument = "--write-scene-to-standard-output";

// Prints a line, writes a scene to "-", prints more, and returns the exit status.
int write_scene_to_standard_output();
