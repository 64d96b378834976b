// The few operating-system services the exporter needs: temporary scene files, the output "-",
// opening files by UTF-8 names, and locating and starting the renderer. Paths are UTF-8.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// The user's temporary folder joined with file_name.
std::string temporary_file_path(const std::string& file_name);

// Creates a new, empty file with a unique name in the user's temporary folder, whose stem starts
// with "vis" and whose extension is ".vsf", and returns its path. Throws std::ios_base::failure
// naming the folder and the OS error.
std::string create_temporary_scene_file();

// Opens a file by its UTF-8 name; null with errno set on failure.
FILE* open_file_utf8(const char* path, const char* mode);

// Opens a scene file for writing, created or truncated; null with errno set on failure. A named
// pipe must have a reader already (ENXIO otherwise), and a write to a pipe never hangs past a
// signal: it fails with EINTR, as it does with EPIPE when the reader has gone, and every later
// write fails at once. With fresh, whatever is at path is removed first (a symbolic link
// itself, never what it points to) and a new file is created, or the open fails.
FILE* open_scene_output(const char* path, bool fresh);

// Returns a binary stream on a duplicate of the process's standard output, then makes standard
// output a copy of standard error for the rest of the process, so that later prints cannot mix
// into the stream. A pipe there is written as open_scene_output writes one. Null with errno set
// when the stream cannot be made.
FILE* take_standard_output();

// Drops what stream holds buffered, so that closing it writes nothing more.
void discard_buffered_output(FILE* stream);

// Identifies the running process; a forked child gets a new one.
long current_process();

// path made absolute against the current folder, so that it stays valid for a program started
// in another folder; "-" and absolute paths are returned as they are.
std::string absolute_path(const std::string& path);

struct RendererLocation {
    std::string program;  // the renderer's program file
    std::string folder;   // the folder to start it in; empty for the caller's own
};

// Reads where the renderer is installed. Throws std::runtime_error naming what is missing.
RendererLocation find_renderer();

// Starts program in folder with the given arguments and returns without waiting for it. Throws
// std::runtime_error naming the program and the OS error when it cannot be started.
void launch_detached(const std::string& program, const std::string& folder,
                     const std::vector<std::string>& arguments);

}  // namespace platform
